// Times the uninstaller's removal of a product-scale install tree (about 700
// entries in 90 directories, about 218 MB) with the real window repainting
// after every file, beside a bare delete loop over the same tree, and prints
// both times, their ratio and the mean cost of one paint.  Not a test: run
// it by hand under Wine or on Windows.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "buffered_paint.h"
#include "pixel_canvas.h"
#include "test_files.h"
#include "uninstall_pipeline.h"
#include "uninstaller_constants.h"
#include "uninstaller_layout.h"
#include "uninstaller_painting.h"
#include "uninstaller_window.h"

namespace {

constexpr int kDirectories = 90;
constexpr int kFiles = 610;
constexpr unsigned long long kTotalBytes = 218ull * 1000 * 1000;
// What the removal may cost beside the bare delete loop, and what one of its
// paints may cost: the repaints after every file draw only the progress bar
// on a copy of the window's retained layer.
constexpr double kMaxRatioToBare = 4.0;
constexpr double kMaxMeanPaintMs = 1.0;

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A few large libraries and many small files, as an application folder has:
// the first eight files take 70 % of the bytes, the rest share the remainder.
std::vector<unsigned long long> FileSizes()
{
    const double largeShares[] = {0.20, 0.14, 0.10, 0.08, 0.07, 0.05, 0.04, 0.02};
    std::vector<unsigned long long> sizes;
    unsigned long long used = 0;
    for (double share : largeShares) {
        sizes.push_back(static_cast<unsigned long long>(kTotalBytes * share));
        used += sizes.back();
    }
    unsigned long long smallCount = kFiles - sizes.size();
    for (unsigned long long i = 0; i < smallCount; ++i) {
        sizes.push_back((kTotalBytes - used) / smallCount);
    }
    return sizes;
}

bool WriteSizedFile(const std::wstring& path, unsigned long long size, const std::string& chunk)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool ok = true;
    for (unsigned long long left = size; ok && left > 0;) {
        DWORD piece = static_cast<DWORD>(left < chunk.size() ? left : chunk.size());
        DWORD written = 0;
        ok = WriteFile(file, chunk.data(), piece, &written, nullptr) && written == piece;
        left -= piece;
    }
    CloseHandle(file);
    return ok;
}

// Directories nested up to three deep below a few top-level ones.
bool BuildTree(const std::wstring& root)
{
    std::vector<std::wstring> directories;
    for (int i = 0; i < kDirectories; ++i) {
        std::wstring path = root + L"\\top" + std::to_wstring(i % 6);
        if (i >= 6) {
            path += L"\\mid" + std::to_wstring(i % 20);
        }
        if (i >= 20) {
            path += L"\\leaf" + std::to_wstring(i);
        }
        if (!CreateDirectories(path)) {
            return false;
        }
        directories.push_back(path);
    }
    std::string chunk(1 << 20, 'x');
    std::vector<unsigned long long> sizes = FileSizes();
    for (size_t i = 0; i < sizes.size(); ++i) {
        std::wstring path = directories[i % directories.size()] + L"\\file" + std::to_wstring(i) + L".bin";
        if (!WriteSizedFile(path, sizes[i], chunk)) {
            return false;
        }
    }
    return WriteFileBytes(root + L"\\uninstall.exe", "own");
}

void BareDelete(const std::wstring& directory)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        std::wstring path = directory + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            BareDelete(path);
            RemoveDirectoryW(path.c_str());
        } else {
            DeleteFileW(path.c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

struct PaintTimer {
    WNDPROC original = nullptr;
    int paints = 0;
    double seconds = 0;
};
PaintTimer paintTimer;

LRESULT CALLBACK TimedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT) {
        return CallWindowProcW(paintTimer.original, window, message, wParam, lParam);
    }
    double start = Now();
    LRESULT result = CallWindowProcW(paintTimer.original, window, message, wParam, lParam);
    paintTimer.seconds += Now() - start;
    ++paintTimer.paints;
    return result;
}

struct PaintPaths {
    double wholeMilliseconds = 0;    // the whole picture, as every paint drew it before the layer
    double layeredMilliseconds = 0;  // the same picture through the retained layer
};

