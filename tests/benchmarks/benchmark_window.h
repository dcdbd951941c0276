#pragma once

#include <windows.h>

#include "installer_state.h"

// A visible 480 x 320 window painted exactly as the installer window paints
// while installing, timing every paint the extraction asks for.  GDI+ is
// started for its lifetime.
struct BenchmarkWindow {
    HWND window = nullptr;
    InstallerState state;
    int paints = 0;
    double paintSeconds = 0;
    ULONG_PTR gdiplusToken = 0;

    BenchmarkWindow();
    ~BenchmarkWindow();
    BenchmarkWindow(const BenchmarkWindow&) = delete;
    BenchmarkWindow& operator=(const BenchmarkWindow&) = delete;
};
