#include "recording_window.h"

static const wchar_t kClassName[] = L"OrvicapTestRecordingWnd";

static LRESULT CALLBACK RecordingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_PAINT && self != nullptr) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        self->paints.push_back({self->state.progress, self->state.statusText});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

RecordingWindow::RecordingWindow()
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = RecordingWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);  // a second registration fails harmlessly
    // Visible, since UpdateWindow paints only a window that can be seen.
    window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    UpdateWindow(window);
    paints.clear();
}

RecordingWindow::~RecordingWindow()
{
    DestroyWindow(window);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}
