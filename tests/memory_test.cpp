// The program converts in constant memory, whatever the length of the dump.
#include "run_program.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

TEST(memory, is_the_same_for_ten_words_and_ten_million)
{
    // Kept in memory where the system has such a folder: the outputs of ten
    // million words take a third of a gigabyte.
    const fs::path parent = fs::is_directory("/dev/shm") ? fs::path{"/dev/shm"} : fs::temp_directory_path();
    scratch_folder folder{parent};
    std::string block;
    for (int i = 0; i < 10; ++i)
        block += "2008000a\n";
    write_file(folder / "small.txt", block);
    {
        std::ofstream big{folder / "big.txt", std::ios::binary};
        for (int i = 0; i < 1000000; ++i)
            big << block;
    }

    const program_run small = run_tolvane({"small.txt"}, folder.path());
    const program_run big = run_tolvane({"big.txt"}, folder.path());

    EXPECT_EQ(small.status, 0);
    EXPECT_EQ(big.status, 0);
    EXPECT_EQ(fs::file_size(folder / "big.txt.mem"), 10000000u * native_text("0a 00 08 20 \n").size());
    // The buffers are fixed; only how much of them a small dump touches differs.
    EXPECT_LE(big.peak_memory_kib, small.peak_memory_kib + 1024)
        << "small dump " << small.peak_memory_kib << " KiB, big dump " << big.peak_memory_kib << " KiB";
}

} // namespace
} // namespace tolvane::testing