// One paint of the whole picture beside one through the layer, interleaved
// so that both meet the same load: a figure of the gain that the machine's
// other work does not blur as much as it blurs the times of whole runs.
PaintPaths MeasurePaintPaths(HWND window, UninstallerState& state)
{
    const int kRounds = 50;
    HDC dc = GetDC(window);
    const RECT client{0, 0, kWindowWidth, kWindowHeight};
    double whole = 0;
    double layered = 0;
    for (int i = 0; i < kRounds; ++i) {
        state.progress = i;
        double start = Now();
        PaintThroughBuffer(dc, client, [&state](HDC buffer) {
            GpGraphics* graphics = nullptr;
            if (GdiplusFunctions().GdipCreateFromHDC(buffer, &graphics) == Gdiplus::Ok) {
                PaintUninstallerWindow(graphics, state);
                GdiplusFunctions().GdipDeleteGraphics(graphics);
            }
        });
        whole += Now() - start;
        start = Now();
        PaintUninstallerBuffered(dc, client, state);
        layered += Now() - start;
    }
    ReleaseDC(window, dc);
    state.progress = 0;
    return PaintPaths{whole / kRounds * 1000.0, layered / kRounds * 1000.0};
}

// The real window, its start message taken back out of the queue so that
// only the deletion is timed.
HWND CreateRemovalWindow(UninstallerState& state)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = UninstallerWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClassName;
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_APPWINDOW, kWindowClassName, state.name.c_str(), WS_POPUP, 100, 100,
                                  kWindowWidth, kWindowHeight, nullptr, nullptr, GetModuleHandleW(nullptr), &state);
    if (window == nullptr) {
        return nullptr;
    }
    MSG message;
    PeekMessageW(&message, window, kStartRemovalMessage, kStartRemovalMessage, PM_REMOVE);
    paintTimer.original =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TimedProc)));
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    paintTimer.paints = 0;
    paintTimer.seconds = 0;
    return window;
}

}  // namespace

int wmain()
{
    ScopedGdiplus gdiplus;
    ScopedTempDir temp;
    std::wstring root = temp / L"Orvicap";

    std::printf("building the tree: %d directories, %d files, %.0f MB\n", kDirectories, kFiles, kTotalBytes / 1e6);
    if (!BuildTree(root)) {
        std::printf("could not build the tree\n");
        return 1;
    }
    double start = Now();
    BareDelete(root);
    double bareSeconds = Now() - start;

    if (!BuildTree(root)) {
        std::printf("could not build the tree again\n");
        return 1;
    }
    UninstallerState state;
    state.name = L"Orvicap";
    state.subtitle = L"维洛录屏";
    state.installDir = root;
    state.selfPath = root + L"\\uninstall.exe";
    state.statusText = kStatusDeletingFiles;
    HWND window = CreateRemovalWindow(state);
    if (window == nullptr) {
        std::printf("could not create the window\n");
        return 1;
    }
    const PaintPaths paths = MeasurePaintPaths(window, state);
    start = Now();
    DeleteInstallTree(state.installDir, state.selfPath, state, window);
    double windowSeconds = Now() - start;
    DestroyWindow(window);

    const double ratio = windowSeconds / bareSeconds;
    const double meanPaintMs = paintTimer.paints ? paintTimer.seconds * 1000 / paintTimer.paints : 0.0;
    std::printf("bare delete loop:         %8.3f s\n", bareSeconds);
    std::printf("removal with the window:  %8.3f s\n", windowSeconds);
    std::printf("ratio:                    %8.2f\n", ratio);
    std::printf("paints: %d, mean paint:   %8.3f ms (%.1f %% of the removal)\n", paintTimer.paints, meanPaintMs,
                100.0 * paintTimer.seconds / windowSeconds);
    std::printf("one paint outside the removal, interleaved: whole picture %.2f ms, through the layer %.2f ms "
                "(%.1f x faster)\n",
                paths.wholeMilliseconds, paths.layeredMilliseconds, paths.wholeMilliseconds / paths.layeredMilliseconds);
    std::printf("target: removal <= bare x %.0f: %s\n", kMaxRatioToBare, ratio <= kMaxRatioToBare ? "met" : "missed");
    std::printf("target: mean paint during the removal <= %.1f ms: %s\n", kMaxMeanPaintMs,
                meanPaintMs <= kMaxMeanPaintMs ? "met" : "missed");
    return 0;
}
