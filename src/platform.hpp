// The little that differs between Windows and the POSIX systems: how the
// arguments arrive and how files are named and opened. Inside the program
// every path is a UTF-8 string.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tolvane::platform {

using driver = int (*)(const std::vector<std::string>& arguments);

// Runs the driver on the command line, the program's own name first.
int start(int argc, char* argv[], driver run);

// Opens the dump for reading, as raw bytes; nullptr when it cannot be opened
// or is not a file that can be read, such as a folder.
std::FILE* open_dump(const std::string& path);

// Creates, or empties, an output file for writing raw bytes.
std::FILE* create_output(const std::string& path);

// Whether path names the very regular file that stream has open, through a
// link or otherwise.
bool is_same_file(const std::string& path, std::FILE* stream);

} // namespace tolvane::platform
