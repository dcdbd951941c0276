#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "pixel_canvas.h"

// Watches the uninstaller's window from outside while a process-level test
// runs it: what the window looked like when it was first seen, a picture
// from while the removal ran and the last picture before it closed.
struct UninstallerWatch {
    HWND window = nullptr;
    RECT rect{};
    std::wstring title;
    LONG_PTR style = 0;
    LONG_PTR exStyle = 0;
    bool capturedDuring = false;
    int frames = 0;
    PixelCanvas during;
    PixelCanvas last;
    PixelCanvas frame;  // the picture being taken, kept only if the window still showed

    UninstallerWatch();

    // For ProcessRunOptions::whileRunning.
    std::function<void(DWORD processId)> Observer();
    // Saves both pictures as <name>-during.png and <name>-after.png in the
    // tests' screenshots folder.
    void SaveScreenshots(const std::wstring& name) const;
};
