// Runs the built program as a user would, in a folder of the test's choosing,
// and collects what it printed and its exit status.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tolvane::testing {

struct program_run {
    int status = -1;
    std::string output;           // standard output
    std::string errors;           // standard error
    bool waited_for_key = false;  // still running, after its message, until a key came
    long peak_memory_kib = 0;     // the program's peak resident memory
};

// Runs tolvane with these arguments in folder, standard input closed at once.
program_run run_tolvane(const std::vector<std::string>& arguments,
                        const std::filesystem::path& folder);

// Runs tolvane with standard input held open and, once it has printed all of
// `output`, tells whether it waits for a key (still runs two seconds later)
// before it is given one.
program_run run_tolvane_watching_for_key_wait(const std::vector<std::string>& arguments,
                                              const std::filesystem::path& folder,
                                              const std::string& output);

} // namespace tolvane::testing
