// Feeds arbitrary bytes through the whole conversion and checks the outcome,
// the width and both outputs against a model written here from the format
// alone: lines end at LF, a CR just before the LF belongs to the line end, a
// last line without LF counts in full, and only widths 8 and 32 are words.
#include "convert/convert.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

struct expectation {
    tolvane::outcome result = tolvane::outcome::done;
    std::int64_t width = 0;
    std::string mem;
    std::string coe;
};

expectation model(const std::string& dump)
{
    expectation expected;
    bool started = false;
    std::size_t at = 0;
    while (at < dump.size()) {
        const std::size_t lf = dump.find('\n', at);
        std::string line = dump.substr(at, lf == std::string::npos ? std::string::npos : lf - at);
        if (lf != std::string::npos && !line.empty() && line.back() == '\r')
            line.pop_back();
        at = lf == std::string::npos ? dump.size() : lf + 1;

        if (line.size() != 8 && line.size() != 32) {
            expected.result = tolvane::outcome::bad_line;
            expected.width = static_cast<std::int64_t>(line.size());
            return expected;
        }
        const std::size_t lane = line.size() / 4;
        for (std::size_t k = 4; k-- > 0;)
            expected.mem += line.substr(k * lane, lane) + " ";
        expected.mem += "\n";
        if (!started)
            expected.coe += std::string{"memory_initialization_radix="} + (lane == 8 ? "2" : "16")
                + ";\nmemory_initialization_vector=\n";
        else
            expected.coe += ",\n";
        expected.coe += line;
        started = true;
    }
    expected.coe += ";";
    return expected;
}

// An output in memory that stays readable after the conversion closed it.
struct memory_output {
    int kept = -1;
    std::FILE* stream = nullptr;

    memory_output()
    {
        const int fd = memfd_create("output", 0);
        kept = dup(fd);
        stream = fdopen(fd, "wb");
        if (fd < 0 || kept < 0 || stream == nullptr)
            std::abort();
    }

    std::string contents() const
    {
        std::string bytes;
        char chunk[4096];
        ssize_t got = 0;
        for (off_t at = 0; (got = pread(kept, chunk, sizeof chunk, at)) > 0; at += got)
            bytes.append(chunk, static_cast<std::size_t>(got));
        close(kept);
        return bytes;
    }
};

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "conversion differs from the model: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string dump(reinterpret_cast<const char*>(data), size);
    const expectation expected = model(dump);

    std::FILE* in = fmemopen(dump.data(), size, "r");
    memory_output mem;
    memory_output coe;

    const tolvane::conversion result = tolvane::convert_dump(in, mem.stream, coe.stream);

    check(result.result == expected.result, "outcome");
    check(result.width == expected.width, "width");
    check(mem.contents() == expected.mem, "memory file");
    check(coe.contents() == expected.coe, "coefficient file");
    return 0;
}
