#include "platform.hpp"

#include <sys/stat.h>

namespace tolvane::platform {

int start(int argc, char* argv[], driver run)
{
    return run(std::vector<std::string>(argv, argv + argc));
}

std::FILE* open_dump(const std::string& path)
{
    std::FILE* dump = std::fopen(path.c_str(), "rb");
    if (dump == nullptr)
        return nullptr;
    // A folder opens here but cannot be read; refuse it at once.
    struct stat status {};
    if (fstat(fileno(dump), &status) == 0 && S_ISDIR(status.st_mode)) {
        std::fclose(dump);
        return nullptr;
    }
    return dump;
}

std::FILE* create_output(const std::string& path)
{
    return std::fopen(path.c_str(), "wb");
}

bool is_same_file(const std::string& path, std::FILE* stream)
{
    // Only a regular file holds anything to lose; a device such as /dev/null
    // may well take both outputs.
    struct stat named {};
    struct stat open {};
    return stat(path.c_str(), &named) == 0 && S_ISREG(named.st_mode)
        && fstat(fileno(stream), &open) == 0 && named.st_dev == open.st_dev
        && named.st_ino == open.st_ino;
}

} // namespace tolvane::platform
