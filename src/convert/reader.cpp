#include "convert.hpp"

#include <cstring>

namespace tolvane {

dump_mode dump_mode_of(std::int64_t width)
{
    switch (width) {
    case 8:
        return dump_mode::hexadecimal_text;
    case 32:
        return dump_mode::binary_text;
    default:
        return dump_mode::none;
    }
}

namespace {

// Finds the first LF in [from, to), or nullptr. Word lines are short, so on
// little-endian machines eight characters are tested at a time in a register
// before the library's search is called for the rest.
const char* find_line_end(const char* from, const char* to)
{
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    constexpr std::uint64_t ones = 0x0101010101010101;
    constexpr std::uint64_t high_bits = 0x8080808080808080;
    constexpr std::uint64_t line_ends = ones * '\n';
    for (int round = 0; round < 5 && to - from >= 8; ++round, from += 8) {
        std::uint64_t chunk;
        std::memcpy(&chunk, from, 8);
        chunk ^= line_ends;
        // The lowest high bit set marks the first byte that was an LF.
        const std::uint64_t found = (chunk - ones) & ~chunk & high_bits;
        if (found != 0)
            return from + __builtin_ctzll(found) / 8;
    }
#endif
    return static_cast<const char*>(std::memchr(from, '\n', static_cast<std::size_t>(to - from)));
}

// Moves the unfinished line to the front of the buffer and reads the next block
// behind it. A line already too long to be a word is not kept: all but its last
// character are counted and dropped, the last kept in case it is the CR of a
// CR LF that the next block completes.
void refill(dump_reader& reader)
{
    std::size_t pending = reader.end - reader.next;
    if (pending > dump_reader::longest_kept) {
        reader.skipped += static_cast<std::int64_t>(pending - 1);
        reader.buf[0] = reader.buf[reader.end - 1];
        pending = 1;
    } else if (pending > 0) {
        std::memmove(reader.buf, reader.buf + reader.next, pending);
    }
    reader.next = 0;
    reader.end = pending;

    const std::size_t wanted = dump_reader::block_size - pending;
    const std::size_t got = std::fread(reader.buf + pending, 1, wanted, reader.stream);
    reader.end += got;
    if (got < wanted) {
        reader.failed = std::ferror(reader.stream) != 0;
        reader.at_eof = !reader.failed;
    }
}

} // namespace

read_status read_word_line(dump_reader& reader, word_line& line)
{
    for (;;) {
        const char* start = reader.buf + reader.next;
        const std::size_t pending = reader.end - reader.next;
        if (const char* lf = find_line_end(start, start + pending)) {
            auto length = static_cast<std::size_t>(lf - start);
            if (length > 0 && lf[-1] == '\r')
                --length;
            line.chars = start;
            line.width = reader.skipped + static_cast<std::int64_t>(length);
            reader.skipped = 0;
            reader.next = static_cast<std::size_t>(lf - reader.buf) + 1;
            return read_status::line;
        }
        if (reader.failed)
            return read_status::read_error;
        if (reader.at_eof) {
            if (pending == 0 && reader.skipped == 0)
                return read_status::end_of_dump;
            // The last line has no line end: every character of it counts.
            line.chars = start;
            line.width = reader.skipped + static_cast<std::int64_t>(pending);
            reader.skipped = 0;
            reader.next = reader.end;
            return read_status::line;
        }
        refill(reader);
    }
}

} // namespace tolvane
