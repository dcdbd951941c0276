#pragma once

#include <windows.h>

#include <string>

#include "uninstaller_layer.h"

// What the uninstaller's window shows and its removal run works on.  Owned
// by RunUninstaller for the whole window phase; the window reaches it
// through its user data.
struct UninstallerState {
    std::wstring name;
    std::wstring subtitle;
    std::wstring arpSubkey;
    std::wstring mainExe;
    std::wstring installDir;
    std::wstring selfPath;
    int progress = 0;  // percent
    std::wstring statusText;
    bool closeHover = false;
    HICON headerIcon = nullptr;  // app.ico at 56 x 56, or null; destroyed by RunUninstaller
    RECT closeRect{};
    RECT progressRect{};
    // Set while the removal runs inside the start message; the window's close
    // requests are refused meanwhile.
    bool removing = false;
    // The part of the picture that the removal's repaints do not change,
    // kept between paints by the paint handler; not part of what is shown.
    UninstallerLayer paintLayer;
};
