#pragma once

#include <windows.h>

#include "installer_state.h"

// The whole program after its DLL search has been restricted: COM, the run
// mode chosen from the command line, the single-instance check, the window
// and its message loop.  The process exit code.
int RunInstaller(HINSTANCE instance);

// Whether an argument after the program name is /uninstall or --uninstall,
// in any letter case.  False when the command line cannot be split.
bool HasUninstallSwitch(const wchar_t* commandLine);

// GDI+ for the window mode: started once, stopped again at its end.
void StartGdiplus();
void StopGdiplus();

bool RegisterInstallerWindowClass(HINSTANCE instance);

// The 480 x 320 popup, centred on the primary screen, with the state as its
// creation parameter; null when it cannot be created.
HWND CreateInstallerWindow(HINSTANCE instance, InstallerState& state);

// The window mode: 0 after the message loop has ended, 1 when the window
// could not be created.
int RunInstallerWindow(HINSTANCE instance);
