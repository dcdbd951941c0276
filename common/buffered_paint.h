#pragma once

#include <windows.h>

#include <functional>

// Paints a window's client area on an off-screen bitmap and copies it to the
// target in one go, so that the window never shows a half-drawn picture.
// The bitmap starts white, as the windows' class background is: whatever
// the painter leaves undrawn (everything, should GDI+ be missing) shows
// white.  Nothing is copied when the bitmap cannot be made.
void PaintThroughBuffer(HDC target, const RECT& client, const std::function<void(HDC)>& paint);
