#include "installer_program_fixture.h"

#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "directory_links.h"
#include "install_location.h"
#include "installer_constants.h"
#include "program_resources.h"
#include "start_records.h"
#include "test_processes.h"
#include "window_layout.h"
#include "window_painting.h"

namespace {

constexpr POINT kClosePoint = {466, 14};
constexpr POINT kInstallPoint = {240, 190};
constexpr POINT kInstallButtonProbe = {140, 190};
constexpr POINT kCheckboxPoint = {36, 258};
constexpr POINT kTogglePoint = {440, 259};
constexpr POINT kChangeDirProbe = {347, 323};
// Time for the window to paint what the previous step changed.
constexpr ULONGLONG kStepPauseMs = 700;
constexpr DWORD kFileAppearsMs = 15000;

using WindowAction = std::function<void(HWND)>;

// Acts on the program's window once it is shown: each action runs at least
// kStepPauseMs after the one before.  `done` counts the actions that ran.
std::function<void(DWORD)> Script(std::vector<WindowAction> actions, size_t& done)
{
    auto last = std::make_shared<ULONGLONG>(0);
    return [actions = std::move(actions), &done, last](DWORD processId) {
        HWND window = FindInstallerWindow(processId);
        if (window == nullptr || done >= actions.size()) {
            return;
        }
        const ULONGLONG now = GetTickCount64();
        if (*last == 0) {
            MoveToCorner(window);
            *last = now;
        }
        if (now - *last < kStepPauseMs) {
            return;
        }
        MoveToCorner(window);
        actions[done++](window);
        *last = GetTickCount64();
    };
}

std::uint32_t Probe(const std::unique_ptr<PixelCanvas>& picture, POINT point)
{
    return picture ? picture->At(point.x, point.y) : 0xFFFFFFFF;
}

void ExpectOneBox(const ProcessRunResult& run, const wchar_t* text, UINT icon)
{
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, text);
    EXPECT_EQ(run.boxes[0].caption, L"Orvicap");
    EXPECT_EQ(run.boxes[0].icon, icon);
}

TEST_F(InstallerProgramTest, PersonInstallsThenStartsTheInstallerAgain)
{
    const std::wstring record = temp / L"starts.txt";
    ScopedEnvironmentVariable recordVariable(L"ORVICAP_STANDIN_RECORD", record);

    std::unique_ptr<PixelCanvas> fresh;
    std::unique_ptr<PixelCanvas> agreed;
    std::unique_ptr<PixelCanvas> opened;
    size_t done = 0;
    ProcessRunOptions install = Options(L"");
    install.whileRunning = Script(
        {
            [&](HWND window) {
                fresh = CaptureWindow(window, L"installer-1-first-start.png");
                ClickAt(window, kCheckboxPoint);
            },
            [&](HWND window) {
                agreed = CaptureWindow(window, L"installer-2-agreed.png");
                ClickAt(window, kTogglePoint);
            },
            [&](HWND window) {
                opened = CaptureWindow(window, L"installer-3-location-area.png");
                ClickAt(window, kInstallPoint);
            },
        },
        done);
    install.answerBox = [](const SeenMessageBox& box) {
        if (box.text == kInstallCompleteMessage) {
            CaptureWindow(GetWindow(box.window, GW_OWNER), L"installer-4-installation-complete.png");
        }
        return IDOK;
    };
    const ProcessRunResult installed = RunProcess(install);

    ASSERT_TRUE(installed.exited);
    EXPECT_EQ(installed.exitCode, 0u);
    ASSERT_EQ(done, 3u) << "the window did not appear or the installation ended early";
    ExpectOneBox(installed, kInstallCompleteMessage, MB_ICONINFORMATION);
    ASSERT_TRUE(fresh && agreed && opened);
    EXPECT_EQ(fresh->width, 480);
    EXPECT_EQ(fresh->height, 320);
    EXPECT_EQ(opened->height, 420);
    EXPECT_TRUE(ColorNear(Probe(fresh, kInstallButtonProbe), Rgb(kInstallDisabledColor), 2));
    // Blue, or its lighter shade should the pointer rest on the button.
    EXPECT_TRUE(ColorNear(Probe(agreed, kInstallButtonProbe), Rgb(kAccentColor), 2) ||
                ColorNear(Probe(agreed, kInstallButtonProbe), Rgb(kAccentHoverColor), 2))
        << "the tick did not take";
    EXPECT_TRUE(ColorNear(Probe(opened, kChangeDirProbe), Rgb(kChangeDirRestColor), 2) ||
                ColorNear(Probe(opened, kChangeDirProbe), Rgb(kAccentHoverColor), 2));

    EXPECT_TRUE(FileExists(defaultInstallDir + L"\\uninstall.exe"));
    EXPECT_TRUE(FileExists(defaultInstallDir + L"\\uninstall.ini"));
    EXPECT_TRUE(FileExists(DesktopShortcutPath()));
    EXPECT_EQ(ReadEntryValue(KEY_WOW64_32KEY, L"InstallLocation").data, StringData(defaultInstallDir));
    const auto starts = WaitForStartRecords(record, 1, kFileAppearsMs);
    ASSERT_EQ(starts.size(), 1u) << "the installed program was not started once";
    EXPECT_NE(starts[0].commandLine.find(MainProgramPath(defaultInstallDir)), std::wstring::npos)
        << testing::PrintToString(starts[0].commandLine);
    EXPECT_EQ(CanonicalPath(starts[0].directory), CanonicalPath(ProgramDir(defaultInstallDir)));
    EndProcessesNamed(kMainProgramName);

    // Started again, it finds the installation and opens with the location area.
    std::unique_ptr<PixelCanvas> again;
    done = 0;
    ProcessRunOptions reopen = Options(L"");
    reopen.whileRunning = Script(
        {
            [&](HWND window) {
                again = CaptureWindow(window, L"installer-5-already-installed.png");
                ClickAt(window, kClosePoint);
            },
        },
        done);
    const ProcessRunResult reopened = RunProcess(reopen);

    ASSERT_TRUE(reopened.exited);
    EXPECT_EQ(reopened.exitCode, 0u);
    EXPECT_TRUE(reopened.boxes.empty());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->height, 420);
    EXPECT_TRUE(ColorNear(Probe(again, kChangeDirProbe), Rgb(kSeparatorColor), 2)) << "change directory not greyed";
}

