#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "box_watcher.h"
#include "install_location.h"
#include "installer_constants.h"
#include "installer_entry.h"
#include "pixel_canvas.h"
#include "test_files.h"
#include "test_processes.h"
#include "uninstall_entry_fixture.h"
#include "window_layout.h"

namespace {

constexpr POINT kClosePoint = {466, 14};
constexpr POINT kMinimizePoint = {434, 14};
constexpr POINT kInstallPoint = {240, 190};
constexpr POINT kCheckboxPoint = {36, 258};
constexpr POINT kLabelPoint = {60, 258};  // "已阅读并同意", between the checkbox and the link
constexpr POINT kChangeDirPoint = {397, 323};
constexpr POINT kToggleCentre = {440, 259};
constexpr POINT kEmptyBodyPoint = {240, 290};
constexpr POINT kHeaderPoint = {100, 60};
constexpr DWORD kBoxAppearsMs = 10000;

std::wstring DesktopShortcutPath()
{
    wchar_t desktop[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOP, nullptr, SHGFP_TYPE_CURRENT, desktop);
    return std::wstring(desktop) + L"\\" + kDisplayName + kShortcutExtension;
}

LPARAM At(POINT point)
{
    return MAKELPARAM(point.x, point.y);
}

POINT LinkPoint(const InstallerState& state)
{
    const RECT& link = state.layout.licenseLinkRect;
    return {(link.left + link.right) / 2, (link.top + link.bottom) / 2};
}

// A real installer window on this thread, with the product's machine state
// (uninstall entry, desktop shortcut) cleared before and after.
struct InstallerWindowTest : testing::Test {
    ScopedGdiplus gdiplus;
    ScopedUninstallEntry entry;
    ScopedTempDir temp;
    InstallerState state;
    HWND window = nullptr;

    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        DeleteFileW(DesktopShortcutPath().c_str());
        RegisterInstallerWindowClass(GetModuleHandleW(nullptr));
    }

    void TearDown() override
    {
        if (IsWindow(window)) {
            DestroyWindow(window);
        }
        DrainQueue();
        DeleteFileW(DesktopShortcutPath().c_str());
        CoUninitialize();
    }

    // Created and shown the way the program does it.
    void Open()
    {
        window = CreateInstallerWindow(GetModuleHandleW(nullptr), state);
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
    }

    // An installation the window finds through the uninstall entry.
    std::wstring PlantInstallation()
    {
        const std::wstring dir = temp / L"Installed\\Orvicap";
        EXPECT_TRUE(CreateDirectories(ProgramDir(dir)));
        EXPECT_TRUE(WriteFileBytes(MainProgramPath(dir), "installed program"));
        WriteEntryString(KEY_WOW64_32KEY, L"InstallLocation", dir);
        return dir;
    }

    void Click(POINT point)
    {
        SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(point));
        if (IsWindow(window)) {
            SendMessageW(window, WM_LBUTTONUP, 0, At(point));
        }
    }

    void PostClick(POINT point)
    {
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(point));
        PostMessageW(window, WM_LBUTTONUP, 0, At(point));
    }

    void PrepareInstall()
    {
        state.installDir = temp / L"Program Files\\Orvicap";
        state.agreed = true;
    }

    bool Invalidated() const
    {
        RECT update{};
        return GetUpdateRect(window, &update, FALSE) != FALSE;
    }

    static bool TakeQuitRequest()
    {
        MSG message;
        return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    }

    // Dispatches what is queued; true when a quit request was among it.
    static bool DrainQueue()
    {
        bool quit = false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
            } else {
                DispatchMessageW(&message);
            }
        }
        return quit;
    }

    RECT WindowRect() const
    {
        RECT rect{};
        GetWindowRect(window, &rect);
        return rect;
    }
};

