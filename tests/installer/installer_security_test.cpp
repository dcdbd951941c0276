#include "installer_program_fixture.h"

#include <functional>
#include <vector>

#include "install_location.h"
#include "installer_constants.h"
#include "native_dll_override.h"
#include "test_processes.h"

namespace {

constexpr POINT kInstallPoint = {240, 190};
constexpr POINT kCheckboxPoint = {36, 258};
constexpr ULONGLONG kStepPauseMs = 700;
constexpr DWORD kSelfDeletionMs = 15000;

const wchar_t* const kPlantedPrograms[] = {L"cmd.exe", L"taskkill.exe", L"ping.exe"};
// No version.dll is planted: Wine's own user32.dll imports version.dll and
// Wine prefers a native one beside the program, so under Wine any windowed
// program in that folder loads a planted version.dll while the loader starts
// it, before a line of its code runs.  Windows' user32 has no such import.
// That the installer neither imports version.dll nor loads it from anywhere
// but System32 is checked through its import table instead
// (installer.ProgramImportsOnlyDllsWindowsLoadsFromSystem32).
const wchar_t* const kPlantedLibraries[] = {L"gdiplus.dll"};

// A download folder holding the installer and, beside it, a cmd.exe,
// taskkill.exe and ping.exe (copies of probe_app: each run leaves
// started.txt) and a gdiplus.dll that leaves "gdiplus.dll.loaded" when
// loaded.
struct PlantedFolderTest : InstallerProgramTest {
    std::wstring folder;

    void SetUp() override
    {
        InstallerProgramTest::SetUp();
        folder = temp / L"Downloads";
        ASSERT_TRUE(CreateDirectories(folder));
        for (const wchar_t* program : kPlantedPrograms) {
            ASSERT_TRUE(CopyFileW((ModuleDirectory() + L"\\probe_app.exe").c_str(), (folder + L"\\" + program).c_str(), FALSE));
        }
        for (const wchar_t* library : kPlantedLibraries) {
            ASSERT_TRUE(CopyFileW((ModuleDirectory() + L"\\planted_library.dll").c_str(),
                                  (folder + L"\\" + library).c_str(), FALSE));
        }
    }

    std::vector<std::wstring> Marks() const
    {
        std::vector<std::wstring> marks;
        if (FileExists(folder + L"\\started.txt")) {
            marks.push_back(L"started.txt: " + Utf8ToWideForTest(ReadFileBytes(folder + L"\\started.txt")));
        }
        for (const wchar_t* library : kPlantedLibraries) {
            if (FileExists(folder + L"\\" + library + L".loaded")) {
                marks.push_back(std::wstring(library) + L" was loaded");
            }
        }
        return marks;
    }

    void ClearMarks() const
    {
        DeleteFileW((folder + L"\\started.txt").c_str());
        for (const wchar_t* library : kPlantedLibraries) {
            DeleteFileW((folder + L"\\" + library + L".loaded").c_str());
        }
    }

