// Writes a dump of random words, the same for the same arguments:
//   generate hex|bin WORDS FILE
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

int main(int argc, char* argv[])
{
    if (argc != 4 || (std::strcmp(argv[1], "hex") != 0 && std::strcmp(argv[1], "bin") != 0)) {
        std::fputs("usage: generate hex|bin WORDS FILE\n", stderr);
        return 1;
    }
    const bool binary = std::strcmp(argv[1], "bin") == 0;
    const long words = std::atol(argv[2]);
    std::FILE* out = std::fopen(argv[3], "wb");
    if (out == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    std::mt19937 random{20261211};
    const char* digits = "0123456789abcdef";
    std::string line;
    for (long i = 0; i < words; ++i) {
        const std::uint32_t word = random();
        line.clear();
        if (binary) {
            for (int bit = 31; bit >= 0; --bit)
                line += static_cast<char>('0' + ((word >> bit) & 1));
        } else {
            for (int nibble = 7; nibble >= 0; --nibble)
                line += digits[(word >> (4 * nibble)) & 15];
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
