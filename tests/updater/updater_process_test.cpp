#include "updater_process_fixture.h"

#include <thread>

#include "native_dll_override.h"
#include "updater_constants.h"

namespace {

std::vector<std::wstring> Pieces(const std::wstring& text)
{
    return {L"[VLUpdater] ", text, L"\n"};
}

void ExpectOneBox(const ProcessRunResult& run, const wchar_t* text, long icon)
{
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, L"VLUpdater");
    EXPECT_EQ(run.boxes[0].text, text);
    EXPECT_EQ(run.boxes[0].icon, static_cast<UINT>(icon));
    EXPECT_EQ(run.boxes[0].buttons, std::vector<int>{IDOK});
}

// Lines 1 and 2 of started.txt: the restarted program's command line and directory.
std::pair<std::wstring, std::wstring> StartRecord(const std::wstring& programDir)
{
    std::wstring record = Utf8ToWideForTest(ReadFileBytes(programDir + L"\\started.txt"));
    size_t firstEnd = record.find(L'\n');
    size_t secondEnd = record.find(L'\n', firstEnd + 1);
    if (firstEnd == std::wstring::npos || secondEnd == std::wstring::npos) {
        return {};
    }
    return {record.substr(0, firstEnd), record.substr(firstEnd + 1, secondEnd - firstEnd - 1)};
}

TEST_F(UpdaterProcessTest, InvalidRequestsShowTheUsageMessageAndTouchNothing)
{
    Stage(L"keep.txt", "staged");
    const std::wstring cases[] = {
        L"",
        L"--pid 0 --install-root \"" + install + L"\" --staging-dir \"" + staging + L"\"",
        L"--pid 12 --install-root \"" + install + L"\"",
        // The trailing backslash doubles to stay a backslash before the closing quote.
        L"--pid 12 --install-root \"" + staging + L"\" --staging-dir \"" + staging + L"\\\\\"",
        L"--pid 12 --install-root \"" + staging + L"\\app\" --staging-dir \"" + staging + L"\"",
        // The same folder spelt another way is the same folder.
        L"--pid 12 --install-root \"" + staging + L"\\app\" --staging-dir \"\\\\?\\" + staging + L"\"",
    };
    for (const std::wstring& arguments : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        ProcessRunResult run = RunUpdater(arguments);
        ASSERT_TRUE(run.exited);
        EXPECT_EQ(run.exitCode, 1u);
        ExpectOneBox(run, kUsageMessage, MB_ICONERROR);
        EXPECT_TRUE(run.debugPieces.empty());
        EXPECT_EQ(ReadFileBytes(staging + L"\\keep.txt"), "staged");
    }
}

TEST_F(UpdaterProcessTest, WaitsForTheApplicationThenCopiesClearsAndRestartsIt)
{
    InstallProbeAsMainProgram();
    ASSERT_TRUE(WriteFileBytes(mainProgramDir + L"\\data.dll", "old"));
    Stage(L"bin\\64bit\\data.dll", "new");
    Stage(L"resources\\skin\\theme.dat", "theme");
    // The application holds a file of the install tree until it exits, well
    // past the time the updater takes to start: a copy that did not wait for
    // it would fail on that file.
    StartedProcess application;
    ASSERT_TRUE(StartProcess(L"\"" + ModuleDirectory() + L"\\probe_app.exe\" --hold \"" + mainProgramDir +
                                 L"\\data.dll\" 6000",
                             application));
    ASSERT_TRUE(WaitForFile(mainProgramDir + L"\\data.dll.held", 10000));

    ProcessRunResult run = RunUpdater(StandardArguments(application.pid, install));

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_TRUE(run.debugPieces.empty());
    EXPECT_EQ(ReadFileBytes(mainProgramDir + L"\\data.dll"), "new");
    EXPECT_EQ(ReadFileBytes(install + L"\\resources\\skin\\theme.dat"), "theme");
    EXPECT_FALSE(DirectoryExists(staging));

    ASSERT_TRUE(WaitForFile(mainProgramDir + L"\\started.txt", 10000)) << "the application was not restarted";
    auto [commandLine, workingDirectory] = StartRecord(mainProgramDir);
    EXPECT_EQ(commandLine, L"\"" + install + L"\\bin/64bit\\Orvicap.exe\"");
    EXPECT_EQ(CanonicalPath(workingDirectory), CanonicalPath(mainProgramDir));
}

