// The security tests' control: a program that, placed in a folder of planted
// files, does what an unprotected program would do, to show that each
// planted file leaves its mark when the system's search order reaches it.
//   --load NAME         LoadLibraryW(NAME) with the default search order
//   --start COMMAND     CreateProcessW without an application name
//   --system-cmd ARGS   System32's cmd.exe with ARGS, in the current directory
#include <windows.h>

#include <string>

namespace {

constexpr DWORD kWaitMs = 10000;

int Start(const wchar_t* application, std::wstring commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        return 2;
    }
    WaitForSingleObject(process.hProcess, kWaitMs);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        return 1;
    }
    const std::wstring option = argv[1];
    if (option == L"--load") {
        return LoadLibraryW(argv[2]) != nullptr ? 0 : 3;
    }
    if (option == L"--start") {
        return Start(nullptr, argv[2]);
    }
    if (option == L"--system-cmd") {
        wchar_t cmd[MAX_PATH] = {};
        GetSystemDirectoryW(cmd, MAX_PATH);
        lstrcatW(cmd, L"\\cmd.exe");
        return Start(cmd, std::wstring(L"cmd.exe ") + argv[2]);
    }
    return 1;
}
