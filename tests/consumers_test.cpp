// What the programs that consume the outputs make of them: Verilog simulators
// load the memory file, a strict reader reads the coefficient file, and both
// must give back exactly the words of the dump.
#include "coe_reader.hpp"
#include "run_program.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace tolvane::testing {
namespace {

using tolvane::testing::operator<<;

const fs::path data_folder = TOLVANE_TEST_DATA;

// --- The coefficient file reader itself -----------------------------------

struct coe_case {
    const char* name;
    std::string text;
    std::optional<std::vector<std::uint32_t>> words; // nullopt: rejected
};

class coe_reader : public ::testing::TestWithParam<coe_case> {};

TEST_P(coe_reader, accepts_what_a_core_accepts)
{
    coe_parser parser{GetParam().text};
    const auto contents = parser.parse();
    ASSERT_EQ(contents.has_value(), GetParam().words.has_value()) << parser.error();
    if (contents) {
        EXPECT_EQ(contents->words, *GetParam().words);
    }
}

INSTANTIATE_TEST_SUITE_P(
    strict, coe_reader,
    ::testing::Values(
        coe_case{"our_layout", "memory_initialization_radix=16;\nmemory_initialization_vector=\n"
                               "2008000a,\n2009fffb;", std::vector<std::uint32_t>{0x2008000a, 0x2009fffb}},
        coe_case{"case_blanks_and_comments",
                 "; a comment\nMEMORY_INITIALIZATION_RADIX = 2 ; binary\r\n"
                 "Memory_Initialization_Vector = 101 11\t0, ; trailing comment 5",
                 std::vector<std::uint32_t>{5, 3, 0}},
        coe_case{"missing_semicolon", "memory_initialization_radix=16;\nmemory_initialization_vector=\n1,2",
                 std::nullopt},
        coe_case{"digit_outside_radix", "memory_initialization_radix=2;\nmemory_initialization_vector=\n102;",
                 std::nullopt},
        coe_case{"hex_digit_under_radix_10", "memory_initialization_radix=10;\nmemory_initialization_vector=a;",
                 std::nullopt},
        coe_case{"value_after_the_vector", "memory_initialization_radix=16;\nmemory_initialization_vector=\n1;\n2",
                 std::nullopt},
        coe_case{"wider_than_a_word", "memory_initialization_radix=16;\nmemory_initialization_vector=1ffffffff;",
                 std::nullopt},
        coe_case{"no_header", ";", std::nullopt}),
    case_name{});

// --- Real dumps through the consumers --------------------------------------

// The words of a dump, each line read by its own width.
std::vector<std::uint32_t> words_of_dump(const std::string& dump)
{
    std::vector<std::uint32_t> words;
    std::istringstream lines{dump};
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        words.push_back(static_cast<std::uint32_t>(std::stoul(line, nullptr, line.size() == 32 ? 2 : 16)));
    }
    return words;
}

std::string hex_lines(const std::vector<std::uint32_t>& words)
{
    std::string lines;
    char text[16];
    for (std::uint32_t word : words) {
        std::snprintf(text, sizeof text, "%08x\n", static_cast<unsigned>(word));
        lines += text;
    }
    return lines;
}

