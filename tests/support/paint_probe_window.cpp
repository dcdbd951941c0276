#include "paint_probe_window.h"

namespace {

const wchar_t kClassName[] = L"OrvicapTestPaintProbeWnd";
constexpr int kSize = 40;

LRESULT CALLBACK PaintProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    auto* self = reinterpret_cast<PaintProbeWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && self->onPaint) {
        self->onPaint();
    }
    return 0;
}

}  // namespace

PaintProbeWindow::PaintProbeWindow(std::function<void()> paintHandler)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = PaintProbeWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);  // a second registration fails harmlessly
    // Visible, since UpdateWindow paints only a window that can be seen; in
    // the screen's bottom right corner, away from the windows that other
    // tests photograph at the top left and in the middle.
    const int x = GetSystemMetrics(SM_CXSCREEN) - kSize;
    const int y = GetSystemMetrics(SM_CYSCREEN) - kSize;
    window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClassName, L"", WS_POPUP | WS_VISIBLE, x, y, kSize,
                             kSize, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    onPaint = std::move(paintHandler);
}

PaintProbeWindow::~PaintProbeWindow()
{
    DestroyWindow(window);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}
