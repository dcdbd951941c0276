#pragma once

#include <string>

#include "installer_layout.h"
#include "window_layer.h"

// The one record of a window-mode run: the window keeps the user's choices
// here, painting draws from it, and the install pipeline reports progress and
// failure through it.  The pipeline pumps messages, so the window procedure
// reads and writes it re-entrantly in the middle of an installation.
struct InstallerState {
    std::wstring productVersion;
    bool agreed = false;
    bool expanded = false;
    std::wstring installDir;
    bool alreadyInstalled = false;
    std::wstring statusText;
    bool installing = false;
    int progress = 0;
    bool closeHover = false;
    bool minimizeHover = false;
    bool installHover = false;
    bool linkHover = false;
    bool customHover = false;
    bool changeDirHover = false;
    bool closePressed = false;
    InstallerLayout layout;
    // The part of the picture that an installation's repaints do not change,
    // kept between paints by the paint handler; not part of what is shown.
    InstallerLayer paintLayer;
};
