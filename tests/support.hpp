// Helpers shared by the tests: scratch folders and whole-file reads and writes.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <string>

namespace tolvane::testing {

namespace fs = std::filesystem;

// A fresh folder of its own, removed with everything in it at the end.
class scratch_folder {
public:
    explicit scratch_folder(const fs::path& parent = fs::temp_directory_path())
    {
        std::random_device seed;
        std::mt19937_64 random{(std::uint64_t{seed()} << 32) ^ seed()};
        for (;;) {
            path_ = parent / ("tolvane-test-" + std::to_string(random()));
            if (fs::create_directory(path_))
                break;
        }
    }
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;
    ~scratch_folder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }

    const fs::path& path() const { return path_; }
    fs::path operator/(const fs::path& name) const { return path_ / name; }

private:
    fs::path path_;
};

inline std::string read_file(const fs::path& path)
{
    std::ifstream in{path, std::ios::binary};
    return {std::istreambuf_iterator<char>{in}, std::istreambuf_iterator<char>{}};
}

inline void write_file(const fs::path& path, const std::string& bytes)
{
    std::ofstream out{path, std::ios::binary};
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Names each row of a table of cases by its `name`.
struct case_name {
    template <class Row>
    std::string operator()(const Row& row) const
    {
        return row.param.name;
    }
};

// Prints a row of a table of cases by its `name` in test listings; a test file
// brings it into its own namespace with a using-declaration.
template <class Row>
auto operator<<(std::ostream& out, const Row& row) -> decltype(row.name, out)
{
    return out << row.name;
}

// The real dumps MARS wrote, in tests/data/mars, with their expected outputs
// in tests/data/mars/expected.
inline const char* const mars_dump_names[] = {
    "three_words.hex.txt", "three_words.bin.txt", "fib.text.hex.txt",
    "fib.text.hex.crlf.txt", "fib.text.bin.txt", "fib.data.hex.txt",
};

// A test name made of a file name.
inline std::string test_name_of(std::string file)
{
    for (char& c : file)
        c = c == '.' ? '_' : c;
    return file;
}

// Names a test of a dump file after the file.
struct dump_test_name {
    template <class Row>
    std::string operator()(const Row& row) const
    {
        return test_name_of(row.param);
    }
};

// The coefficient file headers, with LF line ends like every expected
// output in the tests.
inline const std::string hex_header =
    "memory_initialization_radix=16;\nmemory_initialization_vector=\n";
inline const std::string bin_header =
    "memory_initialization_radix=2;\nmemory_initialization_vector=\n";

// Text with every LF turned into CR LF.
inline std::string with_crlf(const std::string& text)
{
    std::string crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return crlf;
}

// Text with LF line ends as this platform's text files have it.
inline std::string native_text(const std::string& text)
{
#ifdef _WIN32
    return with_crlf(text);
#else
    return text;
#endif
}

} // namespace tolvane::testing
