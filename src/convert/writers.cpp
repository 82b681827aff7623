#include "convert.hpp"

#include <cstring>

namespace tolvane {

namespace {

// Room for n more characters, writing out what is buffered when it is short.
char* room_for(output_file& out, std::size_t n)
{
    if (output_file::capacity - out.used < n)
        flush_output(out);
    return out.data + out.used;
}

void append(output_file& out, std::string_view text)
{
    std::memcpy(room_for(out, text.size()), text.data(), text.size());
    out.used += text.size();
}

// Byte lanes 3, 2, 1, 0 of a word of lane width L, each followed by a blank.
template <std::size_t L>
char* put_lanes_reversed(char* to, const char* word)
{
    for (std::size_t lane = 4; lane-- > 0;) {
        std::memcpy(to, word + lane * L, L);
        to[L] = ' ';
        to += L + 1;
    }
    return to;
}

} // namespace

bool flush_output(output_file& out)
{
    if (out.used > 0 && !out.failed
        && std::fwrite(out.data, 1, out.used, out.stream) != out.used)
        out.failed = true;
    out.used = 0;
    return !out.failed;
}

bool close_output(output_file& out)
{
    bool written = flush_output(out);
    if (std::fflush(out.stream) != 0 || std::ferror(out.stream) != 0)
        written = false;
    if (std::fclose(out.stream) != 0)
        written = false;
    out.stream = nullptr;
    out.failed = !written;
    return written;
}

void write_mem_line(output_file& mem, const word_line& line, int lane_width)
{
    constexpr std::size_t longest = 4 * (8 + 1) + line_end.size();
    char* const start = room_for(mem, longest);
    char* to = lane_width == 2 ? put_lanes_reversed<2>(start, line.chars)
                               : put_lanes_reversed<8>(start, line.chars);
    std::memcpy(to, line_end.data(), line_end.size());
    to += line_end.size();
    mem.used += static_cast<std::size_t>(to - start);
}

void write_coe_value(coe_writer& coe, dump_mode mode, const word_line& line)
{
    constexpr std::size_t longest = 1 + line_end.size() + 32;
    char* to = nullptr;
    if (!coe.coe_started) {
        append(coe.out, "memory_initialization_radix=");
        append(coe.out, coe_radix_of(mode) == 2 ? "2" : "16");
        append(coe.out, ";");
        append(coe.out, line_end);
        append(coe.out, "memory_initialization_vector=");
        append(coe.out, line_end);
        coe.coe_started = true;
        to = room_for(coe.out, longest);
    } else {
        to = room_for(coe.out, longest);
        *to++ = ',';
        std::memcpy(to, line_end.data(), line_end.size());
        to += line_end.size();
    }
    // A copy of the fixed length of each mode costs far less than one of any
    // length.
    if (line.width == 8) {
        std::memcpy(to, line.chars, 8);
        to += 8;
    } else {
        std::memcpy(to, line.chars, 32);
        to += 32;
    }
    coe.out.used = static_cast<std::size_t>(to - coe.out.data);
}

void finish_coe(coe_writer& coe)
{
    append(coe.out, ";");
}

} // namespace tolvane