    ProcessRunResult RunInFolder(const std::wstring& program, const std::wstring& arguments)
    {
        ProcessRunOptions options = Options(arguments, program);
        options.currentDirectory = folder;
        return RunProcess(options);
    }
};

struct ControlCase {
    const char* what;
    std::wstring arguments;
    std::wstring mark;  // the text the mark must contain
};

// Without this the test below could not fail: done the unprotected way, each
// planted file does leave its mark here.
TEST_F(PlantedFolderTest, PlantedFilesLeaveTheirMarkWhenTheSearchOrderReachesThem)
{
    ScopedNativeDll nativeGdiplus(L"search_order_probe.exe", L"gdiplus");
    const std::wstring probe = folder + L"\\search_order_probe.exe";
    ASSERT_TRUE(CopyFileW((ModuleDirectory() + L"\\search_order_probe.exe").c_str(), probe.c_str(), FALSE));
    const ControlCase cases[] = {
        {"gdiplus.dll from the program's folder", L"--load gdiplus.dll", L"gdiplus.dll was loaded"},
        {"cmd.exe found by the search order", L"--start \"cmd.exe /c exit\"", L"/c exit"},
        {"taskkill found in cmd's current directory", L"--system-cmd \"/c taskkill /IM none.exe\"", L"taskkill"},
        {"ping found in cmd's current directory", L"--system-cmd \"/c ping 127.0.0.1 -n 1\"", L"ping"},
    };
    for (const ControlCase& row : cases) {
        SCOPED_TRACE(row.what);
        ClearMarks();
        const ProcessRunResult run = RunInFolder(probe, row.arguments);
        ASSERT_TRUE(run.exited);
        const std::vector<std::wstring> marks = Marks();
        ASSERT_FALSE(marks.empty()) << "no mark; the probe ended with " << run.exitCode;
        EXPECT_NE(marks.front().find(row.mark), std::wstring::npos) << testing::PrintToString(marks.front());
    }
}

std::function<void(DWORD)> TickAndInstall(size_t& done)
{
    auto last = std::make_shared<ULONGLONG>(0);
    return [&done, last](DWORD processId) {
        HWND window = FindInstallerWindow(processId);
        const ULONGLONG now = GetTickCount64();
        if (window == nullptr || done >= 2 || now - *last < kStepPauseMs) {
            *last = *last == 0 ? now : *last;
            return;
        }
        ClickAt(window, done == 0 ? kCheckboxPoint : kInstallPoint);
        ++done;
        *last = GetTickCount64();
    };
}

// The installer runs from the planted folder, also as its current
// directory: it installs (GDI+, taskkill through cmd) and then
// uninstalls itself (taskkill, then ping and del through cmd) without any
// planted file running or loading.
TEST_F(PlantedFolderTest, InstallerRunFromThePlantedFolderLeavesNoMark)
{
    ScopedNativeDll nativeGdiplus(L"VLInstaller.exe", L"gdiplus");
    const std::wstring installer = folder + L"\\VLInstaller.exe";
    ASSERT_TRUE(CopyFileW(InstallerProgram().c_str(), installer.c_str(), FALSE));

    size_t done = 0;
    ProcessRunOptions install = Options(L"", installer);
    install.currentDirectory = folder;
    install.whileRunning = TickAndInstall(done);
    const ProcessRunResult installed = RunProcess(install);
    ASSERT_TRUE(installed.exited);
    EXPECT_EQ(installed.exitCode, 0u);
    ASSERT_EQ(done, 2u);
    ASSERT_EQ(installed.boxes.size(), 1u);
    EXPECT_EQ(installed.boxes[0].text, kInstallCompleteMessage);
    ASSERT_TRUE(FileExists(MainProgramPath(defaultInstallDir)));
    EndProcessesNamed(kMainProgramName);
    EXPECT_TRUE(Marks().empty()) << "installing: " << testing::PrintToString(Marks());
    ClearMarks();

    ProcessRunOptions uninstall = Options(L"/uninstall", installer);
    uninstall.currentDirectory = folder;
    uninstall.answerBox = [](const SeenMessageBox& box) { return box.text == kUninstallCompleteMessage ? IDOK : IDYES; };
    const ProcessRunResult uninstalled = RunProcess(uninstall);
    ASSERT_TRUE(uninstalled.exited);
    EXPECT_EQ(uninstalled.exitCode, 0u);
    ASSERT_EQ(uninstalled.boxes.size(), 2u);
    EXPECT_FALSE(DirectoryExists(defaultInstallDir));

    // The self-deletion ran through System32's cmd and ping.
    const ULONGLONG deadline = GetTickCount64() + kSelfDeletionMs;
    while (FileExists(installer) && GetTickCount64() < deadline) {
        Sleep(100);
    }
    EXPECT_FALSE(FileExists(installer)) << "the self-deletion did not run";
    EXPECT_TRUE(Marks().empty()) << "uninstalling: " << testing::PrintToString(Marks());
}

}  // namespace