// An exiting program's last handles may close a moment after its process
// is signalled.  Here this test holds the file and lets go of it shortly
// after the application ends: only the updater's pause before copying lets
// the copy find it free.
TEST_F(UpdaterProcessTest, PauseAfterTheApplicationEndsLetsItsLastHandlesClose)
{
    const DWORD kReleaseAfterExitMs = 150;
    InstallProbeAsMainProgram();
    ASSERT_TRUE(WriteFileBytes(mainProgramDir + L"\\late.dll", "old"));
    Stage(L"bin\\64bit\\late.dll", "new");
    HANDLE held = CreateFileW((mainProgramDir + L"\\late.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    StartedProcess application;
    ASSERT_TRUE(StartProcess(L"\"" + ModuleDirectory() + L"\\probe_app.exe\" --sleep 4000", application));
    std::thread releaser([&] {
        application.WaitForExit(60000);
        Sleep(kReleaseAfterExitMs);
        CloseHandle(held);
    });

    ProcessRunResult run = RunUpdater(StandardArguments(application.pid, install));
    releaser.join();

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_TRUE(run.debugPieces.empty());
    EXPECT_EQ(ReadFileBytes(mainProgramDir + L"\\late.dll"), "new") << "the copy did not wait for the last handles";
}

TEST_F(UpdaterProcessTest, LockedFileIsReportedOnceWarnedAboutAndTheUpdateStillFinishes)
{
    InstallProbeAsMainProgram();
    ASSERT_TRUE(WriteFileBytes(mainProgramDir + L"\\x.dll", "old"));
    Stage(L"bin\\64bit\\x.dll", "new");
    Stage(L"bin\\64bit\\y.dll", "new y");
    HANDLE held = CreateFileW((mainProgramDir + L"\\x.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    // A root ending in a backslash doubles it in every path built from it.  On
    // the command line that backslash is written twice, or it would escape the
    // closing quote.
    ProcessRunResult run = RunUpdater(StandardArguments(EndedProcessId(), install + L"\\\\"));
    CloseHandle(held);

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.debugPieces, Pieces(L"CopyFile failed: " + install + L"\\\\bin\\64bit\\x.dll  err=32"));
    ExpectOneBox(run, kPartialCopyMessage, MB_ICONWARNING);
    EXPECT_EQ(ReadFileBytes(mainProgramDir + L"\\x.dll"), "old");
    EXPECT_EQ(ReadFileBytes(mainProgramDir + L"\\y.dll"), "new y");
    EXPECT_FALSE(DirectoryExists(staging)) << "the staging directory is cleared after a partial copy too";
    EXPECT_TRUE(WaitForFile(mainProgramDir + L"\\started.txt", 10000)) << "the application was not restarted";
}

// The updater runs elevated from the application's folder, which its user
// may be able to write to.  Showing a box makes Windows load uxtheme.dll at
// run time, and Wine does the same: a copy planted beside the updater must
// not be the one loaded.
TEST_F(UpdaterProcessTest, LibraryPlantedBesideTheUpdaterIsNotLoaded)
{
    const std::wstring folder = temp / L"planted";
    ASSERT_TRUE(CreateDirectories(folder));
    const std::wstring plant = folder + L"\\uxtheme.dll";
    const std::wstring mark = plant + L".loaded";
    ASSERT_TRUE(CopyFileW((ModuleDirectory() + L"\\planted_library.dll").c_str(), plant.c_str(), FALSE));

    // Without this the run below could not fail: a program in this folder
    // that loads uxtheme.dll by name with the default search order, told to
    // prefer a native one as the updater is below, loads the plant.
    ASSERT_TRUE(LoadByNameFromFolder(folder, L"uxtheme"));
    ASSERT_TRUE(FileExists(mark)) << "the plant is not found by name";
    ASSERT_TRUE(DeleteFileW(mark.c_str()));

    const std::wstring updater = folder + L"\\VLUpdater.exe";
    ASSERT_TRUE(CopyFileW((ModuleDirectory() + L"\\VLUpdater.exe").c_str(), updater.c_str(), FALSE));
    ScopedNativeDll nativeForUpdater(L"VLUpdater.exe", L"uxtheme");
    ProcessRunOptions options;
    options.applicationPath = updater;
    options.commandLine = L"\"" + updater + L"\"";
    options.currentDirectory = folder;
    options.timeoutMs = 20000;
    ProcessRunResult run = RunProcess(options);

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 1u);
    ExpectOneBox(run, kUsageMessage, MB_ICONERROR);
    EXPECT_FALSE(FileExists(mark)) << "the updater loaded the planted uxtheme.dll";
}

// The application may hand over a staging folder that is already gone (an
// update it gave up on, say): there is nothing to lay over the install tree,
// and the application that exited to be updated still comes back.
TEST_F(UpdaterProcessTest, MissingStagingFolderCopiesNothingAndStillRestarts)
{
    InstallProbeAsMainProgram();
    ASSERT_TRUE(WriteFileBytes(mainProgramDir + L"\\data.dll", "installed"));
    ASSERT_TRUE(RemoveDirectoryW(staging.c_str()));

    ProcessRunResult run = RunUpdater(StandardArguments(EndedProcessId(), install));

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_TRUE(run.debugPieces.empty());
    EXPECT_EQ(ReadFileBytes(mainProgramDir + L"\\data.dll"), "installed");
    EXPECT_FALSE(DirectoryExists(staging));
    EXPECT_TRUE(WaitForFile(mainProgramDir + L"\\started.txt", 10000)) << "the application was not restarted";
}

TEST_F(UpdaterProcessTest, MissingProgramGivesTheRestartFailureLineAndExitCode3)
{
    Stage(L"bin\\64bit\\new.dll", "new");

    ProcessRunResult run =
        RunUpdater(StandardArguments(EndedProcessId(), install) + L" --exe-subdir bin --restart Absent.exe");

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_EQ(run.debugPieces, Pieces(L"CreateProcess failed: " + install + L"\\bin\\Absent.exe  err=2"));
    ExpectOneBox(run, kRestartFailedMessage, MB_ICONWARNING);
    EXPECT_EQ(ReadFileBytes(mainProgramDir + L"\\new.dll"), "new") << "the copy ran before the restart";
    EXPECT_FALSE(DirectoryExists(staging));
}

}  // namespace
