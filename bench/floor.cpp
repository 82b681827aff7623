// The least any conversion must do: read the dump once, and write as many
// bytes as the two outputs hold, all in 1 MiB blocks.
//   floor DUMP MEM_BYTES COE_BYTES
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool write_bytes(const std::string& name, long long count, const std::vector<char>& block)
{
    std::FILE* out = std::fopen(name.c_str(), "wb");
    if (out == nullptr)
        return false;
    for (long long left = count; left > 0;) {
        const auto size = static_cast<std::size_t>(std::min<long long>(left, block.size()));
        std::fwrite(block.data(), 1, size, out);
        left -= static_cast<long long>(size);
    }
    return std::fclose(out) == 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fputs("usage: floor DUMP MEM_BYTES COE_BYTES\n", stderr);
        return 1;
    }
    std::vector<char> block(std::size_t{1} << 20, ' ');
    std::FILE* in = std::fopen(argv[1], "rb");
    if (in == nullptr)
        return 1;
    while (std::fread(block.data(), 1, block.size(), in) == block.size()) {
    }
    std::fclose(in);
    const std::string dump = argv[1];
    return write_bytes(dump + ".floor.mem", std::atoll(argv[2]), block)
            && write_bytes(dump + ".floor.coe", std::atoll(argv[3]), block)
        ? 0
        : 1;
}
