// The reader and the two writers, driven through real files.
#include "convert/convert.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace tolvane::testing {
namespace {

using tolvane::testing::operator<<;

const std::string hex_word = "2008000a";
const std::string bin_word = "00100000000010000000000000001010";

std::string repeated(std::size_t count, char c)
{
    return std::string(count, c);
}

struct conversion_output {
    conversion result;
    std::string mem;
    std::string coe;
};

// Converts the bytes of a dump through real files in a scratch folder.
conversion_output convert_bytes(const std::string& dump)
{
    scratch_folder folder;
    write_file(folder / "dump.txt", dump);
    std::FILE* in = std::fopen((folder / "dump.txt").string().c_str(), "rb");
    std::FILE* mem = std::fopen((folder / "dump.txt.mem").string().c_str(), "wb");
    std::FILE* coe = std::fopen((folder / "dump.txt.coe").string().c_str(), "wb");
    if (in == nullptr || mem == nullptr || coe == nullptr)
        throw std::runtime_error{"cannot open the scratch files"};
    conversion_output output;
    output.result = convert_dump(in, mem, coe);
    output.mem = read_file(folder / "dump.txt.mem");
    output.coe = read_file(folder / "dump.txt.coe");
    return output;
}

// The widths of the lines the reader hands out, to the end of the dump.
std::vector<std::int64_t> widths_of(const std::string& dump)
{
    scratch_folder folder;
    write_file(folder / "dump.txt", dump);
    auto reader = std::make_unique<dump_reader>();
    reader->stream = std::fopen((folder / "dump.txt").string().c_str(), "rb");
    std::vector<std::int64_t> widths;
    word_line line;
    read_status status;
    while ((status = read_word_line(*reader, line)) == read_status::line)
        widths.push_back(line.width);
    std::fclose(reader->stream);
    EXPECT_EQ(status, read_status::end_of_dump);
    return widths;
}

// --- Line widths ---------------------------------------------------------

struct width_case {
    const char* name;
    std::string dump;
    std::vector<std::int64_t> widths;
};

class line_widths : public ::testing::TestWithParam<width_case> {};

TEST_P(line_widths, are_measured_without_the_line_end)
{
    EXPECT_EQ(widths_of(GetParam().dump), GetParam().widths);
}

constexpr std::size_t block = dump_reader::block_size;

INSTANTIATE_TEST_SUITE_P(
    reader, line_widths,
    ::testing::Values(
        width_case{"hex_word", hex_word + "\n", {8}},
        width_case{"binary_word", bin_word + "\n", {32}},
        width_case{"empty_dump", "", {}},
        width_case{"one_line_end", "\n", {0}},
        width_case{"crlf_line_end", hex_word + "\r\n" + bin_word + "\r\n", {8, 32}},
        width_case{"last_line_without_line_end_keeps_all", hex_word + "\n" + hex_word, {8, 8}},
        width_case{"nine_characters_without_line_end", hex_word + "b", {9}},
        width_case{"cr_without_lf_at_the_end", hex_word + "\r", {9}},
        width_case{"cr_inside_a_line", "2008\r000a\n", {9}},
        width_case{"two_crs_before_lf", hex_word + "\r\r\n", {9}},
        width_case{"lone_cr_is_no_line_end", hex_word + "\r" + hex_word + "\n", {17}},
        width_case{"nul_is_a_character", hex_word + std::string{"\0zz\n", 4}, {11}},
        width_case{"line_starting_with_nul", std::string{"\0", 1} + "2008000\n", {8}},
        width_case{"trailing_blank", hex_word + " \n", {9}},
        width_case{"blank_line_at_the_end", hex_word + "\n\n", {8, 0}},
        width_case{"long_line", repeated(300, 'a') + "\n", {300}},
        width_case{"long_line_with_crlf", repeated(300, 'a') + "\r\n", {300}},
        width_case{"longer_than_a_block", repeated(2 * block + 7, '1') + "\n" + hex_word + "\n",
                   {2 * block + 7, 8}},
        width_case{"cr_ends_a_block_lf_starts_the_next", repeated(block - 1, '0') + "\r\n",
                   {block - 1}},
        width_case{"long_last_line_without_line_end", repeated(block + 3, 'f'),
                   {block + 3}},
        width_case{"word_across_a_block_boundary",
                   repeated(block - 4, 'x') + "\n" + hex_word + "\r\n" + bin_word,
                   {block - 4, 8, 32}}),
    case_name{});

TEST(dump_mode_of, knows_only_the_two_word_widths)
{
    EXPECT_EQ(dump_mode_of(8), dump_mode::hexadecimal_text);
    EXPECT_EQ(dump_mode_of(32), dump_mode::binary_text);
    for (std::int64_t width : std::vector<std::int64_t>{-1, 0, 7, 9, 16, 31, 33, 64, 1LL << 32 | 8})
        EXPECT_EQ(dump_mode_of(width), dump_mode::none) << width;
    EXPECT_EQ(lane_width_of(dump_mode::hexadecimal_text), 2);
    EXPECT_EQ(lane_width_of(dump_mode::binary_text), 8);
    EXPECT_EQ(coe_radix_of(dump_mode::hexadecimal_text), 16);
    EXPECT_EQ(coe_radix_of(dump_mode::binary_text), 2);
}

// --- Both outputs of dumps that convert ----------------------------------


struct output_case {
    const char* name;
    std::string dump;
    std::string mem;
    std::string coe;
};

class converted_dumps : public ::testing::TestWithParam<output_case> {};

TEST_P(converted_dumps, give_both_outputs)
{
    const conversion_output output = convert_bytes(GetParam().dump);
    EXPECT_EQ(output.result.result, outcome::done);
    EXPECT_EQ(output.mem, native_text(GetParam().mem));
    EXPECT_EQ(output.coe, native_text(GetParam().coe));
}

INSTANTIATE_TEST_SUITE_P(
    writers, converted_dumps,
    ::testing::Values(
        output_case{"three_hex_words", "2008000a\n2009fffb\n01095020\n",
                    "0a 00 08 20 \nfb ff 09 20 \n20 50 09 01 \n",
                    hex_header + "2008000a,\n2009fffb,\n01095020;"},
        output_case{"one_binary_word", bin_word + "\n", "00001010 00000000 00001000 00100000 \n",
                    bin_header + bin_word + ";"},
        output_case{"one_hex_word_has_no_comma", hex_word + "\n", "0a 00 08 20 \n",
                    hex_header + hex_word + ";"},
        output_case{"empty_dump", "", "", ";"},
        output_case{"crlf_dump", "2008000a\r\n2009fffb\r\n", "0a 00 08 20 \nfb ff 09 20 \n",
                    hex_header + "2008000a,\n2009fffb;"},
        output_case{"last_line_without_line_end", "2008000a\n2009fffb",
                    "0a 00 08 20 \nfb ff 09 20 \n", hex_header + "2008000a,\n2009fffb;"},
        output_case{"characters_copied_as_they_are", "ABcdEF01\nxxxxxxxx\n",
                    "01 EF cd AB \nxx xx xx xx \n", hex_header + "ABcdEF01,\nxxxxxxxx;"},
        output_case{"binary_then_hex_keeps_radix_2", bin_word + "\n" + hex_word + "\n",
                    "00001010 00000000 00001000 00100000 \n0a 00 08 20 \n",
                    bin_header + bin_word + ",\n" + hex_word + ";"},
        output_case{"hex_then_binary_keeps_radix_16", hex_word + "\n" + bin_word + "\n",
                    "0a 00 08 20 \n00001010 00000000 00001000 00100000 \n",
                    hex_header + hex_word + ",\n" + bin_word + ";"}),
    case_name{});

// A dump long enough to cross many blocks, with words straddling every kind
// of boundary, converts exactly like its lines one by one.
TEST(converted_dumps, cross_block_boundaries_intact)
{
    std::string dump;
    std::string mem;
    std::string coe;
    std::mt19937 random{7};
    const char* digits = "0123456789abcdef";
    for (int i = 0; i < 120000; ++i) {
        const bool binary = random() % 3 == 0;
        std::string word;
        for (int c = 0; c < (binary ? 32 : 8); ++c)
            word += binary ? static_cast<char>('0' + random() % 2) : digits[random() % 16];
        dump += word + (random() % 2 ? "\r\n" : "\n");
        const std::size_t lane = binary ? 8 : 2;
        for (std::size_t k = 4; k-- > 0;)
            mem += word.substr(k * lane, lane) + " ";
        mem += "\n";
        coe += (i == 0 ? (binary ? bin_header : hex_header) : ",\n") + word;
    }
    const conversion_output output = convert_bytes(dump);
    EXPECT_EQ(output.result.result, outcome::done);
    EXPECT_TRUE(output.mem == native_text(mem)) << "memory files differ";
    EXPECT_TRUE(output.coe == native_text(coe + ";")) << "coefficient files differ";
}

// --- Lines that are no word ----------------------------------------------

struct rejected_case {
    const char* name;
    std::string dump;
    std::int64_t width;
    std::string mem;
    std::string coe;
};

class rejected_lines : public ::testing::TestWithParam<rejected_case> {};

TEST_P(rejected_lines, stop_the_run_and_keep_earlier_words)
{
    const conversion_output output = convert_bytes(GetParam().dump);
    EXPECT_EQ(output.result.result, outcome::bad_line);
    EXPECT_EQ(output.result.width, GetParam().width);
    EXPECT_EQ(output.mem, native_text(GetParam().mem));
    EXPECT_EQ(output.coe, native_text(GetParam().coe));
}

INSTANTIATE_TEST_SUITE_P(
    reader, rejected_lines,
    ::testing::Values(
        rejected_case{"third_line_too_wide", "2008000a\n2009fffb\n01095020 \n2008000a\n", 9,
                      "0a 00 08 20 \nfb ff 09 20 \n", hex_header + "2008000a,\n2009fffb"},
        rejected_case{"first_line_rejected_leaves_both_empty", "2008000\n2008000a\n", 7, "", ""},
        rejected_case{"one_line_end", "\n", 0, "", ""},
        rejected_case{"blank_line_at_the_end", "2008000a\n\n", 0, "0a 00 08 20 \n",
                      hex_header + "2008000a"},
        rejected_case{"nine_characters_at_the_end", "2008000a\n2008000ab", 9, "0a 00 08 20 \n",
                      hex_header + "2008000a"},
        rejected_case{"nul_inside_a_word", std::string{"2008000a\0zz\n", 12}, 11, "", ""},
        rejected_case{"line_of_300", repeated(300, '0') + "\n", 300, "", ""}),
    case_name{});

} // namespace
} // namespace tolvane::testing
