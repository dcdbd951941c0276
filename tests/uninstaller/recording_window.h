#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "uninstaller_state.h"

// A plain window standing in for the uninstaller window while the removal
// runs: it records the progress and status text of every paint it is asked
// for.
struct RecordingWindow {
    struct Paint {
        int progress;
        std::wstring statusText;
    };

    HWND window = nullptr;
    UninstallerState state;
    std::vector<Paint> paints;

    RecordingWindow();
    ~RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;
};
