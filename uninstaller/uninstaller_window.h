#pragma once

#include <windows.h>

// The window procedure of the class "VelorinVidronaUninstallerWnd".  The
// creation parameter is the UninstallerState, which must outlive the window.
// On creation the window posts itself kStartRemovalMessage; the removal then
// runs inside that message, re-entering this procedure through its repaints
// and message pumps, and 600 ms after it the window destroys itself.
LRESULT CALLBACK UninstallerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
