// Runs the taskkill stand-in by its full path through cmd.exe, the way the programs under test run
// taskkill. By path, because under Wine the bare name "taskkill" reaches the built-in one unless the
// prefix has the stand-in installed with a DLL override, while a native exe outside system32 is run
// as it is. The sleeping processes are copies of this test program under unique image names.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kProcessLimitMs = 10000;
constexpr DWORD kPollMs = 20;
const wchar_t kSleepArgument[] = L"--sleep-forever";
const wchar_t kSleepWithChildArgument[] = L"--sleep-with-child";
const wchar_t kRunArgument[] = L"--run";

// Ends and releases every process a test started, whichever way the test leaves.
struct ProcessGuard {
    std::vector<HANDLE> processes;
    ~ProcessGuard() {
        for (HANDLE process : processes) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, kProcessLimitMs);
            CloseHandle(process);
        }
    }
};

// A fresh folder for copies of programs, so their image names match nothing else running.
struct ScratchFolder {
    std::wstring path;
    std::wstring unique;
    std::vector<std::wstring> files;
    ~ScratchFolder() {
        // Files of a process that has just ended can stay locked for a moment.
        for (DWORD waited = 0; !path.empty() && waited < kProcessLimitMs; waited += kPollMs) {
            for (const std::wstring& file : files) DeleteFileW(file.c_str());
            if (RemoveDirectoryW(path.c_str())) return;
            Sleep(kPollMs);
        }
    }
};

std::wstring ThisExe() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

std::wstring FileNameOf(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

std::wstring StandInPath() {
    std::wstring self = ThisExe();
    return self.substr(0, self.find_last_of(L'\\') + 1) + L"taskkill.exe";
}

std::wstring System32() {
    wchar_t path[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    return std::wstring(path, length);
}

std::wstring Upper(std::wstring text) {
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::wstring Quote(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

bool MakeScratchFolder(ScratchFolder& folder) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder.unique = std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount64());
    std::wstring path = std::wstring(temp) + L"taskkill_test_" + folder.unique;
    if (!CreateDirectoryW(path.c_str(), nullptr)) return false;
    folder.path = path;
    return true;
}

std::wstring AddCopy(ScratchFolder& folder, const std::wstring& source, const std::wstring& stem) {
    std::wstring copy = folder.path + L"\\" + stem + L"_" + folder.unique + L".exe";
    if (!CopyFileW(source.c_str(), copy.c_str(), TRUE)) return {};
    folder.files.push_back(copy);
    return copy;
}

HANDLE Start(const std::wstring& commandLine, const wchar_t* directory = nullptr) {
    std::wstring buffer = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, directory, &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
}

// The exit code of a command, or -1 when it did not start or finish in time.
long long RunToEnd(const std::wstring& commandLine, const wchar_t* directory = nullptr) {
    ProcessGuard guard;
    HANDLE process = Start(commandLine, directory);
    if (process == nullptr) return -1;
    guard.processes.push_back(process);
    if (WaitForSingleObject(process, kProcessLimitMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return code;
}

DWORD FindChildOf(DWORD parentId) {
    for (DWORD waited = 0; waited < kProcessLimitMs; waited += kPollMs) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        DWORD found = 0;
        if (snapshot != INVALID_HANDLE_VALUE) {
            PROCESSENTRY32W entry{};
            entry.dwSize = sizeof(entry);
            for (BOOL more = Process32FirstW(snapshot, &entry); more && found == 0;
                 more = Process32NextW(snapshot, &entry))
                if (entry.th32ParentProcessID == parentId) found = entry.th32ProcessID;
            CloseHandle(snapshot);
        }
        if (found != 0) return found;
        Sleep(kPollMs);
    }
    return 0;
}

// cmd.exe keeps the quotes of a quoted program path only when the whole /c text is quoted once more.
std::wstring CmdLine(const std::wstring& program, const std::wstring& arguments) {
    return Quote(System32() + L"\\cmd.exe") + L" /c \"" + Quote(program) + L" " + arguments + L"\"";
}

TEST(Taskkill, EndsTheMatchedProcessAndItsDescendantsOnly) {
    ScratchFolder folder;
    ASSERT_TRUE(MakeScratchFolder(folder));
    std::wstring parentImage = AddCopy(folder, ThisExe(), L"tk_parent");
    std::wstring childImage = AddCopy(folder, ThisExe(), L"tk_child");
    ASSERT_FALSE(parentImage.empty() || childImage.empty());
    ProcessGuard guard;
    HANDLE parent = Start(Quote(parentImage) + L" " + kSleepWithChildArgument + L" " + Quote(childImage));
    HANDLE bystander = Start(Quote(childImage) + L" " + kSleepArgument);
    ASSERT_NE(parent, nullptr);
    guard.processes.push_back(parent);
    ASSERT_NE(bystander, nullptr);
    guard.processes.push_back(bystander);
    HANDLE child = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, FindChildOf(GetProcessId(parent)));
    ASSERT_NE(child, nullptr);
    guard.processes.push_back(child);

    long long code = RunToEnd(CmdLine(StandInPath(), L"/F /T /IM " + Upper(FileNameOf(parentImage)) + L" >nul 2>nul"),
                              System32().c_str());

    EXPECT_EQ(code, 0);
    EXPECT_EQ(WaitForSingleObject(parent, kProcessLimitMs), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(child, kProcessLimitMs), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(bystander, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

struct ExitCase {
    std::wstring arguments;
    long long exitCode;
};

TEST(Taskkill, ExitCodeTellsNoMatchFromBadUsage) {
    ScratchFolder folder;
    ASSERT_TRUE(MakeScratchFolder(folder));
    std::wstring standIn = AddCopy(folder, StandInPath(), L"tk_self");
    // The caller is a copy of its own, for the case that names the caller's
    // image: other test processes of this program may be running beside it.
    std::wstring caller = AddCopy(folder, ThisExe(), L"tk_caller");
    ASSERT_FALSE(standIn.empty() || caller.empty());
    const ExitCase cases[] = {
        {L"/F /T /IM no_such_image_" + folder.unique + L".exe", 128},
        {L"-f -t -im " + FileNameOf(standIn), 128},
        {L"/F /T", 1},
        {L"/F /IM", 1},
        {L"/F /X /IM no_such_image_" + folder.unique + L".exe", 1},
    };
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "arguments " << c.arguments);
        EXPECT_EQ(RunToEnd(Quote(standIn) + L" " + c.arguments), c.exitCode);
    }
    // The process that started the stand-in is never among the matches.
    EXPECT_EQ(RunToEnd(Quote(caller) + L" " + kRunArgument + L" " + Quote(standIn) + L" /F /IM " + FileNameOf(caller)),
              128);
}

[[noreturn]] void SleepForever() {
    for (;;) Sleep(1000);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && std::wstring(argv[1]) == kSleepArgument) SleepForever();
    if (argc >= 3 && std::wstring(argv[1]) == kSleepWithChildArgument) {
        HANDLE child = Start(Quote(argv[2]) + L" " + kSleepArgument);
        if (child != nullptr) CloseHandle(child);
        SleepForever();
    }
    if (argc >= 4 && std::wstring(argv[1]) == kRunArgument) {
        std::wstring arguments;
        for (int i = 3; i < argc; ++i) arguments += L" " + std::wstring(argv[i]);
        return static_cast<int>(RunToEnd(Quote(argv[2]) + arguments));
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
