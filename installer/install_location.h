#pragma once

#include <windows.h>

#include <string>

// <Program Files (x86)>\Orvicap, or FallbackInstallDir() when the known
// folder cannot be had.
std::wstring DefaultInstallDir();

// <Windows>\Program Files\Orvicap, or \Program Files\Orvicap when not even
// the Windows directory can be read.
std::wstring FallbackInstallDir();

// installDir\bin\64bit
std::wstring ProgramDir(const std::wstring& installDir);

// installDir\bin\64bit\Orvicap.exe
std::wstring MainProgramPath(const std::wstring& installDir);

// ProductVersion of this program's own version block (first translation);
// empty when it cannot be read.
std::wstring ProductVersion();

// The version string of a version block for its first translation; empty
// when the block has none.  ProductVersion reads its own file with it.
std::wstring ProductVersionOfFile(const std::wstring& path);

// Lets the user pick a folder, opening inside currentInstallDir when it
// exists; the chosen file-system path, or empty when cancelled or failed.
std::wstring PickFolder(HWND owner, const std::wstring& currentInstallDir);

// The install directory for a folder the user picked: folder\Orvicap.
std::wstring InstallDirForPickedFolder(const std::wstring& pickedFolder);
