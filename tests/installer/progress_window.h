#pragma once

#include <windows.h>

#include <vector>

#include "installer_state.h"
#include "paint_probe_window.h"

// Stands in for the installer window during extraction: it records the
// progress it is asked to paint, and can post a quit request from a chosen
// paint the way the close button does.
struct ProgressWindow {
    InstallerState state;
    std::vector<int> paintedProgress;
    int quitOnPaint = 0;  // 1-based paint that posts WM_QUIT; 0 never
    PaintProbeWindow probe{[this] { RecordPaint(); }};
    HWND window = probe.window;

    void RecordPaint();
};
