#pragma once

#include <windows.h>

#include <string>

#include "installer_state.h"

// Writes installDir\uninstall.ini: a UTF-8 byte-order mark and the lines
// Name, Subtitle, ArpSubkey and MainExe, each ended by CR LF.  Best effort:
// a file that cannot be created is skipped silently.
void WriteInstallRecord(const std::wstring& installDir);

// Writes "key=value\r\n" (value in UTF-8) with one WriteFile call.
void WriteRecordLine(HANDLE file, const char* key, const std::wstring& value);

// Creates or updates the product's uninstall entry (HKLM, 32-bit view) with
// its eight values; false when the key cannot be created or opened.
bool RegisterUninstallEntry(const std::wstring& installDir, const InstallerState& state);

// True when the uninstall entry names an install directory (REG_SZ, fitting
// in MAX_PATH) that holds the main program; installDir then receives it.
bool FindInstalledDir(std::wstring& installDir);
