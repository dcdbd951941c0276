// A stand-in program for process-level tests.
//   (no arguments)        writes started.txt beside itself: its command line
//                         and its current directory, one per line (UTF-8)
//   --sleep MS            sleeps, then exits 0
//   --hold FILE MS        opens FILE with no sharing, creates FILE.held once it
//                         holds it, sleeps, then exits 0
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "test_files.h"

static std::vector<std::wstring> Arguments()
{
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments(argv, argv + count);
    LocalFree(argv);
    return arguments;
}

static int RecordStart()
{
    wchar_t directory[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, directory);
    std::wstring record = std::wstring(GetCommandLineW()) + L"\n" + directory + L"\n";
    // Written aside and renamed, so that a test that sees the file reads it whole.
    const std::wstring path = ModuleDirectory() + L"\\started.txt";
    const std::wstring partial = path + L".partial";
    const bool recorded = WriteFileBytes(partial, WideToUtf8ForTest(record)) &&
                          MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    return recorded ? 0 : 1;
}

static int HoldFile(const std::wstring& path, DWORD milliseconds)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 2;
    }
    WriteFileBytes(path + L".held", "held");
    Sleep(milliseconds);
    CloseHandle(file);
    return 0;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    std::vector<std::wstring> arguments = Arguments();
    if (arguments.size() == 3 && arguments[1] == L"--sleep") {
        Sleep(static_cast<DWORD>(_wtol(arguments[2].c_str())));
        return 0;
    }
    if (arguments.size() == 4 && arguments[1] == L"--hold") {
        return HoldFile(arguments[2], static_cast<DWORD>(_wtol(arguments[3].c_str())));
    }
    return RecordStart();
}
