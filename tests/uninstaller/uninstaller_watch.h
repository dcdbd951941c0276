#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "canvas.h"

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
    Canvas during;
    Canvas last;
    Canvas frame;  // the picture being taken, kept only if the window still showed

    UninstallerWatch();

    // For ProcessRunOptions::whileRunning.
    std::function<void(DWORD processId)> Observer();
    // Saves both pictures as <name>-during.bmp and <name>-after.bmp in the
    // screenshots folder beside the tests.
    void SaveScreenshots(const std::wstring& name) const;
};

// Polls until nothing exists at the path any more, at most timeoutMs.
bool WaitUntilGone(const std::wstring& path, DWORD timeoutMs);
