#pragma once

#include <windows.h>

#include <string>

#include "installer_state.h"

// The whole installation into state.installDir: stop the application, unpack
// the payload, then write uninstall.exe, uninstall.ini, app.ico, the
// uninstall entry and the desktop shortcut (none of which can fail the run).
// False after a failure, with state.statusText holding its message.
bool RunInstall(HWND window, InstallerState& state);

// Ends every running copy of the main program (taskkill by image name, with
// its child processes), waiting at most five seconds.  Always true.
bool StopApplication();

// Writes one RT_RCDATA resource of the running program into a new file.
bool WriteResourceToFile(WORD resourceId, const std::wstring& targetPath);

// "维洛录屏.lnk" on the desktop, pointing at the main program.
bool CreateDesktopShortcut(const std::wstring& installDir);
