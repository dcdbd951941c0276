#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "paint_probe_window.h"
#include "uninstaller_state.h"

// Stands in for the uninstaller window while the removal runs: it records
// the progress and status text of every paint it is asked for.
struct RecordingWindow {
    struct Paint {
        int progress;
        std::wstring statusText;
    };

    UninstallerState state;
    std::vector<Paint> paints;
    PaintProbeWindow probe{[this] { paints.push_back({state.progress, state.statusText}); }};
    HWND window = probe.window;
};
