#include <gtest/gtest.h>

#include <shlobj.h>

#include "install_location.h"
#include "install_pipeline.h"
#include "program_resources.h"
#include "progress_window.h"
#include "test_files.h"
#include "test_processes.h"
#include "uninstall_entry_fixture.h"

namespace {

std::wstring DesktopShortcutPath()
{
    wchar_t desktop[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOP, nullptr, SHGFP_TYPE_CURRENT, desktop);
    return std::wstring(desktop) + L"\\维洛录屏.lnk";
}

std::string OwnResource(WORD id)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return ResourceBytes(self, RT_RCDATA, MAKEINTRESOURCEW(id));
}

struct ShortcutProperties {
    std::wstring target;
    std::wstring workingDirectory;
    std::wstring iconPath;
    int iconIndex = -1;
    std::wstring description;
};

bool ReadShortcut(const std::wstring& path, ShortcutProperties& properties)
{
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    IPersistFile* file = nullptr;
    bool loaded = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                  SUCCEEDED(file->Load(path.c_str(), STGM_READ));
    if (loaded) {
        wchar_t text[MAX_PATH] = {};
        link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
        properties.target = text;
        link->GetWorkingDirectory(text, MAX_PATH);
        properties.workingDirectory = text;
        link->GetIconLocation(text, MAX_PATH, &properties.iconIndex);
        properties.iconPath = text;
        link->GetDescription(text, MAX_PATH);
        properties.description = text;
    }
    if (file != nullptr) {
        file->Release();
    }
    link->Release();
    return loaded;
}

// A real window and state, the product's uninstall entry and desktop
// shortcut cleared before and after, COM ready for the shortcut.
struct InstallPipelineTest : testing::Test {
    ScopedTempDir temp;
    ScopedUninstallEntry entry;
    ProgressWindow progressWindow;
    InstallerState& state = progressWindow.state;

    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        DeleteFileW(DesktopShortcutPath().c_str());
        state.installDir = temp / L"Program Files\\Orvicap";
        state.productVersion = L"3.1.4.1";
    }

    void TearDown() override
    {
        DeleteFileW(DesktopShortcutPath().c_str());
        CoUninitialize();
    }

    std::wstring Installed(const std::wstring& relative) const { return state.installDir + L"\\" + relative; }
};

TEST_F(InstallPipelineTest, CompleteRunLeavesTheApplicationItsFilesEntryAndShortcut)
{
    ASSERT_TRUE(RunInstall(progressWindow.window, state));

    EXPECT_FALSE(state.installing);
    EXPECT_EQ(state.progress, 100);
    EXPECT_EQ(state.statusText, L"");
    ASSERT_FALSE(progressWindow.paintedProgress.empty());
    EXPECT_EQ(progressWindow.paintedProgress.front(), 0) << "the run repaints at 0 first";
    EXPECT_EQ(progressWindow.paintedProgress.back(), 100);

    EXPECT_EQ(ReadFileBytes(Installed(L"bin\\64bit\\Orvicap.exe")), "fixture main program\n");
    EXPECT_EQ(ReadFileBytes(Installed(L"docs\\readme.txt")), "read me\n");
    EXPECT_EQ(ReadFileBytes(Installed(L"uninstall.exe")), OwnResource(102));
    EXPECT_EQ(ReadFileBytes(Installed(L"app.ico")), OwnResource(103));
    EXPECT_EQ(ReadFileBytes(Installed(L"uninstall.ini")), kExpectedInstallRecord);
    EXPECT_EQ(ReadEntryValue(KEY_WOW64_32KEY, L"InstallLocation").data, StringData(state.installDir));
    EXPECT_EQ(ReadEntryValue(KEY_WOW64_32KEY, L"DisplayVersion").data, StringData(L"3.1.4.1"));

    ShortcutProperties shortcut;
    ASSERT_TRUE(ReadShortcut(DesktopShortcutPath(), shortcut));
    EXPECT_EQ(CanonicalPath(shortcut.target), CanonicalPath(MainProgramPath(state.installDir)));
    EXPECT_EQ(CanonicalPath(shortcut.workingDirectory), CanonicalPath(ProgramDir(state.installDir)));
    EXPECT_EQ(CanonicalPath(shortcut.iconPath), CanonicalPath(Installed(L"app.ico")));
    EXPECT_EQ(shortcut.iconIndex, 0);
    EXPECT_EQ(shortcut.description, L"Orvicap");
}

