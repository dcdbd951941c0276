#pragma once

#include <windows.h>

// Shows the window that names the product and offers the update hand-off;
// returns the exit code once it is closed.
int RunStandInWindow(HINSTANCE instance, int showCommand);
