#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "paint_probe_window.h"
#include "uninstaller_state.h"

// Stands in for the uninstaller window while the removal runs: it records
// the progress and status text of every paint it is asked for, then calls
// onPaint if a test set it.
struct RecordingWindow {
    struct Paint {
        int progress;
        std::wstring statusText;
    };

    UninstallerState state;
    std::vector<Paint> paints;
    std::function<void()> onPaint;
    PaintProbeWindow probe{[this] {
        paints.push_back({state.progress, state.statusText});
        if (onPaint) {
            onPaint();
        }
    }};
    HWND window = probe.window;
};