TEST_F(InstallerWindowTest, FirstStartOpens480By320CentredWithTheDefaultDirectory)
{
    Open();
    const RECT rect = WindowRect();
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 480) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 320) / 2);
    EXPECT_EQ(rect.right - rect.left, 480);
    EXPECT_EQ(rect.bottom - rect.top, 320);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    EXPECT_STREQ(className, L"VelorinVidronaInstallerWnd");
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, L"Orvicap");
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME),
              static_cast<LONG>(WS_POPUP));
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    EXPECT_FALSE(state.expanded);
    EXPECT_FALSE(state.alreadyInstalled);
    EXPECT_FALSE(state.agreed);
    EXPECT_EQ(state.installDir, DefaultInstallDir());
    EXPECT_EQ(state.statusText, L"");
    // This test program has no version block, so the window falls back.
    EXPECT_EQ(state.productVersion, L"1.0.0.0");
    EXPECT_EQ(state.layout.clientHeight, 320);
}

TEST_F(InstallerWindowTest, ExistingInstallationOpensTheLocationAreaFixedToIt)
{
    const std::wstring installed = PlantInstallation();
    window = CreateInstallerWindow(GetModuleHandleW(nullptr), state);
    ASSERT_NE(window, nullptr);
    // Already before it is first shown and painted.
    EXPECT_EQ(WindowRect().bottom - WindowRect().top, 420);
    EXPECT_EQ(state.layout.clientHeight, 420);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);

    EXPECT_TRUE(state.alreadyInstalled);
    EXPECT_TRUE(state.expanded);
    EXPECT_EQ(state.installDir, installed);
    EXPECT_EQ(state.statusText, kAlreadyInstalledNotice);

    // The greyed change-directory button has no hover look and ignores
    // clicks: no folder picker opens.
    BoxWatcher watcher([](WatchedBox&) { return IDCANCEL; });
    SendMessageW(window, WM_MOUSEMOVE, 0, At(kChangeDirPoint));
    EXPECT_FALSE(state.changeDirHover);
    // A picker would hold the click until the watcher had cancelled it (its
    // OK button would choose a folder, which Wine's picker may answer by
    // opening that folder instead of closing).
    Click(kChangeDirPoint);
    EXPECT_TRUE(watcher.Boxes().empty());
    EXPECT_EQ(state.installDir, installed);
}

struct HitCase {
    POINT point;
    LRESULT expected;
};

TEST_F(InstallerWindowTest, HeaderBandDragsTheWindowExceptOnItsButtons)
{
    Open();
    const RECT rect = WindowRect();
    const HitCase cases[] = {
        {{10, 10}, HTCAPTION},   {{240, 149}, HTCAPTION}, {{450, 5}, HTCAPTION},  {{419, 27}, HTCAPTION},
        {{452, 0}, HTCLIENT},    {{479, 27}, HTCLIENT},   {{420, 0}, HTCLIENT},   {{447, 27}, HTCLIENT},
        {{240, 150}, HTCLIENT},  {{240, 300}, HTCLIENT},  {{460, 28}, HTCAPTION},
    };
    for (const HitCase& row : cases) {
        SCOPED_TRACE(testing::Message() << "(" << row.point.x << ", " << row.point.y << ")");
        const POINT screen = {rect.left + row.point.x, rect.top + row.point.y};
        EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)), row.expected);
    }
}

struct CursorCase {
    const char* where;
    POINT point;
    bool expanded;
    bool hand;
};