// The header's small title line, clear of the minimise and close buttons.
constexpr RECT kSmallTitleArea = {16, 6, 300, 30};
// Anti-aliasing differs between the screen and an off-screen bitmap, so the
// title is compared by where its text ends, which the version decides.
constexpr int kTitleInkTolerance = 70;

LONG TitleTextRight(const PixelCanvas& picture)
{
    return BoundsOfColor(picture, kSmallTitleArea, Rgb(kHeaderTextColor), kTitleInkTolerance).right;
}

// Where the title's text ends in the window painted off-screen with that
// product version.
LONG PaintedTitleTextRight(const std::wstring& productVersion)
{
    InstallerState state;
    state.productVersion = productVersion;
    state.layout = LayoutForClient(kWindowWidth, WindowHeightFor(false), MeasureAgreementRow(nullptr));
    PixelCanvas painted(state.layout.clientWidth, state.layout.clientHeight, 0xFF00FF);
    PaintInstallerWindow(painted.dc, state, state.layout);
    return TitleTextRight(painted);
}

TEST_F(InstallerProgramTest, ReleaseVersionShowsInTheTitleTheUninstallEntryAndTheFileProperties)
{
    const std::wstring version = ORVICAP_VERSIONED_INSTALLER_VERSION;
    const std::wstring program = ModuleDirectory() + L"\\versioned-installer\\VLInstaller.exe";
    EXPECT_EQ(VersionString(program, L"080404b0", L"FileVersion"), version);
    EXPECT_EQ(VersionString(program, L"080404b0", L"ProductVersion"), version);
    VS_FIXEDFILEINFO fixed{};
    ASSERT_TRUE(FixedVersion(program, fixed));
    EXPECT_EQ(FixedVersionText(fixed.dwFileVersionMS, fixed.dwFileVersionLS), version);
    EXPECT_EQ(FixedVersionText(fixed.dwProductVersionMS, fixed.dwProductVersionLS), version);

    std::unique_ptr<PixelCanvas> shown;
    size_t done = 0;
    ProcessRunOptions install = Options(L"", program);
    install.whileRunning = Script(
        {
            [&](HWND window) {
                shown = CaptureWindow(window, L"installer-versioned.png");
                ClickAt(window, kCheckboxPoint);
            },
            [&](HWND window) { ClickAt(window, kInstallPoint); },
        },
        done);
    const ProcessRunResult installed = RunProcess(install);
    EndProcessesNamed(kMainProgramName);

    ASSERT_TRUE(installed.exited);
    EXPECT_EQ(installed.exitCode, 0u);
    ASSERT_EQ(done, 2u) << "the window did not appear or the installation ended early";
    ExpectOneBox(installed, kInstallCompleteMessage, MB_ICONINFORMATION);
    EXPECT_EQ(ReadEntryValue(KEY_WOW64_32KEY, L"DisplayVersion").data, StringData(version));
    ASSERT_TRUE(shown);
    // The title ends where the title painted with this version ends, and
    // visibly elsewhere than the one with the fallback version.
    const LONG shownRight = TitleTextRight(*shown);
    EXPECT_NEAR(shownRight, PaintedTitleTextRight(version), 1);
    EXPECT_GT(std::abs(shownRight - PaintedTitleTextRight(L"1.0.0.0")), 3);
}

