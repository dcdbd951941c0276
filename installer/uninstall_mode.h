#pragma once

#include <string>

// The installer started with /uninstall: removes the installation the
// uninstall entry names, with message boxes only, and has the command
// interpreter delete this program's own file a second after it has ended.
// Always 0.
int RunUninstallMode();

// Deletes the install directory with everything in it; a link inside it is
// removed as the link, and what it leads to is left alone.
void DeleteInstallDir(const std::wstring& installDir);

// cmd.exe's parameters that delete the given file once this process is gone.
std::wstring SelfDeletionParameters(const std::wstring& ownPath);
// Starts the hidden cmd.exe that deletes the file about a second later.
void StartSelfDeletion(const std::wstring& ownPath);
