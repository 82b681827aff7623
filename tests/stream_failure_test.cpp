// Read and write errors in the middle of a run, from streams that fail on
// purpose: the dump breaks after some bytes, an output refuses bytes beyond a
// limit or fails to close.
#include "convert/convert.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#ifdef __GLIBC__
#include <sys/types.h>

namespace tolvane::testing {
namespace {

using tolvane::testing::operator<<;

// A dump that yields `bytes` and then a read error.
struct breaking_dump {
    std::string bytes;
    std::size_t offset = 0;
};

ssize_t read_then_break(void* cookie, char* to, std::size_t size)
{
    auto& dump = *static_cast<breaking_dump*>(cookie);
    if (dump.offset == dump.bytes.size())
        return -1;
    const std::size_t count = std::min(size, dump.bytes.size() - dump.offset);
    std::memcpy(to, dump.bytes.data() + dump.offset, count);
    dump.offset += count;
    return static_cast<ssize_t>(count);
}

// An output that takes at most `limit` bytes and may fail to close.
struct failing_output {
    std::size_t limit = static_cast<std::size_t>(-1);
    bool close_fails = false;
    std::string written;
};

ssize_t write_up_to_limit(void* cookie, const char* from, std::size_t size)
{
    auto& out = *static_cast<failing_output*>(cookie);
    if (out.written.size() + size > out.limit)
        return -1;
    out.written.append(from, size);
    return static_cast<ssize_t>(size);
}

int close_output_stream(void* cookie)
{
    return static_cast<failing_output*>(cookie)->close_fails ? -1 : 0;
}

std::FILE* open_breaking_dump(breaking_dump& dump)
{
    return fopencookie(&dump, "r", {read_then_break, nullptr, nullptr, nullptr});
}

std::FILE* open_failing_output(failing_output& out)
{
    return fopencookie(&out, "w", {nullptr, write_up_to_limit, nullptr, close_output_stream});
}

std::string hex_lines(int count)
{
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += "2008000a\n";
    return lines;
}

TEST(read_errors, stop_the_run_and_keep_the_lines_before)
{
    breaking_dump dump{"2008000a\n2009fffb\n0109"};
    failing_output mem;
    failing_output coe;
    const conversion result =
        convert_dump(open_breaking_dump(dump), open_failing_output(mem), open_failing_output(coe));
    EXPECT_EQ(result.result, outcome::read_failed);
    EXPECT_EQ(mem.written, "0a 00 08 20 \nfb ff 09 20 \n");
    EXPECT_EQ(coe.written, hex_header + "2008000a,\n2009fffb");
}

TEST(read_errors, at_the_first_byte_leave_both_outputs_empty)
{
    breaking_dump dump;
    failing_output mem;
    failing_output coe;
    EXPECT_EQ(convert_dump(open_breaking_dump(dump), open_failing_output(mem),
                           open_failing_output(coe)).result,
              outcome::read_failed);
    EXPECT_EQ(mem.written, "");
    EXPECT_EQ(coe.written, "");
}

struct write_failure_case {
    const char* name;
    int lines;
    failing_output mem;
    failing_output coe;
    outcome expected;
};

class write_errors : public ::testing::TestWithParam<write_failure_case> {};

TEST_P(write_errors, are_never_done)
{
    write_failure_case row = GetParam();
    breaking_dump dump{hex_lines(row.lines)};
    // The dump ends in a read error, which must not be reached once a write
    // has failed in the middle; for short dumps it is replaced by a clean end.
    std::FILE* in = row.lines > 50000 ? open_breaking_dump(dump)
                                      : fmemopen(dump.bytes.data(), dump.bytes.size(), "r");
    EXPECT_EQ(convert_dump(in, open_failing_output(row.mem), open_failing_output(row.coe)).result,
              row.expected);
}

constexpr std::size_t unlimited = static_cast<std::size_t>(-1);

INSTANTIATE_TEST_SUITE_P(
    converter, write_errors,
    ::testing::Values(
        write_failure_case{"mem_header", 3, {0, false, {}}, {}, outcome::mem_write_failed},
        write_failure_case{"coe_header", 3, {}, {0, false, {}}, outcome::coe_write_failed},
        write_failure_case{"mem_middle", 100000, {300000, false, {}}, {},
                           outcome::mem_write_failed},
        write_failure_case{"coe_middle", 100000, {}, {300000, false, {}},
                           outcome::coe_write_failed},
        write_failure_case{"mem_close", 3, {unlimited, true, {}}, {}, outcome::mem_write_failed},
        write_failure_case{"coe_close", 3, {}, {unlimited, true, {}}, outcome::coe_write_failed},
        write_failure_case{"both_name_the_memory_file", 3, {0, false, {}}, {0, false, {}},
                           outcome::mem_write_failed},
        write_failure_case{"empty_dump_coe", 0, {}, {0, false, {}}, outcome::coe_write_failed}),
    case_name{});

} // namespace
} // namespace tolvane::testing

#endif
