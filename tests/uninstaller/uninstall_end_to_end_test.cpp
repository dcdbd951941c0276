#include <gtest/gtest.h>

#include <shlobj.h>
#include <tlhelp32.h>

#include <map>

#include "process_driver.h"
#include "test_files.h"
#include "test_processes.h"
#include "uninstaller_layout.h"
#include "uninstaller_watch.h"

namespace {

const wchar_t kEntryPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvicap";
const wchar_t kInstallerClass[] = L"VelorinVidronaInstallerWnd";
// Where the installer window's agreement checkbox and install button are.
constexpr POINT kAgreementCheckbox{36, 258};
constexpr POINT kInstallButton{240, 190};

std::wstring DesktopShortcutPath()
{
    wchar_t desktop[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOP, nullptr, SHGFP_TYPE_CURRENT, desktop);
    return std::wstring(desktop) + L"\\维洛录屏.lnk";
}

std::wstring DefaultInstallDir()
{
    PWSTR folder = nullptr;
    std::wstring dir;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramFilesX86, 0, nullptr, &folder))) {
        dir = std::wstring(folder) + L"\\Orvicap";
    }
    CoTaskMemFree(folder);
    return dir;
}

std::wstring EntryString(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kEntryPath, name, RRF_RT_REG_SZ | RRF_SUBKEY_WOW6432KEY, nullptr, value,
                     &size) != ERROR_SUCCESS) {
        return std::wstring();
    }
    return value;
}

bool EntryExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEntryPath, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

int RunningCopies(const wchar_t* image)
{
    int copies = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        copies += lstrcmpiW(entry.szExeFile, image) == 0 ? 1 : 0;
    }
    CloseHandle(snapshot);
    return copies;
}

// The application folder the installer under test carries: the build's own,
// or, for a kit packed from another folder, the one ORVICAP_EXPECTED_APP_DIR
// names.
std::wstring ExpectedAppFolder()
{
    wchar_t folder[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"ORVICAP_EXPECTED_APP_DIR", folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder) : std::wstring(ORVICAP_APP_FOLDER);
}

// Every file and folder below root, by its path relative to root; folders
// map to an empty text, files to their bytes.
void ListTree(const std::wstring& root, const std::wstring& relative, std::map<std::wstring, std::string>& tree)
{
    WIN32_FIND_DATAW found;
    const std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const std::wstring path = relative.empty() ? name : relative + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[path + L"\\"] = std::string();
            ListTree(root, path, tree);
        } else {
            tree[path] = ReadFileBytes(root + L"\\" + path);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// The installation holds the application folder byte for byte, names
// included, and beside it only what the installer writes itself: the
// uninstaller, its record and the icon.
void ExpectInstalledTreeIs(const std::wstring& appFolder, const std::wstring& installDir)
{
    std::map<std::wstring, std::string> expected;
    std::map<std::wstring, std::string> installed;
    ListTree(appFolder, L"", expected);
    ListTree(installDir, L"", installed);
    ASSERT_FALSE(expected.empty()) << WideToUtf8ForTest(appFolder) << " holds the application folder";
    for (const auto& [path, bytes] : expected) {
        auto copy = installed.find(path);
        if (copy == installed.end()) {
            ADD_FAILURE() << "not installed: " << WideToUtf8ForTest(path);
        } else {
            EXPECT_TRUE(copy->second == bytes) << "installed with other bytes: " << WideToUtf8ForTest(path);
        }
    }
    for (const auto& [path, bytes] : installed) {
        const bool installersOwn = path == L"uninstall.exe" || path == L"uninstall.ini" || path == L"app.ico";
        if (!expected.contains(path) && !installersOwn) {
            ADD_FAILURE() << "installed but not in the application folder: " << WideToUtf8ForTest(path);
        }
    }
}

void ClickClient(HWND window, POINT point)
{
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
}

// The machine as a fresh one: no installation, no entry, no shortcut, and
// the same again when the test ends.
struct EndToEndTest : testing::Test {
    std::wstring installDir = DefaultInstallDir();

    void Clean()
    {
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kEntryPath, KEY_WOW64_32KEY, 0);
        DeleteFileW(DesktopShortcutPath().c_str());
        RemoveTree(installDir);
    }
    void SetUp() override
    {
        ASSERT_FALSE(installDir.empty());
        Clean();
    }
    void TearDown() override { Clean(); }

    // Installs with the installer's one-click button, as a user does.
    ProcessRunResult Install()
    {
        ProcessRunOptions options;
        options.applicationPath = ModuleDirectory() + L"\\VLInstaller.exe";
        options.commandLine = L"\"" + options.applicationPath + L"\"";
        options.timeoutMs = 60000;
        bool clicked = false;
        options.whileRunning = [&clicked](DWORD processId) {
            HWND window = FindWindowW(kInstallerClass, nullptr);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (clicked || window == nullptr || owner != processId || !IsWindowVisible(window)) {
                return;
            }
            ClickClient(window, kAgreementCheckbox);
            ClickClient(window, kInstallButton);
            clicked = true;
        };
        return RunProcess(options);
    }

    ProcessRunResult Uninstall(const std::wstring& command, int answer, UninstallerWatch* watch = nullptr)
    {
        ProcessRunOptions options;
        options.commandLine = command;
        options.answerBox = [answer](const SeenMessageBox& box) { return box.buttons.size() > 1 ? answer : IDOK; };
        if (watch != nullptr) {
            options.whileRunning = watch->Observer();
        }
        return RunProcess(options);
    }
};

