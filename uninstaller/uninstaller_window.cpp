#include "uninstaller_window.h"

#include <windowsx.h>

#include "point_in_rect.h"
#include "uninstall_pipeline.h"
#include "uninstaller_layout.h"
#include "uninstaller_painting.h"
#include "uninstaller_state.h"

namespace {

UninstallerState* StateOf(HWND window)
{
    return reinterpret_cast<UninstallerState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

POINT ClientPointOf(LPARAM lParam)
{
    return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

LRESULT OnCreate(HWND window, LPARAM lParam)
{
    auto* state = static_cast<UninstallerState*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    state->closeRect = kCloseRect;
    state->progressRect = kProgressRect;
    PostMessageW(window, kStartRemovalMessage, 0, 0);
    return 0;
}

LRESULT OnPaint(HWND window, UninstallerState& state)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    PaintUninstallerBuffered(dc, client, state);
    EndPaint(window, &paint);
    return 0;
}

LRESULT OnSetCursor(HWND window, const UninstallerState& state)
{
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(window, &point);
    SetCursor(LoadCursorW(nullptr, PointInRect(state.closeRect, point) ? IDC_HAND : IDC_ARROW));
    return TRUE;
}

LRESULT OnNcHitTest(HWND window, const UninstallerState& state, LPARAM lParam)
{
    POINT point = ClientPointOf(lParam);
    ScreenToClient(window, &point);
    if (PointInRect(state.closeRect, point)) {
        return HTCLIENT;
    }
    return point.y < kHeaderHeight ? HTCAPTION : HTCLIENT;
}

LRESULT OnMouseMove(HWND window, UninstallerState& state, LPARAM lParam)
{
    bool hover = PointInRect(state.closeRect, ClientPointOf(lParam));
    if (hover != state.closeHover) {
        state.closeHover = hover;
        InvalidateRect(window, nullptr, FALSE);
    }
    return 0;
}

// While the removal runs, the quit request posted here is taken out of the
// queue by the removal's own pumps and dispatched to no window, so the click
// has no effect; afterwards it ends the message loop at once.
LRESULT OnLeftButtonDown(const UninstallerState& state, LPARAM lParam)
{
    if (PointInRect(state.closeRect, ClientPointOf(lParam))) {
        PostQuitMessage(0);
    }
    return 0;
}

// A WM_CLOSE from outside (the taskbar's close command, Alt+F4, another
// program) would let DefWindowProcW destroy the window in the middle of the
// removal: the removal's pumps would then swallow the quit request of
// WM_DESTROY, the closing timer could not be set on the destroyed window, and
// the process would stay without a window.  Like the close button, it is
// refused while the removal runs; the window closes by itself soon after.
LRESULT OnClose(HWND window, const UninstallerState& state)
{
    if (state.removing) {
        return 0;
    }
    return DefWindowProcW(window, WM_CLOSE, 0, 0);
}

LRESULT OnDestroy()
{
    PostQuitMessage(0);
    return 0;
}

LRESULT OnTimer(HWND window, WPARAM timerId)
{
    if (timerId == kCloseTimerId) {
        KillTimer(window, kCloseTimerId);
        DestroyWindow(window);
    }
    return 0;
}

LRESULT OnStartRemoval(HWND window, UninstallerState& state)
{
    // Only this window posts the message, once; one arriving from elsewhere
    // through the removal's own pumps must not start a removal inside it.
    if (state.removing) {
        return 0;
    }
    state.removing = true;
    RunUninstallPipeline(window, state);
    state.removing = false;
    // Without the timer the window would never close by itself.
    if (SetTimer(window, kCloseTimerId, kCloseDelayMs, nullptr) == 0) {
        DestroyWindow(window);
    }
    return 0;
}

}  // namespace

LRESULT CALLBACK UninstallerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        return OnCreate(window, lParam);
    }
    UninstallerState* state = StateOf(window);
    if (state == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_PAINT:
        return OnPaint(window, *state);
    case WM_SETCURSOR:
        return OnSetCursor(window, *state);
    case WM_NCHITTEST:
        return OnNcHitTest(window, *state, lParam);
    case WM_MOUSEMOVE:
        return OnMouseMove(window, *state, lParam);
    case WM_LBUTTONDOWN:
        return OnLeftButtonDown(*state, lParam);
    case WM_CLOSE:
        return OnClose(window, *state);
    case WM_DESTROY:
        return OnDestroy();
    case WM_TIMER:
        return OnTimer(window, wParam);
    case kStartRemovalMessage:
        return OnStartRemoval(window, *state);
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
