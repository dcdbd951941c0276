// The stand-in Orvicap.exe as the installer and the updater meet it: its
// resources, its start record, and the update hand-off through the real
// VLUpdater.exe.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "program_resource_checks.h"
#include "program_resources.h"
#include "start_records.h"
#include "test_files.h"
#include "test_processes.h"

namespace {

constexpr wchar_t kWindowClass[] = L"OrvicapStandInWindow";
constexpr int kHandOffButtonId = 101;

std::wstring BuiltFile(const std::wstring& name)
{
    return ModuleDirectory() + L"\\" + name;
}

// Sets a variable for this process and the programs it starts, for one test.
struct ScopedEnvironment {
    std::wstring name;
    bool existed = false;
    std::wstring previous;

    ScopedEnvironment(const std::wstring& variable, const std::wstring& value) : name(variable)
    {
        DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
        existed = size > 0;
        previous.resize(size);
        previous.resize(GetEnvironmentVariableW(name.c_str(), previous.data(), size));
        SetEnvironmentVariableW(name.c_str(), value.c_str());
    }
    ~ScopedEnvironment() { SetEnvironmentVariableW(name.c_str(), existed ? previous.c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
};

bool StartInDirectory(const std::wstring& commandLine, const std::wstring& directory, StartedProcess& started)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring writable = commandLine;
    if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &startup,
                        &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    started.process = info.hProcess;
    started.pid = info.dwProcessId;
    return true;
}

DWORD ExitCodeOf(const StartedProcess& process)
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.process, &code);
    return code;
}

struct WindowSearch {
    DWORD pid = 0;  // 0: any process
    HWND found = nullptr;
};

BOOL CALLBACK NoteStandInWindow(HWND window, LPARAM search)
{
    auto* wanted = reinterpret_cast<WindowSearch*>(search);
    wchar_t className[64] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (GetClassNameW(window, className, 64) > 0 && std::wstring(className) == kWindowClass &&
        (wanted->pid == 0 || wanted->pid == pid) && IsWindowVisible(window)) {
        wanted->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForStandInWindow(DWORD pid, DWORD timeoutMs)
{
    DWORD begin = GetTickCount();
    WindowSearch search{pid, nullptr};
    for (;;) {
        EnumWindows(NoteStandInWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr || GetTickCount() - begin > timeoutMs) {
            return search.found;
        }
        Sleep(50);
    }
}

bool StartsWithFolder(const std::wstring& path, const std::wstring& folder)
{
    return path.size() > folder.size() && path[folder.size()] == L'\\' &&
           CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                                static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

// Ends every process whose program lies below folder: whatever a failed test
// left running (the updater, a restarted window) must not outlive it.
void EndProcessesBelow(const std::wstring& folder)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                                     entry.th32ProcessID);
        if (process == nullptr) {
            continue;
        }
        wchar_t image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameW(process, 0, image, &size) && StartsWithFolder(CanonicalPath(image), folder)) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
}

