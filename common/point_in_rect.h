#pragma once

#include <windows.h>

// The half-open hit test of both windows: left <= x < right, top <= y < bottom.
inline bool PointInRect(const RECT& rect, POINT point)
{
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}
