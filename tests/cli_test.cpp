// The built program, run on real dumps and real failures in a scratch folder.
#include "run_program.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace tolvane::testing {
namespace {

using tolvane::testing::operator<<;

const fs::path data_folder = TOLVANE_TEST_DATA;

const std::string usage_message =
    "Invalid arguments!\n"
    "Tolvane <RAW_FILENAME>\n"
    "    Convert MARS dump file to Vivado $readmemb & $readmemh & IP Core coefficient (COE) "
    "compatible format.\n"
    "\n"
    "Usage: \n"
    "    You can also simply drag dump file to this program, this works in common OSes.\n"
    "    The converted file will be saved as <RAW_FILENAME>.mem and <RAW_FILENAME>.coe, "
    "overwriting if file exists.\n"
    "    For example, code.txt will be converted to code.txt.mem and code.txt.coe.\n"
    "    \n"
    "    When dumping machine code in MARS, choose Binary Text or Hexadecimal Text mode.\n"
    "    The program will decide which mode you're using.\n"
    "    For Binary Text mode, the converted file is compatible to $readmemb function.\n"
    "    For Hexadecimal Text mode, the converted file is compatible to $readmemh function.\n"
    "    The converted coe file is always compatible regardless of mode selected.\n";

const std::string three_words = "2008000a\n2009fffb\n01095020\n";

// --- Real MARS dumps ------------------------------------------------------

class mars_dumps : public ::testing::TestWithParam<const char*> {};

TEST_P(mars_dumps, convert_to_the_expected_files)
{
    const std::string name = GetParam();
    scratch_folder folder;
    fs::copy_file(data_folder / "mars" / name, folder / name);
    // Outputs left by an earlier run are overwritten, not appended to.
    write_file(folder / (name + ".mem"), std::string(20000, 'x'));
    write_file(folder / (name + ".coe"), std::string(20000, 'x'));

    const program_run run = run_tolvane({name}, folder.path());

    EXPECT_EQ(run.output, native_text("Done.\n"));
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(run.status, 0);
    const fs::path expected = data_folder / "mars" / "expected" / name;
    EXPECT_EQ(read_file(folder / (name + ".mem")), native_text(read_file(expected.string() + ".mem")));
    EXPECT_EQ(read_file(folder / (name + ".coe")), native_text(read_file(expected.string() + ".coe")));
    EXPECT_EQ(read_file(folder / name), read_file(data_folder / "mars" / name));
}

INSTANTIATE_TEST_SUITE_P(golden, mars_dumps, ::testing::ValuesIn(mars_dump_names), dump_test_name{});

TEST(paths, absolute_and_long_paths_put_the_outputs_beside_the_dump)
{
    scratch_folder folder;
    fs::path deep = folder.path();
    for (int level = 0; level < 6; ++level)
        deep /= std::string(60, static_cast<char>('a' + level)) + " dir";
    fs::create_directories(deep);
    const fs::path dump = deep / "code.txt";
    ASSERT_GT(dump.string().size(), 300u);
    write_file(dump, three_words);

    const program_run run = run_tolvane({dump.string()}, folder.path());

    EXPECT_EQ(run.output, native_text("Done.\n"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(read_file(deep / "code.txt.mem"),
              native_text("0a 00 08 20 \nfb ff 09 20 \n20 50 09 01 \n"));
    EXPECT_EQ(read_file(deep / "code.txt.coe"),
              native_text(hex_header + "2008000a,\n2009fffb,\n01095020;"));
}

TEST(paths, with_spaces_and_letters_beyond_ascii_work_as_dropped)
{
    scratch_folder folder;
    const fs::path place = folder.path() / fs::u8path(u8"\u00dcbung") / fs::u8path(u8"\u5b9e\u9a8c");
    fs::create_directories(place);
    const fs::path dump = place / fs::u8path(u8"prog \u00e4.txt");
    write_file(dump, three_words);

    const program_run run = run_tolvane({dump.u8string()}, folder.path());

    EXPECT_EQ(run.output, native_text("Done.\n"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(read_file(place / fs::u8path(u8"prog \u00e4.txt.mem")),
              native_text("0a 00 08 20 \nfb ff 09 20 \n20 50 09 01 \n"));
    EXPECT_EQ(read_file(place / fs::u8path(u8"prog \u00e4.txt.coe")),
              native_text(hex_header + "2008000a,\n2009fffb,\n01095020;"));

    // A path that names no file is quoted back as it was given.
    const std::string missing = (place / fs::u8path(u8"\u00fcbrig.txt")).u8string();
    const program_run failed = run_tolvane({missing}, folder.path());
    EXPECT_EQ(failed.output, native_text("Failed to open \"" + missing + "\"!\n"));
    EXPECT_EQ(failed.status, 2);
}

// --- Every outcome --------------------------------------------------------

struct outcome_case {
    const char* name;
    std::function<void(const fs::path&)> prepare; // lays out the scratch folder
    std::vector<std::string> arguments;
    int status;
    std::string output; // LF line ends
    // What the folder must hold afterwards: a file's content (for the outputs
    // with LF line ends), or nullopt where no file may exist.
    std::vector<std::pair<std::string, std::optional<std::string>>> files;
};

void dump_of(const fs::path& folder, const std::string& text)
{
    write_file(folder / "code.txt", text);
}

std::function<void(const fs::path&)> with_dump(std::string text)
{
    return [text](const fs::path& folder) { dump_of(folder, text); };
}

// A second name for a file in the folder: a hard link, which every platform
// the program runs on can make.
std::function<void(const fs::path&)> with_dump_and_link(std::string text, std::string link,
                                                        std::string target)
{
    return [=](const fs::path& folder) {
        dump_of(folder, text);
        fs::create_hard_link(folder / target, folder / link);
    };
}

std::function<void(const fs::path&)> with_dump_and_folder(std::string text, std::string name)
{
    return [=](const fs::path& folder) {
        dump_of(folder, text);
        fs::create_directory(folder / name);
    };
}

const std::nullopt_t absent = std::nullopt;

class outcomes : public ::testing::TestWithParam<outcome_case> {};

TEST_P(outcomes, have_their_status_message_and_files)
{
    const outcome_case& row = GetParam();
    scratch_folder folder;
    row.prepare(folder.path());

    const program_run run = run_tolvane(row.arguments, folder.path());

    EXPECT_EQ(run.status, row.status);
    EXPECT_EQ(run.output, native_text(row.output));
    EXPECT_EQ(run.errors, "");
    for (const auto& [name, content] : row.files) {
        const std::string ending = name.substr(name.size() - std::min<std::size_t>(4, name.size()));
        const bool output = ending == ".mem" || ending == ".coe";
        if (!content)
            EXPECT_FALSE(fs::exists(fs::symlink_status(folder / name))) << name;
        else
            EXPECT_EQ(read_file(folder / name), output ? native_text(*content) : *content) << name;
    }
}

auto nothing = [](const fs::path&) {};

INSTANTIATE_TEST_SUITE_P(
    driver, outcomes,
    ::testing::Values(
        outcome_case{"done", with_dump(three_words), {"code.txt"}, 0, "Done.\n",
                     {{"code.txt.mem", "0a 00 08 20 \nfb ff 09 20 \n20 50 09 01 \n"},
                      {"code.txt.coe", hex_header + "2008000a,\n2009fffb,\n01095020;"}}},
        outcome_case{"empty_dump", with_dump(""), {"code.txt"}, 0, "Done.\n",
                     {{"code.txt.mem", ""}, {"code.txt.coe", ";"}}},
        outcome_case{"no_argument", nothing, {}, 1, usage_message, {}},
        outcome_case{"two_arguments", with_dump(three_words), {"code.txt", "code.txt"}, 1,
                     usage_message, {{"code.txt.mem", absent}, {"code.txt.coe", absent}}},
        outcome_case{"missing_dump", nothing, {"nowhere/code.txt"}, 2,
                     "Failed to open \"nowhere/code.txt\"!\n", {}},
        outcome_case{"wildcard_is_taken_literally", with_dump(three_words), {"*.txt"}, 2,
                     "Failed to open \"*.txt\"!\n",
                     {{"code.txt.mem", absent}, {"code.txt.coe", absent}}},
        outcome_case{"dump_is_a_folder",
                     [](const fs::path& folder) { fs::create_directory(folder / "code.txt"); },
                     {"code.txt"}, 2, "Failed to open \"code.txt\"!\n",
                     {{"code.txt.mem", absent}, {"code.txt.coe", absent}}},
        outcome_case{"mem_is_a_folder", with_dump_and_folder(three_words, "code.txt.mem"),
                     {"code.txt"}, 3, "Failed to open \"code.txt.mem\"!\n",
                     {{"code.txt.coe", absent}}},
        outcome_case{"mem_is_the_dump", with_dump_and_link(three_words, "code.txt.mem", "code.txt"),
                     {"code.txt"}, 3, "Failed to open \"code.txt.mem\"!\n",
                     {{"code.txt", three_words}, {"code.txt.coe", absent}}},
        outcome_case{"coe_is_a_folder", with_dump_and_folder(three_words, "code.txt.coe"),
                     {"code.txt"}, 4, "Failed to open \"code.txt.coe\"!\n",
                     {{"code.txt.mem", ""}}},
        outcome_case{"coe_is_the_dump", with_dump_and_link(three_words, "code.txt.coe", "code.txt"),
                     {"code.txt"}, 4, "Failed to open \"code.txt.coe\"!\n",
                     {{"code.txt", three_words}, {"code.txt.mem", ""}}},
        outcome_case{"third_line_too_wide", with_dump("2008000a\n2009fffb\n01095020 \n"),
                     {"code.txt"}, 5, "Error in file! 9",
                     {{"code.txt.mem", "0a 00 08 20 \nfb ff 09 20 \n"},
                      {"code.txt.coe", hex_header + "2008000a,\n2009fffb"}}},
        outcome_case{"one_line_end", with_dump("\n"), {"code.txt"}, 5, "Error in file! 0",
                     {{"code.txt.mem", ""}, {"code.txt.coe", ""}}},
        outcome_case{"long_line", with_dump(std::string(300, 'f') + "\n"), {"code.txt"}, 5,
                     "Error in file! 300", {{"code.txt.mem", ""}, {"code.txt.coe", ""}}}),
    case_name{});

#ifndef _WIN32
// Failures that need what only POSIX systems offer: symbolic links, a file that
// cannot be read and a disk that is always full.
std::function<void(const fs::path&)> with_dump_and_symlink(std::string text, std::string link,
                                                           fs::path target)
{
    return [=](const fs::path& folder) {
        dump_of(folder, text);
        fs::create_symlink(target, folder / link);
    };
}

INSTANTIATE_TEST_SUITE_P(
    posix, outcomes,
    ::testing::Values(
        outcome_case{"dump_is_a_link_loop",
                     [](const fs::path& folder) { fs::create_symlink("code.txt", folder / "code.txt"); },
                     {"code.txt"}, 2, "Failed to open \"code.txt\"!\n",
                     {{"code.txt.mem", absent}, {"code.txt.coe", absent}}},
        outcome_case{"mem_links_to_the_dump",
                     with_dump_and_symlink(three_words, "code.txt.mem", "code.txt"), {"code.txt"}, 3,
                     "Failed to open \"code.txt.mem\"!\n",
                     {{"code.txt", three_words}, {"code.txt.coe", absent}}},
        outcome_case{"coe_links_to_the_dump",
                     with_dump_and_symlink(three_words, "code.txt.coe", "code.txt"), {"code.txt"}, 4,
                     "Failed to open \"code.txt.coe\"!\n",
                     {{"code.txt", three_words}, {"code.txt.mem", ""}}},
        outcome_case{"coe_links_to_the_mem",
                     with_dump_and_symlink(three_words, "code.txt.coe", "code.txt.mem"), {"code.txt"},
                     4, "Failed to open \"code.txt.coe\"!\n", {{"code.txt.mem", ""}}},
        outcome_case{"dump_read_fails", with_dump_and_symlink("", "bad.txt", "/proc/self/mem"),
                     {"bad.txt"}, 6, "Failed to read \"bad.txt\"!\n",
                     {{"bad.txt.mem", ""}, {"bad.txt.coe", ""}}},
        outcome_case{"mem_on_a_full_disk",
                     with_dump_and_symlink(three_words, "code.txt.mem", "/dev/full"), {"code.txt"}, 7,
                     "Failed to write \"code.txt.mem\"!\n", {}},
        outcome_case{"coe_on_a_full_disk",
                     with_dump_and_symlink(three_words, "code.txt.coe", "/dev/full"), {"code.txt"}, 7,
                     "Failed to write \"code.txt.coe\"!\n",
                     {{"code.txt.mem", "0a 00 08 20 \nfb ff 09 20 \n20 50 09 01 \n"}}},
        outcome_case{"both_on_a_full_disk",
                     [](const fs::path& folder) {
                         dump_of(folder, three_words);
                         fs::create_symlink("/dev/full", folder / "code.txt.mem");
                         fs::create_symlink("/dev/full", folder / "code.txt.coe");
                     },
                     {"code.txt"}, 7, "Failed to write \"code.txt.mem\"!\n", {}}),
    case_name{});
#endif

// --- The key wait ---------------------------------------------------------

TEST(key_wait, follows_every_failure)
{
    scratch_folder folder;
    dump_of(folder.path(), "2008000a\n\n");
    const program_run bad_line =
        run_tolvane_watching_for_key_wait({"code.txt"}, folder.path(), "Error in file! 0");
    EXPECT_TRUE(bad_line.waited_for_key);
    EXPECT_EQ(bad_line.status, 5);

    const program_run missing =
        run_tolvane_watching_for_key_wait({"nowhere.txt"}, folder.path(), "!\n");
    EXPECT_TRUE(missing.waited_for_key);
    EXPECT_EQ(missing.status, 2);
}

TEST(key_wait, never_follows_success)
{
    scratch_folder folder;
    dump_of(folder.path(), three_words);
    const program_run run =
        run_tolvane_watching_for_key_wait({"code.txt"}, folder.path(), native_text("Done.\n"));
    EXPECT_FALSE(run.waited_for_key);
    EXPECT_EQ(run.status, 0);
}

} // namespace
} // namespace tolvane::testing
