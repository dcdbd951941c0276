// Program driven by process_driver_test. It runs its command-line actions in order:
//   --ods TEXT            OutputDebugStringW(TEXT), with the two characters "\n" turned into a newline
//   --ods-ansi TEXT       OutputDebugStringA of TEXT in the ANSI code page
//   --print-cwd           OutputDebugStringW of the current directory
//   --box TYPE CAPTION TEXT   MessageBoxW with TYPE (hex); the pressed id becomes the exit code
//   --spawn-child-ods TEXT    runs a copy of itself with "--ods TEXT" and waits for it
//   --sleep MS | --sleep-forever
//   --exit CODE           exits at once with CODE
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr DWORD kChildWaitMs = 10000;

std::wstring Unescape(const std::wstring& text) {
    std::wstring result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'n') {
            result += L'\n';
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

void OutputAnsi(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), size, nullptr, nullptr);
    OutputDebugStringA(narrow.c_str());
}

void OutputCurrentDirectory() {
    wchar_t directory[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, directory);
    OutputDebugStringW(directory);
}

bool SpawnChildOutput(const std::wstring& text) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --ods \"" + text + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    bool ended = WaitForSingleObject(info.hProcess, kChildWaitMs) == WAIT_OBJECT_0;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ended;
}

void SleepForever() {
    for (;;) Sleep(1000);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int exitCode = 0;
    for (int i = 1; i < argc; ++i) {
        std::wstring action = argv[i];
        bool hasOne = i + 1 < argc;
        if (action == L"--ods" && hasOne) {
            OutputDebugStringW(Unescape(argv[++i]).c_str());
        } else if (action == L"--ods-ansi" && hasOne) {
            OutputAnsi(argv[++i]);
        } else if (action == L"--print-cwd") {
            OutputCurrentDirectory();
        } else if (action == L"--box" && i + 3 < argc) {
            UINT type = static_cast<UINT>(wcstoul(argv[i + 1], nullptr, 16));
            exitCode = MessageBoxW(nullptr, argv[i + 3], argv[i + 2], type);
            i += 3;
        } else if (action == L"--spawn-child-ods" && hasOne) {
            if (!SpawnChildOutput(argv[++i])) return 90;
        } else if (action == L"--sleep" && hasOne) {
            Sleep(static_cast<DWORD>(wcstoul(argv[++i], nullptr, 10)));
        } else if (action == L"--sleep-forever") {
            SleepForever();
        } else if (action == L"--exit" && hasOne) {
            return static_cast<int>(wcstoul(argv[++i], nullptr, 0));
        } else {
            return 99;
        }
    }
    return exitCode;
}
