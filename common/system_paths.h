#pragma once

#include <string>

// The System32 folder, and a system program's full path inside it.  The
// installer starts cmd.exe by full path, in that folder, so that neither
// cmd.exe nor the programs it runs can be taken from beside the installer.
std::wstring SystemDirectory();
std::wstring SystemProgramPath(const wchar_t* fileName);
