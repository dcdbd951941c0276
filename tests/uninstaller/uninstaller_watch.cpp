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

// Painted while the removal still runs: the header is there and the bar is
// not yet full.
bool ShowsRemovalUnderWay(const Canvas& frame)
{
    return !NearColor(frame.Pixel(100, 2), 0x000000, 8) &&
           NearColor(frame.Pixel(430, kProgressRect.top + 4), 0xE6EAF0, 8);
}

}  // namespace

UninstallerWatch::UninstallerWatch() : during(kWindowWidth, kWindowHeight), last(kWindowWidth, kWindowHeight) {}

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
        if (!last.CaptureScreen(now)) {
            return;
        }
        ++frames;
        if (!capturedDuring && ShowsRemovalUnderWay(last)) {
            capturedDuring = BitBlt(during.dc, 0, 0, kWindowWidth, kWindowHeight, last.dc, 0, 0, SRCCOPY) != 0;
        }
    };
}

void UninstallerWatch::SaveScreenshots(const std::wstring& name) const
{
    std::wstring folder = ModuleDirectory() + L"\\screenshots";
    CreateDirectories(folder);
    during.Save(folder + L"\\" + name + L"-during.bmp");
    last.Save(folder + L"\\" + name + L"-after.bmp");
}

bool WaitUntilGone(const std::wstring& path, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(50);
    }
    return true;
}