TEST_F(InstallerWindowTest, HandCursorOverEveryActiveElementOnly)
{
    PlantInstallation();
    Open();
    const POINT link = LinkPoint(state);
    const CursorCase cases[] = {
        {"close", kClosePoint, false, true},
        {"minimise", kMinimizePoint, false, true},
        {"install", kInstallPoint, false, true},
        {"checkbox", kCheckboxPoint, false, true},
        {"link", link, false, true},
        {"toggle", kToggleCentre, false, true},
        {"label", kLabelPoint, false, false},
        {"header", kHeaderPoint, false, false},
        {"body", kEmptyBodyPoint, false, false},
        {"change directory, area closed", {397, 312}, false, false},
        {"change directory, already installed", kChangeDirPoint, true, false},
    };
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    for (const CursorCase& row : cases) {
        SCOPED_TRACE(row.where);
        if (state.expanded != row.expanded) {
            Click(kToggleCentre);
        }
        const RECT rect = WindowRect();
        SetCursorPos(rect.left + row.point.x, rect.top + row.point.y);
        SetCursor(nullptr);
        EXPECT_EQ(SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
                  TRUE);
        EXPECT_EQ(GetCursor(), row.hand ? hand : arrow);
    }
    // Without an installation the open area's button gives the hand, also while the bar is shown.
    state.alreadyInstalled = false;
    state.installing = true;
    const RECT rect = WindowRect();
    for (POINT point : {kChangeDirPoint, kInstallPoint}) {
        SetCursorPos(rect.left + point.x, rect.top + point.y);
        SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), hand);
    }
}

struct HoverCase {
    const char* where;
    POINT point;
    bool InstallerState::*flag;  // the flag that is set there, or null
    bool repaints;
};

TEST_F(InstallerWindowTest, HoverFlagsFollowThePointerAndRepaintOnlyOnChange)
{
    state.agreed = true;
    Open();
    Click(kToggleCentre);
    const POINT link = LinkPoint(state);
    const HoverCase moves[] = {
        {"body", kEmptyBodyPoint, nullptr, false},
        {"install", kInstallPoint, &InstallerState::installHover, true},
        {"install again", {kInstallPoint.x + 5, kInstallPoint.y}, &InstallerState::installHover, false},
        {"close", kClosePoint, &InstallerState::closeHover, true},
        {"minimise", kMinimizePoint, &InstallerState::minimizeHover, true},
        {"link", link, &InstallerState::linkHover, true},
        {"toggle", kToggleCentre, &InstallerState::customHover, true},
        {"change directory", kChangeDirPoint, &InstallerState::changeDirHover, true},
        {"checkbox", kCheckboxPoint, nullptr, true},
        {"label", kLabelPoint, nullptr, false},
    };
    bool InstallerState::*flags[] = {&InstallerState::closeHover, &InstallerState::minimizeHover,
                                     &InstallerState::installHover, &InstallerState::linkHover,
                                     &InstallerState::customHover, &InstallerState::changeDirHover};
    for (const HoverCase& move : moves) {
        SCOPED_TRACE(move.where);
        ValidateRect(window, nullptr);
        SendMessageW(window, WM_MOUSEMOVE, 0, At(move.point));
        for (bool InstallerState::*flag : flags) {
            EXPECT_EQ(state.*flag, flag == move.flag);
        }
        EXPECT_EQ(Invalidated(), move.repaints);
    }
    // While installing, the progress bar has no hover look.
    state.installing = true;
    SendMessageW(window, WM_MOUSEMOVE, 0, At(kInstallPoint));
    EXPECT_FALSE(state.installHover);
}

struct PressCase {
    const char* how;
    POINT down;
    POINT up;
    bool quits;
};

TEST_F(InstallerWindowTest, CloseButtonEndsTheLoopOnReleaseOverItselfAfterAPressOnIt)
{
    Open();
    const PressCase cases[] = {
        {"press and release on it", kClosePoint, {455, 3}, true},
        {"released elsewhere", kClosePoint, kEmptyBodyPoint, false},
        {"pressed elsewhere", kEmptyBodyPoint, kClosePoint, false},
        {"pressed on minimise", kMinimizePoint, kClosePoint, false},
    };
    // The minimise button acts at once, on the press.
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(kMinimizePoint));
    EXPECT_TRUE(IsIconic(window));
    ShowWindow(window, SW_RESTORE);
    for (const PressCase& row : cases) {
        SCOPED_TRACE(row.how);
        SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(row.down));
        SendMessageW(window, WM_LBUTTONUP, 0, At(row.up));
        EXPECT_FALSE(state.closePressed);
        EXPECT_EQ(TakeQuitRequest(), row.quits);
        // The loop ends; the window itself is not destroyed by the button.
        EXPECT_TRUE(IsWindow(window));
        if (IsIconic(window)) {
            ShowWindow(window, SW_RESTORE);
        }
    }
    EXPECT_FALSE(IsIconic(window));
}