TEST_F(EndToEndTest, InstalledProductIsRemovedThroughItsUninstallCommand)
{
    ProcessRunResult install = Install();
    ASSERT_TRUE(install.exited);
    ASSERT_EQ(install.exitCode, 0u);
    std::wstring uninstaller = installDir + L"\\uninstall.exe";
    std::wstring command = EntryString(L"UninstallString");
    ASSERT_EQ(command, L"\"" + uninstaller + L"\"");
    ASSERT_TRUE(FileExists(installDir + L"\\bin\\64bit\\Orvicap.exe"));
    ASSERT_TRUE(FileExists(DesktopShortcutPath()));
    ExpectInstalledTreeIs(ExpectedAppFolder(), installDir);

    // Without its record the uninstaller refuses and changes nothing.
    std::wstring record = installDir + L"\\uninstall.ini";
    ASSERT_TRUE(MoveFileW(record.c_str(), (record + L".away").c_str()));
    ProcessRunResult missing = Uninstall(command, IDYES);
    ASSERT_TRUE(MoveFileW((record + L".away").c_str(), record.c_str()));
    ASSERT_TRUE(missing.exited);
    EXPECT_EQ(missing.exitCode, 1u);
    ASSERT_EQ(missing.boxes.size(), 1u);
    EXPECT_EQ(missing.boxes[0].text, L"未找到卸载配置文件 uninstall.ini，无法卸载。");

    // No leaves everything.
    ProcessRunResult declined = Uninstall(command, IDNO);
    ASSERT_TRUE(declined.exited);
    EXPECT_EQ(declined.exitCode, 0u);
    ASSERT_EQ(declined.boxes.size(), 1u);
    EXPECT_EQ(declined.boxes[0].caption, L"Orvicap");
    EXPECT_TRUE(FileExists(installDir + L"\\bin\\64bit\\Orvicap.exe"));
    EXPECT_TRUE(FileExists(uninstaller));
    EXPECT_TRUE(EntryExists());

    UninstallerWatch watch;
    ProcessRunResult removal = Uninstall(command, IDYES, &watch);
    watch.SaveScreenshots(L"end-to-end");

    ASSERT_TRUE(removal.exited);
    EXPECT_EQ(removal.exitCode, 0u);
    EXPECT_TRUE(watch.capturedDuring) << "the progress was seen under way";
    ASSERT_GT(watch.frames, 0);
    EXPECT_TRUE(NearColor(watch.last.At(430, kProgressRect.top + 4), 0x2D7DF6, 8)) << "and at its end";
    EXPECT_EQ(RunningCopies(L"Orvicap.exe"), 0) << "the application the installer started was stopped";
    EXPECT_FALSE(EntryExists());
    EXPECT_FALSE(DirectoryExists(installDir + L"\\bin"));
    EXPECT_TRUE(WaitUntilGone(uninstaller, 15000));
    EXPECT_TRUE(WaitUntilGone(installDir, 5000));
    EXPECT_TRUE(FileExists(DesktopShortcutPath())) << "nobody removes the shortcut";
}

}  // namespace
