#include "window_interaction.h"

#include <shellapi.h>

#include "install_location.h"
#include "install_pipeline.h"
#include "install_record.h"
#include "installer_constants.h"
#include "installer_state.h"
#include "license_url.h"
#include "point_in_rect.h"
#include "window_layout.h"
#include "window_painting.h"

namespace {

constexpr UINT kResizeFlags = SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED;

// The state's address lives in the window's pointer-sized user data: the
// same slot SetWindowLongW fills in the 32-bit program, and whole in a 64-bit
// build, where SetWindowLongW would cut the pointer to 32 bits.
InstallerState* StateOf(HWND window)
{
    return reinterpret_cast<InstallerState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

POINT ClientPointFrom(LPARAM lParam)
{
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

void Invalidate(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
}

void ResizeForArea(HWND window, bool expanded)
{
    SetWindowPos(window, nullptr, 0, 0, kWindowWidth, WindowHeightFor(expanded), kResizeFlags);
}

bool ChangeDirAvailable(const InstallerState& state)
{
    return state.expanded && !state.alreadyInstalled;
}

LRESULT OnCreate(HWND window, LPARAM lParam)
{
    auto* state = static_cast<InstallerState*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    state->productVersion = ProductVersion();
    if (state->productVersion.empty()) {
        state->productVersion = kFallbackProductVersion;
    }
    std::wstring installedDir;
    if (FindInstalledDir(installedDir)) {
        state->alreadyInstalled = true;
        state->installDir = installedDir;
        state->statusText = kAlreadyInstalledNotice;
        state->expanded = true;
        // Resized before the window is first shown, so its first paint is
        // already 480 x 420.
        ResizeForArea(window, true);
    } else {
        state->installDir = DefaultInstallDir();
    }
    UpdateLayout(window, *state);
    return 0;
}

LRESULT OnSize(HWND window, InstallerState& state)
{
    UpdateLayout(window, state);
    Invalidate(window);
    return 0;
}

LRESULT OnPaint(HWND window, InstallerState& state)
{
    PaintWindowBuffered(window, state);
    return 0;
}

// Only the header band outside the two buttons moves the window; the system
// drags a window by whatever answers HTCAPTION.
LRESULT OnNcHitTest(HWND window, const InstallerState& state, LPARAM lParam)
{
    POINT point = ClientPointFrom(lParam);
    ScreenToClient(window, &point);
    const InstallerLayout& layout = state.layout;
    if (PointInRect(layout.closeRect, point) || PointInRect(layout.minimizeRect, point)) {
        return HTCLIENT;
    }
    return point.y < kHeaderHeight ? HTCAPTION : HTCLIENT;
}

bool ShowsHandCursor(const InstallerState& state, POINT point)
{
    const InstallerLayout& layout = state.layout;
    const RECT* handAreas[] = {&layout.closeRect,   &layout.minimizeRect,    &layout.installRect,
                               &layout.checkboxRect, &layout.licenseLinkRect, &layout.customToggleRect};
    for (const RECT* area : handAreas) {
        if (PointInRect(*area, point)) {
            return true;
        }
    }
    return ChangeDirAvailable(state) && PointInRect(layout.changeDirRect, point);
}

LRESULT OnSetCursor(HWND window, const InstallerState& state)
{
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(window, &point);
    SetCursor(LoadCursorW(nullptr, ShowsHandCursor(state, point) ? IDC_HAND : IDC_ARROW));
    return TRUE;
}

struct HoverFlags {
    bool close = false;
    bool minimize = false;
    bool install = false;
    bool link = false;
    bool custom = false;
    bool changeDir = false;

    bool operator==(const HoverFlags&) const = default;
};

HoverFlags HoverFlagsOf(const InstallerState& state)
{
    return {state.closeHover,  state.minimizeHover, state.installHover,
            state.linkHover,   state.customHover,   state.changeDirHover};
}

HoverFlags HoverFlagsAt(const InstallerState& state, POINT point)
{
    const InstallerLayout& layout = state.layout;
    HoverFlags flags;
    flags.close = PointInRect(layout.closeRect, point);
    flags.minimize = PointInRect(layout.minimizeRect, point);
    flags.install = !state.installing && PointInRect(layout.installRect, point);
    flags.link = PointInRect(layout.licenseLinkRect, point);
    flags.custom = PointInRect(layout.customToggleRect, point);
    flags.changeDir = ChangeDirAvailable(state) && PointInRect(layout.changeDirRect, point);
    return flags;
}

// Repaints only when a flag changed, so moving within one element costs
// nothing.  The checkbox has no hover look.
LRESULT OnMouseMove(HWND window, InstallerState& state, LPARAM lParam)
{
    const HoverFlags flags = HoverFlagsAt(state, ClientPointFrom(lParam));
    if (flags == HoverFlagsOf(state)) {
        return 0;
    }
    state.closeHover = flags.close;
    state.minimizeHover = flags.minimize;
    state.installHover = flags.install;
    state.linkHover = flags.link;
    state.customHover = flags.custom;
    state.changeDirHover = flags.changeDir;
    Invalidate(window);
    return 0;
}

void ToggleCustomInstall(HWND window, InstallerState& state)
{
    state.expanded = !state.expanded;
    ResizeForArea(window, state.expanded);
    UpdateLayout(window, state);
    Invalidate(window);
}

void ChangeInstallDir(HWND window, InstallerState& state)
{
    const std::wstring picked = PickFolder(window, state.installDir);
    if (picked.empty()) {
        return;
    }
    state.installDir = InstallDirForPickedFolder(picked);
    state.statusText.clear();
    Invalidate(window);
}

// RunInstall pumps messages, so this handler is re-entered while it runs;
// state.installing keeps a second click on the button (and on the change-
// directory button) out.
void Install(HWND window, InstallerState& state)
{
    if (!state.agreed) {
        MessageBoxW(window, kAgreeFirstMessage, kProductId, MB_OK | MB_ICONINFORMATION);
        return;
    }
    const bool installed = RunInstall(window, state);
    Invalidate(window);
    if (!installed) {
        MessageBoxW(window, state.statusText.c_str(), kProductId, MB_OK | MB_ICONERROR);
        return;
    }
    MessageBoxW(window, kInstallCompleteMessage, kProductId, MB_OK | MB_ICONINFORMATION);
    // The program starts with the installer's elevated rights; a failed
    // start is not reported.
    ShellExecuteW(nullptr, L"open", MainProgramPath(state.installDir).c_str(), nullptr,
                  ProgramDir(state.installDir).c_str(), SW_SHOWNORMAL);
    DestroyWindow(window);
}

LRESULT OnLeftButtonDown(HWND window, InstallerState& state, LPARAM lParam)
{
    const POINT point = ClientPointFrom(lParam);
    const InstallerLayout& layout = state.layout;
    if (PointInRect(layout.closeRect, point)) {
        state.closePressed = true;
    } else if (PointInRect(layout.minimizeRect, point)) {
        ShowWindow(window, SW_MINIMIZE);
    } else if (PointInRect(layout.checkboxRect, point)) {
        state.agreed = !state.agreed;
        Invalidate(window);
    } else if (PointInRect(layout.licenseLinkRect, point)) {
        ShellExecuteW(nullptr, L"open", kLicenseUrl, nullptr, nullptr, SW_SHOWNORMAL);  // a failure is not reported
    } else if (PointInRect(layout.customToggleRect, point)) {
        ToggleCustomInstall(window, state);
    } else if (ChangeDirAvailable(state) && !state.installing && PointInRect(layout.changeDirRect, point)) {
        ChangeInstallDir(window, state);
    } else if (!state.installing && PointInRect(layout.installRect, point)) {
        Install(window, state);
    }
    return 0;
}

// The close button acts on release over itself after a press on it.  It
// ends the message loop without destroying the window; during an
// installation the extraction's progress report takes the quit request and
// stops the extraction instead.
LRESULT OnLeftButtonUp(InstallerState& state, LPARAM lParam)
{
    if (state.closePressed && PointInRect(state.layout.closeRect, ClientPointFrom(lParam))) {
        PostQuitMessage(0);
    }
    state.closePressed = false;
    return 0;
}

// A system close request (Alt+F4, the taskbar) is ignored while installing.
// Its default handling would destroy the window under the running pipeline,
// which goes on repainting and pumping for it, and the quit request that
// WM_DESTROY posts would be taken by the extraction's progress report: the
// installation would stop half-way with no window left to say so.  Deferring
// the close until the pipeline returns would end a finished installation
// without its completion box and without starting the program, so the
// request is simply dropped; the window's own close button still stops an
// extraction on purpose.
LRESULT OnClose(HWND window, const InstallerState& state)
{
    if (state.installing) {
        return 0;
    }
    return DefWindowProcW(window, WM_CLOSE, 0, 0);
}

LRESULT OnDestroy()
{
    PostQuitMessage(0);
    return 0;
}

}  // namespace

LRESULT CALLBACK InstallerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        return OnCreate(window, lParam);
    }
    InstallerState* state = StateOf(window);
    if (state == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_SIZE:
        return OnSize(window, *state);
    case WM_PAINT:
        return OnPaint(window, *state);
    case WM_NCHITTEST:
        return OnNcHitTest(window, *state, lParam);
    case WM_SETCURSOR:
        return OnSetCursor(window, *state);
    case WM_MOUSEMOVE:
        return OnMouseMove(window, *state, lParam);
    case WM_LBUTTONDOWN:
        return OnLeftButtonDown(window, *state, lParam);
    case WM_LBUTTONUP:
        return OnLeftButtonUp(*state, lParam);
    case WM_CLOSE:
        return OnClose(window, *state);
    case WM_DESTROY:
        return OnDestroy();
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