TEST_F(InstallerProgramTest, SecondInstanceShowsItsBoxAndExitsZeroWhileTheUninstallModeStillRuns)
{
    StartedProcess first;
    ASSERT_TRUE(StartProcess(L"\"" + InstallerProgram() + L"\"", first));
    HWND firstWindow = nullptr;
    for (int i = 0; i < 200 && firstWindow == nullptr; ++i) {
        Sleep(50);
        firstWindow = FindInstallerWindow(first.pid);
    }
    ASSERT_NE(firstWindow, nullptr);

    const ProcessRunResult second = RunProcess(Options(L""));

    ASSERT_TRUE(second.exited);
    EXPECT_EQ(second.exitCode, 0u);
    ExpectOneBox(second, kAlreadyRunningMessage, MB_ICONINFORMATION);
    EXPECT_TRUE(IsWindow(firstWindow));

    // The uninstall mode takes no part in the single-instance rule.
    const ProcessRunResult uninstall = RunProcess(Options(L"/uninstall"));
    ASSERT_TRUE(uninstall.exited);
    EXPECT_EQ(uninstall.exitCode, 0u);
    ExpectOneBox(uninstall, kNothingToUninstallMessage, MB_ICONINFORMATION);

    ClickAt(firstWindow, kClosePoint);
    ASSERT_TRUE(first.WaitForExit(10000)) << "the close button did not end the first instance";
    DWORD exitCode = 1;
    GetExitCodeProcess(first.process, &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

struct UninstallCase {
    const char* name;
    const wchar_t* arguments;
    int answer;
    bool removes;
    // InstallLocation registered from the root of the current drive, as
    // the installer's last fallback default directory is.
    bool withoutDrive = false;
    // data.txt held open with no sharing throughout the run.
    bool fileHeld = false;
};

TEST_F(InstallerProgramTest, UninstallSwitchAsksThenRemovesDirectoryAndEntryButNotTheShortcut)
{
    const UninstallCase cases[] = {
        {"declined", L"/UNINSTALL", IDNO, false},
        {"confirmed", L"--lang zh /Uninstall extra", IDYES, true},
        {"confirmed, location without its drive", L"/uninstall", IDYES, true, true},
        {"confirmed, a file held open", L"/uninstall", IDYES, true, false, true},
    };
    for (const UninstallCase& row : cases) {
        SCOPED_TRACE(row.name);
        ScopedTempDir machine;
        const std::wstring installDir = machine / L"Apps\\Orvicap";
        ASSERT_TRUE(CreateDirectories(ProgramDir(installDir)));
        ASSERT_TRUE(CopyFileW((ModuleDirectory() + L"\\probe_app.exe").c_str(), MainProgramPath(installDir).c_str(), FALSE));
        ASSERT_TRUE(WriteFileBytes(installDir + L"\\data.txt", "data"));
        ASSERT_EQ(installDir.compare(1, 2, L":\\"), 0);
        WriteEntryString(KEY_WOW64_32KEY, L"InstallLocation", row.withoutDrive ? installDir.substr(2) : installDir);
        ASSERT_TRUE(WriteFileBytes(DesktopShortcutPath(), "shortcut"));
        // The installer deletes its own file at the end: a copy of it, as if downloaded.
        const std::wstring downloaded = machine / L"Downloads\\VLInstaller.exe";
        ASSERT_TRUE(CreateDirectories(machine / L"Downloads"));
        ASSERT_TRUE(CopyFileW(InstallerProgram().c_str(), downloaded.c_str(), FALSE));
        StartedProcess running;
        ASSERT_TRUE(StartProcess(L"\"" + MainProgramPath(installDir) + L"\" --sleep 60000", running));
        HANDLE held = row.fileHeld ? CreateFileW((installDir + L"\\data.txt").c_str(), GENERIC_READ, 0, nullptr,
                                                 OPEN_EXISTING, 0, nullptr)
                                   : nullptr;
        ASSERT_NE(held, INVALID_HANDLE_VALUE);

        ProcessRunOptions options = Options(row.arguments, downloaded);
        // The current drive is the one the installation lies on.
        options.currentDirectory = machine.path;
        options.answerBox = [&row](const SeenMessageBox& box) {
            return box.text == kUninstallCompleteMessage ? IDOK : row.answer;
        };
        const ProcessRunResult run = RunProcess(options);
        if (held != nullptr) {
            CloseHandle(held);
        }

        ASSERT_TRUE(run.exited);
        EXPECT_EQ(run.exitCode, 0u);
        ASSERT_EQ(run.boxes.size(), row.removes ? 2u : 1u);
        EXPECT_EQ(run.boxes[0].text, std::wstring(kUninstallConfirmPrefix) + L"Orvicap" + kUninstallConfirmSuffix);
        EXPECT_EQ(run.boxes[0].icon, static_cast<UINT>(MB_ICONQUESTION));
        EXPECT_EQ(run.boxes[0].buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_TRUE(FileExists(DesktopShortcutPath())) << "the shortcut is never removed";
        if (row.removes) {
            EXPECT_EQ(run.boxes[1].text, kUninstallCompleteMessage);
            EXPECT_EQ(run.boxes[1].icon, static_cast<UINT>(MB_ICONINFORMATION));
            EXPECT_TRUE(running.WaitForExit(5000)) << "the running application was not stopped";
            EXPECT_FALSE(FileExists(MainProgramPath(installDir)));
            // The held file stays with its folder; the entry goes all the same.
            EXPECT_EQ(FileExists(installDir + L"\\data.txt"), row.fileHeld);
            EXPECT_EQ(DirectoryExists(installDir), row.fileHeld);
            EXPECT_FALSE(ReadEntryValue(KEY_WOW64_32KEY, L"InstallLocation").present);
            EXPECT_TRUE(WaitUntilGone(downloaded, kFileAppearsMs)) << "the installer did not delete itself";
        } else {
            EXPECT_FALSE(running.WaitForExit(0)) << "declining stopped the application";
            EXPECT_TRUE(FileExists(installDir + L"\\data.txt"));
            EXPECT_TRUE(ReadEntryValue(KEY_WOW64_32KEY, L"InstallLocation").present);
            Sleep(3000);
            EXPECT_TRUE(FileExists(downloaded));
        }
        ScopedUninstallEntry::Remove();
        DeleteFileW(DesktopShortcutPath().c_str());
    }
}

// The elevated program deletes a tree the registry names: a directory link
// inside it leads out of the installation and must be removed as a link.
TEST_F(InstallerProgramTest, UninstallSwitchNeverDeletesThroughALinkInTheInstallDirectory)
{
    const std::wstring installDir = temp / L"Apps\\Orvicap";
    const std::wstring outside = temp / L"outside";
    const std::wstring link = installDir + L"\\shared";
    ASSERT_TRUE(CreateDirectories(ProgramDir(installDir)));
    ASSERT_TRUE(WriteFileBytes(MainProgramPath(installDir), "installed program"));
    ASSERT_TRUE(CreateDirectories(outside));
    ASSERT_TRUE(WriteFileBytes(outside + L"\\precious.txt", "keep"));
    ASSERT_TRUE(MakeDirectoryLink(outside, link));
    WriteEntryString(KEY_WOW64_32KEY, L"InstallLocation", installDir);
    const std::wstring downloaded = temp / L"VLInstaller.exe";
    ASSERT_TRUE(CopyFileW(InstallerProgram().c_str(), downloaded.c_str(), FALSE));

    ProcessRunOptions options = Options(L"/uninstall", downloaded);
    options.answerBox = [](const SeenMessageBox& box) { return box.text == kUninstallCompleteMessage ? IDOK : IDYES; };
    const ProcessRunResult run = RunProcess(options);
    RemoveDirectoryLink(link);

    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.boxes.size(), 2u);
    EXPECT_EQ(run.boxes[1].text, kUninstallCompleteMessage);
    EXPECT_EQ(ReadFileBytes(outside + L"\\precious.txt"), "keep");
    EXPECT_FALSE(FileExists(MainProgramPath(installDir)));
    EXPECT_FALSE(DirectoryExists(installDir + L"\\bin"));
    EXPECT_FALSE(ReadEntryValue(KEY_WOW64_32KEY, L"InstallLocation").present);
    EXPECT_TRUE(WaitUntilGone(downloaded, kFileAppearsMs)) << "the installer did not delete itself";
}

TEST_F(InstallerProgramTest, LookAlikeSwitchesOpenTheWindow)
{
    for (const wchar_t* arguments : {L"-uninstall", L"/uninstall:yes", L"uninstall"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(arguments)));
        size_t done = 0;
        ProcessRunOptions options = Options(arguments);
        options.whileRunning = Script({[](HWND window) { ClickAt(window, kClosePoint); }}, done);
        const ProcessRunResult run = RunProcess(options);
        ASSERT_TRUE(run.exited);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(done, 1u) << "no window";
        EXPECT_TRUE(run.boxes.empty());
    }
}

}  // namespace
