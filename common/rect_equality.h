#pragma once

#include <windows.h>

// Lets records that hold rectangles (a layout, what a retained layer shows)
// default their comparison.
inline bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
