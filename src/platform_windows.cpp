#include "platform.hpp"

#include <io.h>
#include <windows.h>
#include <shellapi.h>

// Arguments are taken as typed or dropped, never expanded as wildcards.
extern "C" {
int _dowildcard = 0;
}

namespace tolvane::platform {

namespace {

std::wstring widen(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// A name for the file functions. Paths longer than the classic limit of 260
// characters open only in their extended form, which takes a full path.
std::wstring file_name(const std::string& path)
{
    std::wstring wide = widen(path);
    if (wide.size() < MAX_PATH - 12)
        return wide;
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return wide;
    std::wstring full(size, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), size, full.data(), nullptr));
    if (full.rfind(L"\\\\?\\", 0) == 0)
        return full;
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::string narrow(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string utf8(static_cast<std::size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

} // namespace

// The narrow arguments of main are in the ANSI code page, which cannot spell
// most names; the wide command line can, so the arguments are taken from it.
int start(int, char*[], driver run)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; wide != nullptr && i < count; ++i)
        arguments.push_back(narrow(wide[i]));
    LocalFree(wide);

    // Messages quote paths in UTF-8; the console shows them as such while the
    // program runs, and gets its own code page back afterwards.
    const UINT console_code_page = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    const int status = run(arguments);
    std::fflush(stdout);
    if (console_code_page != 0)
        SetConsoleOutputCP(console_code_page);
    return status;
}

std::FILE* open_dump(const std::string& path)
{
    return _wfopen(file_name(path).c_str(), L"rb");
}

std::FILE* create_output(const std::string& path)
{
    return _wfopen(file_name(path).c_str(), L"wb");
}

bool is_same_file(const std::string& path, std::FILE* stream)
{
    HANDLE named = CreateFileW(file_name(path).c_str(), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named == INVALID_HANDLE_VALUE)
        return false;
    auto open = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    BY_HANDLE_FILE_INFORMATION a {};
    BY_HANDLE_FILE_INFORMATION b {};
    const bool same = GetFileInformationByHandle(named, &a) && GetFileInformationByHandle(open, &b)
        && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber
        && a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(named);
    return same;
}

} // namespace tolvane::platform