bool FolderIsEmpty(const std::wstring& folder)
{
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool empty = true;
    do {
        std::wstring name = found.cFileName;
        empty = empty && (name == L"." || name == L"..");
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return empty;
}

TEST(StandInProgram, CarriesVersionBlockProductIconAndManifest)
{
    std::wstring program = BuiltFile(L"Orvicap.exe");
    ExpectVersionBlockAndManifest(program, {L"080404b0",
                                            0x04B0,
                                            {{L"CompanyName", L"维洛电子商务有限公司"},
                                             {L"ProductName", L"维洛录屏"},
                                             {L"FileVersion", L"1.0.0.0"},
                                             {L"ProductVersion", L"1.0.0.0"},
                                             {L"OriginalFilename", L"Orvicap.exe"}},
                                            "asInvoker",
                                            true});

    // GRPICONDIR (6 bytes) and one 14-byte entry: 64x64, 1 plane, 32 bits per pixel.
    std::string group = ResourceBytes(program, RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_EQ(group.size(), 20u);
    EXPECT_EQ(group.substr(0, 6), std::string("\0\0\1\0\1\0", 6));
    EXPECT_EQ(static_cast<unsigned char>(group[6]), 64u);
    EXPECT_EQ(static_cast<unsigned char>(group[7]), 64u);
    EXPECT_EQ(group.substr(10, 4), std::string("\1\0\x20\0", 4));

    EXPECT_EQ(ProgramSubsystem(program), IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

// The uninstaller loads the PNG form; both files must be icons Windows reads.
TEST(StandInProgram, IconFilesLoadAsWindowsIconsOfTheirSize)
{
    const std::pair<const wchar_t*, int> icons[] = {{L"app.ico", 64}, {L"app32.ico", 32}};
    for (const auto& [name, size] : icons) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        HICON icon = static_cast<HICON>(
            LoadImageW(nullptr, BuiltFile(name).c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTCOLOR));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP color{};
        EXPECT_NE(GetObjectW(info.hbmColor, sizeof(color), &color), 0);
        EXPECT_EQ(color.bmWidth, size);
        EXPECT_EQ(color.bmHeight, size);
        EXPECT_EQ(color.bmBitsPixel, 32);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST(StandInProgram, RecordsEveryStartWithCommandLineAndDirectoryThenExitsWhenAsked)
{
    ScopedTempDir temp;
    std::wstring directory = temp / L"录制 目录";
    ASSERT_TRUE(CreateDirectories(directory));
    std::wstring record = temp / L"record.txt";
    ScopedEnvironment recordVariable(L"ORVICAP_STANDIN_RECORD", record);
    std::wstring program = L"\"" + BuiltFile(L"Orvicap.exe") + L"\"";
    const std::wstring commandLines[] = {
        program + L" --exit-after-record",
        program + L" \"第二次 启动\" --exit-after-record --other",
    };
    for (const std::wstring& commandLine : commandLines) {
        StartedProcess standIn;
        ASSERT_TRUE(StartInDirectory(commandLine, directory, standIn));
        ASSERT_TRUE(standIn.WaitForExit(10000)) << "--exit-after-record must end the program";
        EXPECT_EQ(ExitCodeOf(standIn), 0u);
    }
    std::vector<StartRecord> records = ReadStartRecords(record);
    ASSERT_EQ(records.size(), 2u) << WideToUtf8ForTest(Utf8ToWideForTest(ReadFileBytes(record)));
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].commandLine, commandLines[i]);
        EXPECT_EQ(CanonicalPath(records[i].directory), CanonicalPath(directory));
    }
}

// An install tree <root>\bin\64bit holding the stand-in and the real updater,
// with the record and the temporary folder of the programs it starts inside
// the test's own folder.
struct StandInHandOffTest : testing::Test {
    ScopedTempDir temp;
    std::wstring root = temp / L"安装 Orvicap";
    std::wstring programDir = root + L"\\bin\\64bit";
    std::wstring record = temp / L"record.txt";
    std::wstring tempFolder = temp / L"tmp";
    ScopedEnvironment recordVariable{L"ORVICAP_STANDIN_RECORD", record};
    ScopedEnvironment tmpVariable{L"TMP", tempFolder};
    ScopedEnvironment tempVariable{L"TEMP", tempFolder};

    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectories(tempFolder));
        InstallPrograms(programDir);
    }

    void TearDown() override { EndProcessesBelow(CanonicalPath(temp.path)); }

    static void InstallPrograms(const std::wstring& folder)
    {
        ASSERT_TRUE(CreateDirectories(folder));
        for (const wchar_t* name : {L"Orvicap.exe", L"VLUpdater.exe"}) {
            ASSERT_TRUE(CopyFileW(BuiltFile(name).c_str(), (folder + L"\\" + name).c_str(), FALSE));
        }
    }

    // The first start handed off; the updater copies, clears the staging tree
    // and starts the program again from its folder, where closing its window
    // ends it.
    void ExpectUpdatedAndRestarted(const std::wstring& firstCommandLine)
    {
        std::wstring updated = programDir + L"\\standin-update.txt";
        ASSERT_TRUE(WaitForFile(updated, 20000)) << "the staged file never reached the install tree";
        std::vector<StartRecord> starts = WaitForStartRecords(record, 2, 20000);
        ASSERT_EQ(starts.size(), 2u) << "the updater did not start the program again";
        EXPECT_EQ(starts[0].commandLine, firstCommandLine);
        const std::wstring& restart = starts[1].commandLine;
        ASSERT_TRUE(restart.size() > 2 && restart.front() == L'"' && restart.back() == L'"')
            << WideToUtf8ForTest(restart);
        EXPECT_EQ(CanonicalPath(restart.substr(1, restart.size() - 2)), CanonicalPath(programDir + L"\\Orvicap.exe"));
        EXPECT_EQ(CanonicalPath(starts[1].directory), CanonicalPath(programDir));
        EXPECT_EQ(ReadFileBytes(updated).rfind("Orvicap stand-in update\r\nstaged ", 0), 0u);
        EXPECT_TRUE(FolderIsEmpty(tempFolder)) << "the staging tree was left behind";

        HWND window = WaitForStandInWindow(0, 10000);
        ASSERT_NE(window, nullptr) << "the restarted program shows no window";
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        HANDLE restarted = OpenProcess(SYNCHRONIZE, FALSE, pid);
        ASSERT_NE(restarted, nullptr);
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(restarted, 10000), WAIT_OBJECT_0) << "closing the window must end the program";
        CloseHandle(restarted);
    }
};

