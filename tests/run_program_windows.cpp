#include "run_program.hpp"
#include "support.hpp"

#include <chrono>
#include <stdexcept>
#include <thread>

#include <windows.h>
#include <psapi.h>

namespace tolvane::testing {

namespace {

std::wstring widen(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// Quotes one argument so that the program's command-line parser gives it back
// unchanged: backslashes are doubled only before a quote.
std::wstring quoted(const std::wstring& argument)
{
    std::wstring result = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        result.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        result += c;
    }
    result.append(2 * backslashes, L'\\');
    return result + L"\"";
}

HANDLE inheritable_file(const fs::path& path)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE file = CreateFileW(path.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error{"cannot create a capture file"};
    return file;
}

program_run run(const std::vector<std::string>& arguments, const fs::path& folder,
                bool watch_for_key_wait, const std::string& last_output)
{
    // Output goes to files beside, never into, the folder under test.
    scratch_folder capture;
    HANDLE out = inheritable_file(capture / "out");
    HANDLE err = inheritable_file(capture / "err");
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE in_read = nullptr;
    HANDLE in_write = nullptr;
    if (!CreatePipe(&in_read, &in_write, &inherit, 0))
        throw std::runtime_error{"cannot create a pipe"};
    SetHandleInformation(in_write, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in_read;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::wstring command = quoted(fs::path{TOLVANE_PROGRAM}.make_preferred().wstring());
    for (const std::string& argument : arguments)
        command += L" " + quoted(widen(argument));
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        folder.wstring().c_str(), &startup, &process))
        throw std::runtime_error{"cannot start the program"};
    CloseHandle(process.hThread);
    CloseHandle(in_read);
    CloseHandle(out);
    CloseHandle(err);

    program_run result;
    if (watch_for_key_wait) {
        for (int tick = 0; tick < 2000; ++tick) {
            if (read_file(capture / "out").find(last_output) != std::string::npos)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // Everything is printed; a program that does not wait ends at once.
        result.waited_for_key = WaitForSingleObject(process.hProcess, 2000) == WAIT_TIMEOUT;
        DWORD written = 0;
        if (result.waited_for_key && !WriteFile(in_write, "\r\n", 2, &written, nullptr))
            throw std::runtime_error{"cannot give the program a key"};
    }
    CloseHandle(in_write);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    PROCESS_MEMORY_COUNTERS memory{};
    if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
        result.peak_memory_kib = static_cast<long>(memory.PeakWorkingSetSize / 1024);
    CloseHandle(process.hProcess);
    result.status = static_cast<int>(status);
    result.output = read_file(capture / "out");
    result.errors = read_file(capture / "err");
    return result;
}

} // namespace

program_run run_tolvane(const std::vector<std::string>& arguments, const fs::path& folder)
{
    return run(arguments, folder, false, {});
}

program_run run_tolvane_watching_for_key_wait(const std::vector<std::string>& arguments,
                                              const fs::path& folder, const std::string& output)
{
    return run(arguments, folder, true, output);
}

} // namespace tolvane::testing
