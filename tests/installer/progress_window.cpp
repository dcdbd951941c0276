#include "progress_window.h"

static const wchar_t kClassName[] = L"OrvicapTestProgressWnd";

static LRESULT CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_PAINT && self != nullptr) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        self->paintedProgress.push_back(self->state.progress);
        if (self->quitOnPaint == static_cast<int>(self->paintedProgress.size())) {
            PostQuitMessage(0);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

ProgressWindow::ProgressWindow()
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ProgressWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);  // a second registration fails harmlessly
    // Visible, since UpdateWindow paints only a window that can be seen.
    window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                             nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // The first paint of a new window is not one the extraction asked for.
    UpdateWindow(window);
    paintedProgress.clear();
}

ProgressWindow::~ProgressWindow()
{
    DestroyWindow(window);
    // A quit request left in the queue would end the next test's extraction.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}
