#pragma once

#include <windows.h>

// The installer window's behaviour.  Its InstallerState comes as the creation
// parameter and is kept in the window's user data; the window procedure is
// re-entered while an installation runs, because the pipeline pumps messages.
LRESULT CALLBACK InstallerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