TEST_F(InstallPipelineTest, InstallingOverAnInstallationReplacesItsFilesAndKeepsOthers)
{
    ASSERT_TRUE(CreateDirectories(Installed(L"bin\\64bit")));
    ASSERT_TRUE(WriteFileBytes(Installed(L"bin\\64bit\\Orvicap.exe"), "old program"));
    ASSERT_TRUE(WriteFileBytes(Installed(L"uninstall.ini"), "old record"));
    ASSERT_TRUE(WriteFileBytes(Installed(L"user-settings.json"), "{}"));

    ASSERT_TRUE(RunInstall(progressWindow.window, state));

    EXPECT_EQ(ReadFileBytes(Installed(L"bin\\64bit\\Orvicap.exe")), "fixture main program\n");
    EXPECT_EQ(ReadFileBytes(Installed(L"uninstall.ini")), kExpectedInstallRecord);
    EXPECT_EQ(ReadFileBytes(Installed(L"user-settings.json")), "{}");
}

TEST_F(InstallPipelineTest, LockedUninstallerStaysAndTheRunStillSucceeds)
{
    ASSERT_TRUE(CreateDirectories(state.installDir));
    ASSERT_TRUE(WriteFileBytes(Installed(L"uninstall.exe"), "running uninstaller"));
    HANDLE held = CreateFileW(Installed(L"uninstall.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    bool installed = RunInstall(progressWindow.window, state);
    CloseHandle(held);

    EXPECT_TRUE(installed);
    EXPECT_EQ(ReadFileBytes(Installed(L"uninstall.exe")), "running uninstaller");
    EXPECT_TRUE(FileExists(Installed(L"app.ico")));
}

TEST_F(InstallPipelineTest, FailedExtractionReportsItsMessageAndWritesNoRecords)
{
    ASSERT_TRUE(CreateDirectories(Installed(L"docs")));
    ASSERT_TRUE(WriteFileBytes(Installed(L"docs\\readme.txt"), "held"));
    HANDLE held = CreateFileW(Installed(L"docs\\readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    bool installed = RunInstall(progressWindow.window, state);
    CloseHandle(held);

    EXPECT_FALSE(installed);
    EXPECT_FALSE(state.installing);
    EXPECT_EQ(state.statusText, L"解压失败，请重新安装。");
    EXPECT_FALSE(FileExists(Installed(L"uninstall.exe")));
    EXPECT_FALSE(FileExists(Installed(L"uninstall.ini")));
    EXPECT_FALSE(FileExists(Installed(L"app.ico")));
    EXPECT_FALSE(ReadEntryValue(KEY_WOW64_32KEY, L"InstallLocation").present);
    EXPECT_FALSE(FileExists(DesktopShortcutPath()));

    // The next press runs the whole pipeline again, from 0.
    progressWindow.paintedProgress.clear();
    EXPECT_TRUE(RunInstall(progressWindow.window, state));
    EXPECT_EQ(progressWindow.paintedProgress.front(), 0);
}

TEST_F(InstallPipelineTest, InstallDirThatCannotBeCreatedReportsItsMessage)
{
    ASSERT_TRUE(WriteFileBytes(temp / L"a-file", "x"));
    state.installDir = temp / L"a-file\\Orvicap";

    EXPECT_FALSE(RunInstall(progressWindow.window, state));
    EXPECT_EQ(state.statusText, L"无法创建安装目录。");
    EXPECT_FALSE(state.installing);
}

// A running Orvicap.exe holds a file the payload replaces; without stopping
// it first, the extraction would fail on that file.
TEST_F(InstallPipelineTest, RunningCopiesOfTheApplicationAreStoppedFirst)
{
    ScopedTempDir elsewhere;
    ASSERT_TRUE(CopyFileW((ModuleDirectory() + L"\\probe_app.exe").c_str(), (elsewhere / L"Orvicap.exe").c_str(), FALSE));
    ASSERT_TRUE(CreateDirectories(Installed(L"bin\\64bit")));
    const std::wstring heldFile = Installed(L"bin\\64bit\\Orvicap.exe");
    StartedProcess application;
    ASSERT_TRUE(StartProcess(L"\"" + (elsewhere / L"Orvicap.exe") + L"\" --hold \"" + heldFile + L"\" 60000", application));
    ASSERT_TRUE(WaitForFile(heldFile + L".held", 10000));

    EXPECT_TRUE(RunInstall(progressWindow.window, state));
    EXPECT_TRUE(application.WaitForExit(2000)) << "the running Orvicap.exe was not ended";
    EXPECT_EQ(ReadFileBytes(heldFile), "fixture main program\n");
}

}  // namespace
