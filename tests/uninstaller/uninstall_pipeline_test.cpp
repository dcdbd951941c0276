#include <gtest/gtest.h>

#include <algorithm>

#include "directory_links.h"
#include "linked_tree.h"
#include "recording_window.h"
#include "system_paths.h"
#include "test_files.h"
#include "test_processes.h"
#include "uninstall_pipeline.h"

namespace {

const wchar_t kDeleting[] = L"正圠删除文件...";

// An install tree in a temporary folder and a window to paint on.
struct InstallTreeTest : testing::Test {
    ScopedTempDir temp;
    RecordingWindow recorder;
    UninstallerState& state = recorder.state;
    std::wstring installDir = temp / L"Orvicap";
    std::wstring selfPath = installDir + L"\\uninstall.exe";

    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectories(installDir));
        state.installDir = installDir;
        state.selfPath = selfPath;
    }

    void Put(const std::wstring& relative, const std::string& content)
    {
        std::wstring path = installDir + L"\\" + relative;
        ASSERT_TRUE(CreateDirectories(path.substr(0, path.find_last_of(L'\\'))));
        ASSERT_TRUE(WriteFileBytes(path, content));
    }

    std::wstring Path(const std::wstring& relative) const { return installDir + L"\\" + relative; }

    std::vector<int> PaintedProgress() const
    {
        std::vector<int> progress;
        for (const RecordingWindow::Paint& paint : recorder.paints) {
            progress.push_back(paint.progress);
        }
        return progress;
    }

    // What is left below the install directory, sorted.
    std::vector<std::wstring> Remaining() const
    {
        std::vector<FileEntry> files;
        CollectFiles(installDir, L"", files);
        std::vector<std::wstring> names;
        for (const FileEntry& entry : files) {
            names.push_back(entry.path.substr(installDir.size() + 1));
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(InstallTreeTest, RemovalLeavesOnlyTheUninstallerItself)
{
    Put(L"UNINSTALL.EXE", "own");
    Put(L"uninstall.ini", "Name=Orvicap\r\n");
    Put(L"bin\\64bit\\Orvicap.exe", "main");
    Put(L"bin\\64bit\\plugins\\codec.dll", std::string(5000, 'c'));
    Put(L"resources\\readonly.dat", "ro");
    ASSERT_TRUE(SetFileAttributesW(Path(L"resources\\readonly.dat").c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(CreateDirectories(Path(L"logs\\empty")));

    DeleteInstallTree(installDir, selfPath, state, recorder.window);

    EXPECT_EQ(Remaining(), std::vector<std::wstring>{L"UNINSTALL.EXE"})
        << "the own file differs from the own path only in letter case";
    EXPECT_EQ(ReadFileBytes(Path(L"UNINSTALL.EXE")), "own");
    for (const wchar_t* directory : {L"bin", L"resources", L"logs"}) {
        EXPECT_FALSE(DirectoryExists(Path(directory))) << directory;
    }
    EXPECT_EQ(state.progress, 100);
    EXPECT_EQ(recorder.paints.size(), 4u) << "one repaint per deleted file, none for the own file";
}

TEST_F(InstallTreeTest, ProgressFollowsTheDeletedBytesAndStaysBelow100)
{
    const std::pair<const wchar_t*, size_t> files[] = {
        {L"a.bin", 100}, {L"sub\\b.bin", 300}, {L"sub\\deeper\\c.bin", 600}, {L"d.bin", 0}};
    for (const auto& [name, size] : files) {
        Put(name, std::string(size, 'x'));
    }
    // The files go in whatever order the folders list them; at each paint,
    // the bar shows the bytes of the files gone so far, out of 1000.
    std::vector<int> expected;
    recorder.onPaint = [&] {
        size_t goneBytes = 0;
        for (const auto& [name, size] : files) {
            goneBytes += FileExists(Path(name)) ? 0 : size;
        }
        expected.push_back(static_cast<int>(std::min<size_t>(goneBytes * 100 / 1000, 99)));
    };

    DeleteInstallTree(installDir, selfPath, state, recorder.window);

    ASSERT_EQ(PaintedProgress().size(), 4u) << "one paint per file";
    EXPECT_EQ(PaintedProgress(), expected);
    EXPECT_EQ(PaintedProgress().back(), 99) << "the first pass never shows 100";
    EXPECT_EQ(state.progress, 100);
}

TEST_F(InstallTreeTest, TreeOfEmptyFilesShows99ThenEnds100)
{
    Put(L"one.txt", "");
    Put(L"two\\two.txt", "");
    Put(L"three.txt", "");

    DeleteInstallTree(installDir, selfPath, state, recorder.window);

    EXPECT_EQ(PaintedProgress(), (std::vector<int>{99, 99, 99}));
    EXPECT_EQ(state.progress, 100);
    EXPECT_TRUE(Remaining().empty());
}

TEST_F(InstallTreeTest, FileInUseStaysWhileTheBarAdvancesPastIt)
{
    Put(L"held\\busy.dll", std::string(900, 'x'));
    Put(L"free.txt", std::string(100, 'y'));
    HANDLE held = CreateFileW(Path(L"held\\busy.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    DeleteInstallTree(installDir, selfPath, state, recorder.window);
    CloseHandle(held);

    EXPECT_EQ(Remaining(), std::vector<std::wstring>{L"held\\busy.dll"});
    EXPECT_EQ(PaintedProgress().back(), 99) << "the held file's bytes count as done";
    EXPECT_EQ(state.progress, 100);
}

TEST_F(InstallTreeTest, MissingInstallDirectoryJumpsTo100)
{
    RemoveTree(installDir);
    DeleteInstallTree(installDir, selfPath, state, recorder.window);
    EXPECT_TRUE(recorder.paints.empty());
    EXPECT_EQ(state.progress, 100);
}

// A directory link inside the install tree, at the top and deeper down, that
// leads to a folder outside it.
struct LinkedTreeTest : InstallTreeTest {
    LinkedTree links{installDir, temp / L"outside"};
    const std::wstring& outside = links.outside;
    const std::wstring& topLink = links.topLink;
    const std::wstring& nestedLink = links.nestedLink;

    void SetUp() override
    {
        InstallTreeTest::SetUp();
        Put(L"data\\own.dat", "installed");
        Put(L"bin\\Orvicap.exe", "main");
        ASSERT_TRUE(links.Build());
        DWORD attributes = GetFileAttributesW(topLink.c_str());
        ASSERT_EQ(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
                  static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    }

    void TearDown() override { links.RemoveLinks(); }
};

TEST_F(LinkedTreeTest, CollectingListsALinkWithoutLookingThroughIt)
{
    std::vector<FileEntry> files;
    CollectFiles(installDir, selfPath, files);

    std::vector<std::wstring> paths;
    for (const FileEntry& entry : files) {
        paths.push_back(entry.path);
        if (entry.path == topLink || entry.path == nestedLink) {
            EXPECT_TRUE(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT);
            EXPECT_EQ(entry.size, 0u);
        }
    }
    std::sort(paths.begin(), paths.end());
    std::vector<std::wstring> expected{Path(L"bin\\Orvicap.exe"), nestedLink, Path(L"data\\own.dat"), topLink};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(paths, expected);
}

TEST_F(LinkedTreeTest, RemovalNeverDeletesThroughALink)
{
    DeleteInstallTree(installDir, selfPath, state, recorder.window);

    EXPECT_EQ(ReadFileBytes(outside + L"\\precious.txt"), "keep");
    EXPECT_EQ(ReadFileBytes(outside + L"\\inner\\deep.txt"), "keep too");
    EXPECT_FALSE(FileExists(Path(L"data\\own.dat")));
    EXPECT_FALSE(DirectoryExists(Path(L"bin")));
    EXPECT_EQ(state.progress, 100);
    // Windows opens a link as the link and deletes it so; Wine cannot open a
    // Unix link as the link, so it is left (still a link, not followed) and
    // the directory holding it stays.
    if (RunningUnderWine()) {
        EXPECT_TRUE(GetFileAttributesW(topLink.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
        EXPECT_TRUE(DirectoryExists(Path(L"data")));
    } else {
        EXPECT_EQ(GetFileAttributesW(topLink.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(DirectoryExists(Path(L"data")));
    }
}

TEST_F(LinkedTreeTest, ExcludedLinkKeepsItsDirectoryFromTheRecursiveDelete)
{
    // The first pass leaves the excluded link alone, so the second pass meets
    // it inside "data": that directory must not be handed to a recursive delete.
    DeleteInstallTree(installDir, nestedLink, state, recorder.window);

    EXPECT_EQ(ReadFileBytes(outside + L"\\precious.txt"), "keep");
    EXPECT_EQ(ReadFileBytes(outside + L"\\inner\\deep.txt"), "keep too");
    EXPECT_TRUE(DirectoryExists(Path(L"data")));
    EXPECT_FALSE(FileExists(Path(L"data\\own.dat")));
}

TEST(StopMainExe, StopsRunningCopiesByImageName)
{
    ScopedTempDir elsewhere;
    std::wstring program = elsewhere / L"OrvicapStopProbe.exe";
    ASSERT_TRUE(CopyFileW((ModuleDirectory() + L"\\probe_app.exe").c_str(), program.c_str(), FALSE));
    // Running once it holds its file.
    const std::wstring heldFile = elsewhere / L"held.dat";
    StartedProcess application;
    ASSERT_TRUE(StartProcess(L"\"" + program + L"\" --hold \"" + heldFile + L"\" 60000", application));
    ASSERT_TRUE(WaitForFile(heldFile + L".held", 10000));

    DWORD started = GetTickCount();
    StopMainExe(L"OrvicapStopProbe.exe");
    EXPECT_TRUE(application.WaitForExit(2000)) << "the running copy was not ended";
    EXPECT_LT(GetTickCount() - started, 5000u + 2000u);
}

TEST(StopMainExe, StartsNothingForAnEmptyOrUnsafeName)
{
    ProcessCounter counter;
    ASSERT_TRUE(counter.assigned);
    DWORD before = counter.Total();
    StopMainExe(L"OrvicapNotRunning.exe");
    ASSERT_GT(counter.Total(), before) << "the counter must see the interpreter a real name starts";

    // Refused: what cmd.exe would act on, and whatever would hand taskkill
    // more than one plain image name: a second switch, a wildcard, a path.
    for (const wchar_t* name :
         {L"", L"   ", L"a.exe & echo x", L"a.exe|more", L"a.exe >x", L"%COMSPEC%", L"a\"b.exe", L"a^b.exe",
          L"a.exe\r\nb", L"a.exe /IM victim.exe", L"a.exe\t/IM", L"*", L"a?.exe", L"-x.exe", L"/x.exe", L"a/b.exe",
          L"dir\\a.exe", L"C:a.exe", L"(a).exe", L"a,b.exe", L"a;b.exe", L"a=b.exe"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        DWORD total = counter.Total();
        StopMainExe(name);
        EXPECT_EQ(counter.Total(), total);
    }
}

TEST(StopMainExe, PlainFileNamesPass)
{
    for (const wchar_t* name : {L"Orvicap.exe", L"维洛录屏.exe", L"my-app_2.0.exe", L"a", L"Orvicap.exe.x"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        EXPECT_TRUE(IsPlainImageName(name));
    }
}

TEST(StopMainExe, CommandRunsCmdFromSystem32WithTheNameUnquoted)
{
    CommandStart command = StopMainExeCommand(L"Orvicap.exe");
    EXPECT_EQ(command.commandLine, L"cmd.exe /c taskkill /F /T /IM Orvicap.exe >nul 2>nul");
    EXPECT_EQ(command.applicationName, SystemDirectory() + L"\\cmd.exe");
    EXPECT_EQ(command.currentDirectory, SystemDirectory());
}

// A scratch product entry below the Uninstall key, in both registry views.
struct UninstallEntryTest : testing::Test {
    std::wstring subkey = L"OrvicapUninstallerTest-" + std::to_wstring(GetCurrentProcessId());
    std::wstring keyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + subkey;

    void SetUp() override
    {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            HKEY key = nullptr;
            ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view,
                                      nullptr, &key, nullptr),
                      ERROR_SUCCESS);
            RegSetValueExW(key, L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
            RegCloseKey(key);
        }
    }

    void TearDown() override
    {
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_WOW64_32KEY, 0);
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_WOW64_64KEY, 0);
    }

    bool Exists(REGSAM view) const
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }
};

TEST_F(UninstallEntryTest, EntryIsDeletedInThe32BitViewOnly)
{
    DeleteUninstallEntry(subkey);
    EXPECT_FALSE(Exists(KEY_WOW64_32KEY));
    EXPECT_TRUE(Exists(KEY_WOW64_64KEY));
}

TEST_F(UninstallEntryTest, EmptySubkeyLeavesTheRegistryAlone)
{
    DeleteUninstallEntry(L"");
    EXPECT_TRUE(Exists(KEY_WOW64_32KEY));
    EXPECT_TRUE(Exists(KEY_WOW64_64KEY));
}

TEST(SelfDelete, ParametersAreTheFivePiecesExactly)
{
    const struct {
        std::wstring ownPath;
        std::wstring installDir;
        std::wstring parameters;
    } cases[] = {
        {L"C:\\Program Files (x86)\\Orvicap\\uninstall.exe", L"C:\\Program Files (x86)\\Orvicap",
         L"/c ping 127.0.0.1 -n 2 >nul & del \"C:\\Program Files (x86)\\Orvicap\\uninstall.exe\" & rmdir "
         L"\"C:\\Program Files (x86)\\Orvicap\""},
        {L"D:\\A & B\\维洛\\uninstall.exe", L"D:\\A & B\\维洛",
         L"/c ping 127.0.0.1 -n 2 >nul & del \"D:\\A & B\\维洛\\uninstall.exe\" & rmdir \"D:\\A & B\\维洛\""},
        {L"P", L"D", L"/c ping 127.0.0.1 -n 2 >nul & del \"P\" & rmdir \"D\""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::PrintToString(row.ownPath));
        ShellStart start = SelfDeleteCommand(row.ownPath, row.installDir);
        EXPECT_EQ(start.parameters, row.parameters);
        EXPECT_EQ(start.verb, L"open");
        EXPECT_EQ(start.file, SystemDirectory() + L"\\cmd.exe");
        EXPECT_EQ(start.directory, SystemDirectory());
        EXPECT_EQ(start.show, SW_HIDE);
    }
}

TEST(SelfDelete, InterpreterDeletesTheFileThenTheEmptyDirectoryAfterAPause)
{
    ScopedTempDir temp;
    std::wstring dir = temp / L"Orvi & cap";
    ASSERT_TRUE(CreateDirectories(dir));
    ASSERT_TRUE(WriteFileBytes(dir + L"\\uninstall.exe", "own"));

    const DWORD scheduled = GetTickCount();
    ScheduleSelfDelete(dir + L"\\uninstall.exe", dir);
    EXPECT_TRUE(WaitUntilGone(dir + L"\\uninstall.exe", 15000));
    // Two pings a second apart: the uninstaller that asked has long ended.
    EXPECT_GE(GetTickCount() - scheduled, 800u) << "the deletion waits for the pings";
    EXPECT_TRUE(WaitUntilGone(dir, 5000));
}

TEST(SelfDelete, DirectoryWithLeftoversStays)
{
    ScopedTempDir temp;
    std::wstring dir = temp / L"Orvicap";
    ASSERT_TRUE(CreateDirectories(dir));
    ASSERT_TRUE(WriteFileBytes(dir + L"\\uninstall.exe", "own"));
    ASSERT_TRUE(WriteFileBytes(dir + L"\\left.dll", "in use"));

    ScheduleSelfDelete(dir + L"\\uninstall.exe", dir);

    EXPECT_TRUE(WaitUntilGone(dir + L"\\uninstall.exe", 15000));
    Sleep(1000);
    EXPECT_TRUE(FileExists(dir + L"\\left.dll"));
    EXPECT_TRUE(DirectoryExists(dir));
}

// A whole run on a scratch product with its entry: the own file and a bin
// folder planted, the rest up to the test.
struct PipelineRunTest : UninstallEntryTest {
    ScopedTempDir temp;
    RecordingWindow recorder;
    UninstallerState& state = recorder.state;

    void SetUp() override
    {
        UninstallEntryTest::SetUp();
        state.installDir = temp / L"Orvicap";
        state.selfPath = state.installDir + L"\\uninstall.exe";
        state.arpSubkey = subkey;
        ASSERT_TRUE(CreateDirectories(state.installDir + L"\\bin"));
        ASSERT_TRUE(WriteFileBytes(state.selfPath, "own"));
    }
};

// A file still in use stays with its folder; the entry goes all the same.
TEST_F(PipelineRunTest, EntryIsDeletedEvenWhenAHeldFileStays)
{
    ASSERT_TRUE(WriteFileBytes(state.installDir + L"\\bin\\busy.dll", "busy"));
    HANDLE held = CreateFileW((state.installDir + L"\\bin\\busy.dll").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    RunUninstallPipeline(recorder.window, state);
    CloseHandle(held);

    EXPECT_TRUE(FileExists(state.installDir + L"\\bin\\busy.dll"));
    EXPECT_FALSE(Exists(KEY_WOW64_32KEY));
    EXPECT_EQ(state.statusText, L"卸载完成！");
    EXPECT_TRUE(WaitUntilGone(state.selfPath, 15000)) << "the interpreter deletes the uninstaller all the same";
}

// The whole run: texts in order, entry gone, the own file left to the
// interpreter.
TEST_F(PipelineRunTest, PipelineRunsItsStepsInOrderAndEndsComplete)
{
    state.mainExe = L"OrvicapNotRunning.exe";
    ASSERT_TRUE(WriteFileBytes(state.installDir + L"\\bin\\a.dll", "aaaa"));
    ASSERT_TRUE(WriteFileBytes(state.installDir + L"\\b.txt", "bbbb"));

    RunUninstallPipeline(recorder.window, state);

    std::vector<std::pair<int, std::wstring>> paints;
    for (const RecordingWindow::Paint& paint : recorder.paints) {
        paints.emplace_back(paint.progress, paint.statusText);
    }
    std::vector<std::pair<int, std::wstring>> expected{
        {0, L"正在关闭程序..."}, {50, kDeleting}, {99, kDeleting}, {100, L"正圠清理注册表..."}, {100, L"卸载完成！"}};
    EXPECT_EQ(paints, expected);
    EXPECT_EQ(state.statusText, L"卸载完成！");
    EXPECT_FALSE(Exists(KEY_WOW64_32KEY));
    EXPECT_FALSE(DirectoryExists(state.installDir + L"\\bin"));
    EXPECT_TRUE(WaitUntilGone(state.selfPath, 15000));
    EXPECT_TRUE(WaitUntilGone(state.installDir, 5000));
}

}  // namespace
