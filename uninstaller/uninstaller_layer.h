#pragma once

#include <windows.h>

#include <string>

#include "rect_equality.h"
#include "retained_layer.h"

// Everything the uninstaller window's retained layer shows: the whole
// picture except the progress bar, which every paint draws afresh.  The
// status line changes once per phase, not per file, so it stays in the layer.
struct UninstallerLayerContent {
    std::wstring name;
    std::wstring subtitle;
    std::wstring statusText;
    bool closeHover = false;
    RECT closeRect{};
    HICON headerIcon = nullptr;

    bool operator==(const UninstallerLayerContent&) const = default;
};

using UninstallerLayer = RetainedLayer<UninstallerLayerContent>;