TEST_F(InstallerWindowTest, ToggleGrowsAndShrinksTheWindowAtTheBottom)
{
    Open();
    SetWindowPos(window, nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    for (int expected : {420, 320, 420}) {
        SCOPED_TRACE(expected);
        ValidateRect(window, nullptr);
        Click(kToggleCentre);
        const RECT rect = WindowRect();
        EXPECT_EQ(rect.left, 100);
        EXPECT_EQ(rect.top, 120);
        EXPECT_EQ(rect.right - rect.left, 480);
        EXPECT_EQ(rect.bottom - rect.top, expected);
        EXPECT_EQ(state.expanded, expected == 420);
        EXPECT_EQ(state.layout.clientHeight, expected);
        EXPECT_TRUE(Invalidated());
    }
}

TEST_F(InstallerWindowTest, CheckboxTogglesTheAgreementAndItsLabelDoesNot)
{
    Open();
    for (bool expected : {true, false}) {
        ValidateRect(window, nullptr);
        Click(kCheckboxPoint);
        EXPECT_EQ(state.agreed, expected);
        EXPECT_TRUE(Invalidated());
    }
    ValidateRect(window, nullptr);
    Click(kLabelPoint);
    EXPECT_FALSE(state.agreed);
    EXPECT_FALSE(Invalidated());
}

TEST_F(InstallerWindowTest, InstallWithoutTheAgreementAsksForItAndInstallsNothing)
{
    Open();
    state.installDir = temp / L"Program Files\\Orvicap";
    BoxWatcher watcher;
    Click(kInstallPoint);

    const std::vector<WatchedBox> boxes = watcher.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kAgreeFirstMessage);
    EXPECT_EQ(boxes[0].caption, L"Orvicap");
    EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(boxes[0].owner, window);
    EXPECT_FALSE(DirectoryExists(state.installDir));
    EXPECT_FALSE(state.installing);
}

std::wstring StartRecordOf(const std::wstring& installDir)
{
    const std::wstring record = ProgramDir(installDir) + L"\\started.txt";
    WaitForFile(record, 10000);
    return Utf8ToWideForTest(ReadFileBytes(record));
}

TEST_F(InstallerWindowTest, SuccessfulInstallationReportsStartsTheProgramAndDestroysTheWindow)
{
    Open();
    PrepareInstall();
    BoxWatcher watcher;
    Click(kInstallPoint);

    const std::vector<WatchedBox> boxes = watcher.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kInstallCompleteMessage);
    EXPECT_EQ(boxes[0].caption, L"Orvicap");
    EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(boxes[0].owner, window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(TakeQuitRequest()) << "destroying the window ends the message loop";
    EXPECT_TRUE(FileExists(state.installDir + L"\\uninstall.exe"));
    // probe_app stands in for the main program: it records its command line and directory.
    const std::wstring record = StartRecordOf(state.installDir);
    EXPECT_NE(record.find(MainProgramPath(state.installDir)), std::wstring::npos) << testing::PrintToString(record);
    EXPECT_NE(record.find(L"\n" + ProgramDir(state.installDir) + L"\n"), std::wstring::npos)
        << "not started in bin\\64bit: " << testing::PrintToString(record);
}

