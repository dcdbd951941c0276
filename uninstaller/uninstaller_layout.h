#pragma once

#include <windows.h>

// The uninstaller window's fixed geometry in client pixels (96 dpi; the
// program declares no DPI awareness).  Rectangles are right and bottom
// exclusive.
inline constexpr int kWindowWidth = 480;
inline constexpr int kWindowHeight = 260;
inline constexpr int kHeaderHeight = 150;  // the band that drags the window
inline constexpr RECT kCloseRect{440, 8, 468, 36};
inline constexpr RECT kHeaderIconRect{212, 36, 268, 92};
inline constexpr int kHeaderIconSize = 56;
inline constexpr POINT kSmallTitleOrigin{20, 14};
inline constexpr RECT kTitleRect{0, 100, 480, 128};
inline constexpr RECT kSubtitleRect{0, 126, 480, 146};
inline constexpr RECT kProgressRect{40, 175, 440, 205};
inline constexpr POINT kStatusOrigin{40, 214};

// The window posts itself this once, when it is created, to start the removal.
inline constexpr UINT kStartRemovalMessage = WM_APP + 1;
// Closes the window this long after the removal has finished.
inline constexpr UINT_PTR kCloseTimerId = 1;
inline constexpr UINT kCloseDelayMs = 600;
