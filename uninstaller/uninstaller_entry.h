#pragma once

#include <windows.h>

#include <string>

// The uninstaller from the record to the end of its window: reads
// installDir\uninstall.ini, asks for confirmation, shows the removal window
// and runs its message loop.  Returns the exit code: 1 when the record is
// missing, has no name or sits at the root of a drive (after an error box)
// or the window cannot be made, else 0.
int RunUninstaller(HINSTANCE instance, const std::wstring& installDir);

// The confirmation question for the product's name.
std::wstring ConfirmationText(const std::wstring& name);
