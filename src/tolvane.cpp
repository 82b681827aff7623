// Tolvane: converts a MARS memory dump into NAME.mem and NAME.coe beside it.
#include "convert/convert.hpp"
#include "platform.hpp"

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// The process exit status of each outcome, beside its console message.
enum class exit_status : int {
    done = 0,              // "Done."
    invalid_arguments = 1, // "Invalid arguments!" and the usage text
    dump_not_opened = 2,   // "Failed to open \"%s\"!" with the dump's path
    mem_not_created = 3,   // "Failed to open \"%s\"!" with the memory file's name
    coe_not_created = 4,   // "Failed to open \"%s\"!" with the coefficient file's name
    bad_line = 5,          // "Error in file! %d" with the line's width
    dump_not_read = 6,     // "Failed to read \"%s\"!" with the dump's path
    output_not_written = 7 // "Failed to write \"%s\"!" with the output's name
};

constexpr const char* open_failed = "Failed to open \"%s\"!\n";
constexpr const char* read_failed = "Failed to read \"%s\"!\n";
constexpr const char* write_failed = "Failed to write \"%s\"!\n";

constexpr const char* usage_text =
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
    "    The converted coe file is always compatible regardless of mode selected.";

// After a failure the console window stays open until a key is pressed, so
// that a user who dropped the dump onto the program can read the message.
int fail(exit_status status)
{
    std::fflush(stdout);
    std::getchar();
    return static_cast<int>(status);
}

int fail_on(exit_status status, const char* message, const std::string& name)
{
    std::printf(message, name.c_str());
    return fail(status);
}

// Creates an output, unless its name leads to one of the files already open:
// emptying it would destroy the dump or the other output.
std::FILE* create_output(const std::string& name, std::initializer_list<std::FILE*> open_files)
{
    for (std::FILE* open : open_files) {
        if (tolvane::platform::is_same_file(name, open))
            return nullptr;
    }
    return tolvane::platform::create_output(name);
}

int report(const tolvane::conversion& conversion, const std::string& dump_path,
           const std::string& mem_name, const std::string& coe_name)
{
    switch (conversion.result) {
    case tolvane::outcome::done:
        std::puts("Done.");
        return static_cast<int>(exit_status::done);
    case tolvane::outcome::bad_line:
        std::printf("Error in file! %lld", static_cast<long long>(conversion.width));
        return fail(exit_status::bad_line);
    case tolvane::outcome::read_failed:
        return fail_on(exit_status::dump_not_read, read_failed, dump_path);
    case tolvane::outcome::mem_write_failed:
        return fail_on(exit_status::output_not_written, write_failed, mem_name);
    case tolvane::outcome::coe_write_failed:
        return fail_on(exit_status::output_not_written, write_failed, coe_name);
    }
    // Not reached: every outcome is handled above. Were one added without a
    // message, the run must still not pass for a success.
    return fail_on(exit_status::output_not_written, write_failed, mem_name);
}

int run(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 2) {
        std::puts("Invalid arguments!");
        std::puts(usage_text);
        return fail(exit_status::invalid_arguments);
    }
    const std::string& dump_path = arguments[1];
    std::FILE* dump = tolvane::platform::open_dump(dump_path);
    if (dump == nullptr)
        return fail_on(exit_status::dump_not_opened, open_failed, dump_path);

    const std::string mem_name = dump_path + ".mem";
    std::FILE* mem = create_output(mem_name, {dump});
    if (mem == nullptr) {
        std::fclose(dump);
        return fail_on(exit_status::mem_not_created, open_failed, mem_name);
    }

    const std::string coe_name = dump_path + ".coe";
    std::FILE* coe = create_output(coe_name, {dump, mem});
    if (coe == nullptr) {
        std::fclose(dump);
        std::fclose(mem);
        return fail_on(exit_status::coe_not_created, open_failed, coe_name);
    }

    return report(tolvane::convert_dump(dump, mem, coe), dump_path, mem_name, coe_name);
}

} // namespace

int main(int argc, char* argv[])
{
    return tolvane::platform::start(argc, argv, run);
}
