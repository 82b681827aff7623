// Conversion of a MARS memory dump (Hexadecimal Text or Binary Text, one
// 32-bit word per line) into a byte-wide memory image (.mem) and a Vivado
// coefficient file (.coe), one line at a time and in constant memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

namespace tolvane {

// The line end written to both outputs: what a text-mode stream writes on
// this platform, so that the files look native to the editors beside them.
#ifdef _WIN32
inline constexpr std::string_view line_end = "\r\n";
#else
inline constexpr std::string_view line_end = "\n";
#endif

// The two text modes MARS dumps words in, told apart by the width of a line.
enum class dump_mode { none, hexadecimal_text, binary_text };

dump_mode dump_mode_of(std::int64_t width);

// Characters that spell one byte: 2 hexadecimal digits or 8 binary ones.
constexpr int lane_width_of(dump_mode mode)
{
    return mode == dump_mode::binary_text ? 8 : 2;
}

constexpr int coe_radix_of(dump_mode mode)
{
    return mode == dump_mode::binary_text ? 2 : 16;
}

// One line of the dump without its line end (LF, or CR LF). `chars` points
// into the reader's buffer and stays valid until the next read. A line too
// long to be a word keeps only its width; its characters are not kept.
struct word_line {
    const char* chars = nullptr;
    std::int64_t width = 0;
};

enum class read_status { line, end_of_dump, read_error };

// Builds for fuzzing shrink the blocks, so that lines meet block boundaries at
// every possible place.
#ifndef TOLVANE_READ_BLOCK_SIZE
#define TOLVANE_READ_BLOCK_SIZE (std::size_t{1} << 18)
#endif
#ifndef TOLVANE_WRITE_BLOCK_SIZE
#define TOLVANE_WRITE_BLOCK_SIZE (std::size_t{1} << 17)
#endif

// Reads the dump in large blocks and hands out one line at a time, without
// copying the lines that lie wholly inside a block.
struct dump_reader {
    static constexpr std::size_t block_size = TOLVANE_READ_BLOCK_SIZE;
    // A line kept in full when it crosses a block boundary is at most this
    // long: a Binary Text word and a CR. Longer lines are only counted.
    static constexpr std::size_t longest_kept = 33;
    static_assert(block_size > 2 * longest_kept, "a block holds a whole word line");

    std::FILE* stream = nullptr;
    std::size_t next = 0;   // first unread character in buf
    std::size_t end = 0;    // one past the last character in buf
    std::int64_t skipped = 0; // characters of the current line already dropped
    bool at_eof = false;
    bool failed = false;
    char buf[block_size];
};

read_status read_word_line(dump_reader& reader, word_line& line);

// An output file with a buffer of its own, so that each line is assembled in
// place and written out in large blocks. `failed` is set, and stays set, on the
// first write that does not go through.
struct output_file {
    static constexpr std::size_t capacity = TOLVANE_WRITE_BLOCK_SIZE;
    static_assert(capacity >= 64, "a block holds the longest piece written at once");

    std::FILE* stream = nullptr;
    std::size_t used = 0;
    bool failed = false;
    char data[capacity];
};

// Writes what is buffered to the stream; false when the file has failed.
bool flush_output(output_file& out);

// Flushes, closes and reports whether every byte reached the file.
bool close_output(output_file& out);

// Writes the word's four bytes least significant first, each followed by a
// blank, for $readmemh or $readmemb on a byte-wide memory.
void write_mem_line(output_file& mem, const word_line& line, int lane_width);

struct coe_writer {
    output_file out;
    bool coe_started = false;
};

// Writes the radix header (the first time) or a separator, then the word as
// the dump spells it.
void write_coe_value(coe_writer& coe, dump_mode mode, const word_line& line);

// Ends the coefficient vector.
void finish_coe(coe_writer& coe);

enum class outcome {
    done,               // every line converted and both outputs complete
    bad_line,           // a line that is no word; `width` holds its width
    read_failed,        // the dump could not be read to its end
    mem_write_failed,   // the memory file could not be written
    coe_write_failed,   // the coefficient file could not be written
};

struct conversion {
    outcome result = outcome::done;
    std::int64_t width = 0;
};

// Converts the whole dump and closes all three streams, the dump first, the
// memory file second and the coefficient file last. On a bad line or a read
// error both outputs keep what was written for the lines before it.
conversion convert_dump(std::FILE* dump, std::FILE* mem, std::FILE* coe);

} // namespace tolvane