TEST_F(InstallerWindowTest, FailedInstallationShowsItsMessageAndAllowsAnotherAttempt)
{
    Open();
    PrepareInstall();
    ASSERT_TRUE(WriteFileBytes(temp / L"a-file", "x"));
    state.installDir = temp / L"a-file\\Orvicap";
    BoxWatcher watcher;
    Click(kInstallPoint);
    Click(kInstallPoint);

    const std::vector<WatchedBox> boxes = watcher.Boxes();
    ASSERT_EQ(boxes.size(), 2u) << "the second press did not run the installation again";
    for (const WatchedBox& box : boxes) {
        EXPECT_EQ(box.text, kCannotCreateInstallDirMessage);
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(box.owner, window);
    }
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(state.installing);
    EXPECT_EQ(state.statusText, kCannotCreateInstallDirMessage);
}

// Posts a close click (press and release on the button) with the first
// paint that shows extraction progress, so that the extraction's own
// progress report is what takes it.
struct CloseClickDuringExtraction {
    static inline WNDPROC original = nullptr;
    static inline const InstallerState* state = nullptr;
    static inline bool posted = false;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_PAINT && !posted && state->installing && state->progress > 0) {
            posted = true;
            PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(kClosePoint));
            PostMessageW(window, WM_LBUTTONUP, 0, At(kClosePoint));
        }
        return CallWindowProcW(original, window, message, wParam, lParam);
    }

    CloseClickDuringExtraction(HWND window, const InstallerState& watched)
    {
        state = &watched;
        posted = false;
        original = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
};

TEST_F(InstallerWindowTest, CloseButtonDuringExtractionStopsItAndASecondClickEndsTheProgram)
{
    Open();
    PrepareInstall();
    CloseClickDuringExtraction closeClick(window, state);
    BoxWatcher watcher;
    Click(kInstallPoint);

    ASSERT_TRUE(CloseClickDuringExtraction::posted) << "no progress was painted";
    const std::vector<WatchedBox> boxes = watcher.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kExtractionFailedMessage);
    EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(boxes[0].owner, window);
    EXPECT_TRUE(IsWindow(window)) << "the window must stay to say what happened";
    EXPECT_FALSE(state.installing);
    EXPECT_FALSE(TakeQuitRequest()) << "the stopped extraction took the close click's quit request";

    // The file written before the click stays; the rest of the run never came.
    int payloadFilesWritten = 0;
    for (const std::wstring& file : {MainProgramPath(state.installDir), ProgramDir(state.installDir) + L"\\VLUpdater.exe",
                                     state.installDir + L"\\docs\\readme.txt"}) {
        payloadFilesWritten += FileExists(file) ? 1 : 0;
    }
    EXPECT_EQ(payloadFilesWritten, 1);
    EXPECT_FALSE(FileExists(state.installDir + L"\\uninstall.exe"));
    EXPECT_FALSE(FileExists(state.installDir + L"\\uninstall.ini"));
    EXPECT_FALSE(ReadEntryValue(KEY_WOW64_32KEY, L"InstallLocation").present);
    EXPECT_FALSE(FileExists(DesktopShortcutPath()));

    Click(kClosePoint);
    EXPECT_TRUE(TakeQuitRequest()) << "the second click must end the program";
}

struct CloseRequest {
    const char* how;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Alt+F4 reaches the window as a system key, which the default handling
// turns into SC_CLOSE and then WM_CLOSE; the taskbar sends SC_CLOSE.
const CloseRequest kCloseRequests[] = {
    {"WM_CLOSE", WM_CLOSE, 0, 0},
    {"taskbar close", WM_SYSCOMMAND, SC_CLOSE, 0},
    {"Alt+F4", WM_SYSKEYDOWN, VK_F4, 0x20000001 | (0x3E << 16)},
};

TEST_F(InstallerWindowTest, SystemCloseRequestEndsTheProgramWhenNotInstalling)
{
    for (const CloseRequest& request : kCloseRequests) {
        SCOPED_TRACE(request.how);
        Open();
        PostMessageW(window, request.message, request.wParam, request.lParam);
        EXPECT_TRUE(DrainQueue()) << "the message loop would not end";
        EXPECT_FALSE(IsWindow(window));
    }
}

TEST_F(InstallerWindowTest, SystemCloseRequestDuringInstallationIsIgnored)
{
    for (const CloseRequest& request : kCloseRequests) {
        SCOPED_TRACE(request.how);
        ScopedTempDir installRoot;
        ScopedUninstallEntry::Remove();
        state = InstallerState{};
        Open();
        PrepareInstall();
        state.installDir = installRoot / L"Orvicap";
        BoxWatcher watcher;
        // Queued now, dispatched by the extraction's first progress report.
        PostMessageW(window, request.message, request.wParam, request.lParam);
        Click(kInstallPoint);

        const std::vector<WatchedBox> boxes = watcher.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kInstallCompleteMessage) << "the installation did not run to its end";
        EXPECT_TRUE(boxes[0].ownerWasWindow) << "the window was destroyed during the installation";
        EXPECT_TRUE(FileExists(MainProgramPath(state.installDir)));
        StartRecordOf(state.installDir);
        DrainQueue();
        TakeQuitRequest();
    }
}