TEST_F(StandInHandOffTest, SwitchStartsUpdaterThatUpdatesTheTreeAndRestartsTheProgram)
{
    std::wstring commandLine = L"\"" + programDir + L"\\Orvicap.exe\" --hand-off";
    StartedProcess standIn;
    ASSERT_TRUE(StartInDirectory(commandLine, temp.path, standIn));
    ASSERT_TRUE(standIn.WaitForExit(10000)) << "the program must exit at once: the updater waits for it";
    EXPECT_EQ(ExitCodeOf(standIn), 0u);
    ExpectUpdatedAndRestarted(commandLine);
}

TEST_F(StandInHandOffTest, ButtonHandsOffTheSameWayAndClosesTheWindow)
{
    std::wstring commandLine = L"\"" + programDir + L"\\Orvicap.exe\"";
    StartedProcess standIn;
    ASSERT_TRUE(StartInDirectory(commandLine, temp.path, standIn));
    HWND window = WaitForStandInWindow(standIn.pid, 10000);
    ASSERT_NE(window, nullptr);
    HWND button = GetDlgItem(window, kHandOffButtonId);
    ASSERT_NE(button, nullptr);
    PostMessageW(button, BM_CLICK, 0, 0);
    ASSERT_TRUE(standIn.WaitForExit(10000)) << "the program must exit at once: the updater waits for it";
    EXPECT_EQ(ExitCodeOf(standIn), 0u);
    ExpectUpdatedAndRestarted(commandLine);
}

// Run from anywhere but <root>\bin\64bit, the updater would lay the update
// over whatever folder lies two levels up: here <temp>\elsewhere.
TEST_F(StandInHandOffTest, HandOffOutsideAnInstallTreeIsRefusedBeforeStagingAnything)
{
    std::wstring loose = temp / L"elsewhere\\tools\\Orvicap";
    InstallPrograms(loose);
    ProcessCounter counter;
    ASSERT_TRUE(counter.assigned);
    const DWORD before = counter.Total();
    StartedProcess standIn;
    ASSERT_TRUE(StartInDirectory(L"\"" + loose + L"\\Orvicap.exe\" --hand-off", temp.path, standIn));
    ASSERT_TRUE(standIn.WaitForExit(10000));
    EXPECT_EQ(ExitCodeOf(standIn), 2u);
    EXPECT_TRUE(FolderIsEmpty(tempFolder)) << "a staging tree was created";
    // A program started before the stand-in ended has joined the job by now.
    EXPECT_EQ(counter.Total() - before, 1u) << "the stand-in started a program: no updater may run";
    EXPECT_EQ(ReadStartRecords(record).size(), 1u);
}

}  // namespace
