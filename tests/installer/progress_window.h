#pragma once

#include <windows.h>

#include <vector>

#include "installer_state.h"

// A hidden window standing in for the installer window during extraction: it
// records the progress it is asked to paint, and can post a quit request
// from a chosen paint the way the close button does.
struct ProgressWindow {
    HWND window = nullptr;
    InstallerState state;
    std::vector<int> paintedProgress;
    int quitOnPaint = 0;  // 1-based paint that posts WM_QUIT; 0 never

    ProgressWindow();
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
};