TEST_F(InstallerWindowTest, DuringInstallationOnlyTheInstallAndChangeDirectoryButtonsAreInert)
{
    Open();
    PrepareInstall();
    BoxWatcher watcher([](WatchedBox& box) { return box.buttons.empty() ? IDCANCEL : DefaultButton(box); });
    // All dispatched inside the pipeline, while it runs.
    PostClick(kCheckboxPoint);
    PostClick(kToggleCentre);
    PostClick(kChangeDirPoint);
    PostClick(kInstallPoint);
    Click(kInstallPoint);

    const std::vector<WatchedBox> boxes = watcher.Boxes();
    ASSERT_EQ(boxes.size(), 1u) << "a second installation or a folder picker was started";
    EXPECT_EQ(boxes[0].text, kInstallCompleteMessage);
    EXPECT_FALSE(state.agreed) << "the checkbox did not react";
    EXPECT_TRUE(state.expanded) << "the toggle did not react";
    EXPECT_EQ(state.installDir, temp / L"Program Files\\Orvicap");
}

BOOL CALLBACK NoteFirstVisibleEdit(HWND child, LPARAM found)
{
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Edit") != 0 || !IsWindowVisible(child)) {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

// The folder picker's name field: a direct child of Wine's dialog, but
// nested in a combo box and further panes in Windows' own.
HWND FirstVisibleEditBelow(HWND dialog)
{
    HWND edit = nullptr;
    EnumChildWindows(dialog, NoteFirstVisibleEdit, reinterpret_cast<LPARAM>(&edit));
    return edit;
}

TEST_F(InstallerWindowTest, ChangeDirectoryAppendsTheProductFolderToThePickedOne)
{
    Open();
    Click(kToggleCentre);
    const std::wstring picked = temp / L"Apps";
    ASSERT_TRUE(CreateDirectories(picked));
    state.statusText = kExtractionFailedMessage;
    const std::wstring before = state.installDir;

    {
        BoxWatcher cancel([](WatchedBox&) { return IDCANCEL; });
        Click(kChangeDirPoint);
        ASSERT_EQ(cancel.Boxes().size(), 1u) << "no folder picker opened";
        EXPECT_EQ(cancel.Boxes()[0].caption, kPickFolderTitle);
    }
    EXPECT_EQ(state.installDir, before) << "cancelling changed the directory";
    EXPECT_EQ(state.statusText, kExtractionFailedMessage);

    BoxWatcher choose([&picked](WatchedBox& box) {
        const HWND edit = FirstVisibleEditBelow(box.window);
        if (edit != nullptr) {
            SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(picked.c_str()), SMTO_ABORTIFHUNG, 500,
                                nullptr);
        }
        return IDOK;
    });
    ValidateRect(window, nullptr);
    Click(kChangeDirPoint);
    EXPECT_EQ(state.installDir, picked + L"\\Orvicap");
    EXPECT_EQ(state.statusText, L"") << "the notice stays after a folder was picked";
    EXPECT_TRUE(Invalidated());
}

}  // namespace
