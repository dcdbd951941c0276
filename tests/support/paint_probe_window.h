#pragma once

#include <windows.h>

#include <functional>

// A small visible window standing in for a program's window while an engine
// runs against it: every paint the engine asks for is validated and reported
// to onPaint, so that a test can record what the engine had set by then.
// The first paint of the new window is not reported: the engine did not ask
// for it.
struct PaintProbeWindow {
    HWND window = nullptr;
    std::function<void()> onPaint;

    explicit PaintProbeWindow(std::function<void()> paintHandler);
    // Destroys the window and drains the thread's queue, so that a quit
    // request the engine left behind does not reach the next test.
    ~PaintProbeWindow();
    PaintProbeWindow(const PaintProbeWindow&) = delete;
    PaintProbeWindow& operator=(const PaintProbeWindow&) = delete;
};
