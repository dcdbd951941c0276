#pragma once

#include <windows.h>

#include "rect_equality.h"

// The installer window's rectangles, computed once from the client size and
// the widths of three texts, shared by painting and hit testing.
struct InstallerLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    RECT closeRect{};
    RECT minimizeRect{};
    RECT installRect{};
    RECT checkboxRect{};
    RECT licenseLinkRect{};
    RECT customToggleRect{};
    RECT chevronRect{};
    RECT pathBoxRect{};
    RECT changeDirRect{};
    RECT progressRect{};
    int licenseLinkX = 0;

    bool operator==(const InstallerLayout&) const = default;
};
