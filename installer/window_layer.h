#pragma once

#include <string>

#include "installer_layout.h"
#include "retained_layer.h"

// Everything the installer window's retained layer shows: the whole picture
// except the install area (the install button or the progress bar), which
// every paint draws afresh.  A field that painting reads outside the install
// area belongs here, or a change to it would not be seen.
struct InstallerLayerContent {
    std::wstring productVersion;
    bool agreed = false;
    bool expanded = false;
    std::wstring installDir;
    bool alreadyInstalled = false;
    std::wstring statusText;
    bool closeHover = false;
    bool minimizeHover = false;
    bool linkHover = false;
    bool customHover = false;
    bool changeDirHover = false;
    InstallerLayout layout;

    bool operator==(const InstallerLayerContent&) const = default;
};

using InstallerLayer = RetainedLayer<InstallerLayerContent>;
