#include "uninstaller_watch.h"

#include "test_files.h"
#include "uninstaller_constants.h"
#include "uninstaller_layout.h"

namespace {

HWND FindProcessWindow(DWORD processId)
{
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, kWindowClassName, nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

// The screen shows the window's header, not the black desktop it leaves
// behind once it has closed.
bool ShowsWindow(const PixelCanvas& frame)
{
    return !NearColor(frame.At(100, 2), 0x000000, 8);
}

// Painted while the removal still runs: the header is there and the bar is
// not yet full.
bool ShowsRemovalUnderWay(const PixelCanvas& frame)
{
    return ShowsWindow(frame) && NearColor(frame.At(430, kProgressRect.top + 4), 0xE6EAF0, 8);
}

}  // namespace

UninstallerWatch::UninstallerWatch()
    : during(kWindowWidth, kWindowHeight, 0x000000),
      last(kWindowWidth, kWindowHeight, 0x000000),
      frame(kWindowWidth, kWindowHeight, 0x000000)
{
}

std::function<void(DWORD)> UninstallerWatch::Observer()
{
    return [this](DWORD processId) {
        HWND found = FindProcessWindow(processId);
        if (found == nullptr) {
            return;
        }
        RECT now;
        GetWindowRect(found, &now);
        if (window == nullptr) {
            window = found;
            rect = now;
            wchar_t text[64] = {};
            GetWindowTextW(found, text, 64);
            title = text;
            style = GetWindowLongPtrW(found, GWL_STYLE);
            exStyle = GetWindowLongPtrW(found, GWL_EXSTYLE);
        }
        // The window may close while the screen is copied; such a picture
        // shows the desktop and is not the window's last one.
        if (!frame.CaptureScreen(now) || !IsWindowVisible(found) || !ShowsWindow(frame)) {
            return;
        }
        ++frames;
        BitBlt(last.dc, 0, 0, kWindowWidth, kWindowHeight, frame.dc, 0, 0, SRCCOPY);
        if (!capturedDuring && ShowsRemovalUnderWay(frame)) {
            capturedDuring = BitBlt(during.dc, 0, 0, kWindowWidth, kWindowHeight, frame.dc, 0, 0, SRCCOPY) != 0;
        }
    };
}

void UninstallerWatch::SaveScreenshots(const std::wstring& name) const
{
    const std::wstring stem = ScreenshotFolder() + L"\\" + name;
    for (const auto& [picture, suffix] : {std::pair{&during, L"-during.png"}, std::pair{&last, L"-after.png"}}) {
        if (SavePng(*picture, stem + suffix)) {
            ReportScreenshot(stem + suffix);
        }
    }
}