bool have_command(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Converts one real dump in a scratch folder, named dump.txt there. With
// `windows_line_ends` the outputs are then given the CR LF line ends that the
// Windows program writes, which its own tests check byte for byte.
struct converted_dump {
    scratch_folder folder;
    std::vector<std::uint32_t> words;
    bool binary = false;

    converted_dump(const std::string& name, bool windows_line_ends)
    {
        const std::string dump = read_file(data_folder / "mars" / name);
        words = words_of_dump(dump);
        binary = dump.find('\n') >= 32;
        write_file(folder / "dump.txt", dump);
        const program_run run = run_tolvane({"dump.txt"}, folder.path());
        EXPECT_EQ(run.status, 0) << run.output;
        if (windows_line_ends) {
            for (const char* output : {"dump.txt.mem", "dump.txt.coe"})
                write_file(folder / output, with_crlf(read_file(folder / output)));
        }
    }
};

// Loads dump.txt.mem into a byte-wide memory of exactly the dump's size and
// prints every word, rebuilt least significant byte first.
std::string testbench(std::size_t words, bool binary)
{
    std::ostringstream bench;
    bench << "module tb;\n"
          << "  reg [7:0] mem [0:" << 4 * words - 1 << "];\n"
          << "  integer i;\n"
          << "  initial begin\n"
          << "    " << (binary ? "$readmemb" : "$readmemh") << "(\"dump.txt.mem\", mem);\n"
          << "    for (i = 0; i < " << words << "; i = i + 1)\n"
          << "      $display(\"%h\", {mem[4*i+3], mem[4*i+2], mem[4*i+1], mem[4*i]});\n"
          << "    $finish;\n"
          << "  end\n"
          << "endmodule\n";
    return bench.str();
}

// The words a simulator printed, and every line that was not a word.
std::pair<std::string, std::string> split_words(const std::string& output)
{
    std::string words;
    std::string other;
    std::istringstream lines{output};
    for (std::string line; std::getline(lines, line);) {
        const bool word = line.size() == 8 && line.find_first_not_of("0123456789abcdef") == std::string::npos;
        (word ? words : other) += line + "\n";
    }
    return {words, other};
}

struct simulator {
    const char* name;
    const char* needs;
    const char* commands; // run in the scratch folder, all output to sim.log
};

const simulator simulators[] = {
    {"icarus", "iverilog", "iverilog -g2005 -o tb.vvp tb.v && vvp -n tb.vvp"},
    {"verilator", "verilator",
     "verilator --binary -j 2 -Mdir obj tb.v && obj/Vtb"},
};

// A real dump, and whether its outputs have the line ends of the Windows program.
class mars_dump_consumers : public ::testing::TestWithParam<std::tuple<const char*, bool>> {
protected:
    converted_dump convert() const
    {
        return {std::get<0>(GetParam()), std::get<1>(GetParam())};
    }
};

TEST_P(mars_dump_consumers, read_the_coefficient_file_back_into_the_dump)
{
    const converted_dump converted = convert();
    const std::string coe = read_file(converted.folder / "dump.txt.coe");
    coe_parser parser{coe};
    const auto contents = parser.parse();
    ASSERT_TRUE(contents.has_value()) << parser.error();
    EXPECT_EQ(contents->radix, converted.binary ? 2 : 16);
    EXPECT_EQ(contents->words, converted.words);
}

TEST_P(mars_dump_consumers, load_the_memory_file_in_simulators)
{
    const converted_dump converted = convert();
    write_file(converted.folder / "tb.v", testbench(converted.words.size(), converted.binary));
    for (const simulator& sim : simulators) {
        SCOPED_TRACE(sim.name);
        if (!have_command(sim.needs)) {
            GTEST_SKIP() << sim.needs << " is not installed";
        }
        const std::string command = "cd '" + converted.folder.path().string() + "' && ("
            + sim.commands + ") >sim.log 2>&1";
        const int status = std::system(command.c_str());
        const auto [words, other] = split_words(read_file(converted.folder / "sim.log"));
        ASSERT_EQ(status, 0) << other;
        EXPECT_EQ(words, hex_lines(converted.words));
        EXPECT_EQ(other.find("arning"), std::string::npos) << other;
        EXPECT_EQ(other.find("ARNING"), std::string::npos) << other;
    }
}

INSTANTIATE_TEST_SUITE_P(golden, mars_dump_consumers,
                         ::testing::Combine(::testing::ValuesIn(mars_dump_names), ::testing::Bool()),
                         [](const auto& row) {
                             return test_name_of(std::get<0>(row.param))
                                 + (std::get<1>(row.param) ? "_windows" : "");
                         });

} // namespace
} // namespace tolvane::testing
