#include "benchmark_window.h"

#include "gdiplus_api.h"
#include "window_layout.h"
#include "window_painting.h"

namespace {

const wchar_t kClassName[] = L"OrvicapBenchmarkWnd";

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LRESULT CALLBACK BenchmarkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<BenchmarkWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_PAINT && self != nullptr) {
        double start = Now();
        PaintWindowBuffered(window, self->state);
        self->paintSeconds += Now() - start;
        ++self->paints;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

BenchmarkWindow::BenchmarkWindow()
{
    Gdiplus::GdiplusStartupInput input;
    GdiplusFunctions().GdiplusStartup(&gdiplusToken, &input, nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = BenchmarkWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&windowClass);
    window = CreateWindowExW(0, kClassName, L"", WS_POPUP | WS_VISIBLE, 100, 100, kWindowWidth, kCollapsedHeight,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    state.productVersion = L"1.0.0.0";
    state.agreed = true;
    state.installing = true;
    UpdateLayout(window, state);
    UpdateWindow(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

BenchmarkWindow::~BenchmarkWindow()
{
    DestroyWindow(window);
    GdiplusFunctions().GdiplusShutdown(gdiplusToken);
}
