#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tree_removal.h"
#include "uninstaller_state.h"

// The removal run, inside the window's start message: stop the application,
// delete the install tree with progress, delete the uninstall entry, show
// completion and leave the uninstaller's own file and the emptied directory
// to a hidden command interpreter.  No step reports a failure.
void RunUninstallPipeline(HWND window, UninstallerState& state);

// Deletes the install directory's contents except the excluded path: files
// and links one by one with progress by bytes (at most 99 meanwhile), then
// the remaining top-level directories; progress is 100 at the end.  Nothing
// is deleted through a link (tree_removal.h).
void DeleteInstallTree(const std::wstring& installDir, const std::wstring& excludedPath, UninstallerState& state,
                       HWND window);

// A process start: application and current directory by full path, the
// command line as cmd.exe is given it.
struct CommandStart {
    std::wstring applicationName;
    std::wstring commandLine;
    std::wstring currentDirectory;
};

// Whether the image name is one plain file name that can stand unquoted
// after taskkill's /IM: non-empty, not starting with '-', and free of blanks,
// control characters, path separators, wildcards, '/' and the characters
// cmd.exe would act on.
bool IsPlainImageName(const std::wstring& imageName);
CommandStart StopMainExeCommand(const std::wstring& imageName);
// Ends running copies of the program with taskkill, waiting at most 5 s; does
// nothing for an empty name or one that is not a plain image name.
void StopMainExe(const std::wstring& imageName);

// Deletes Uninstall\<subkey> in the 32-bit registry view; nothing for an empty name.
void DeleteUninstallEntry(const std::wstring& subkey);

// What ScheduleSelfDelete hands to ShellExecuteW.
struct ShellStart {
    std::wstring verb;
    std::wstring file;
    std::wstring parameters;
    std::wstring directory;
    int show = SW_HIDE;
};
ShellStart SelfDeleteCommand(const std::wstring& ownPath, const std::wstring& installDir);
// Starts the hidden command interpreter that, about a second later, deletes
// the uninstaller's file and removes the install directory if it is empty.
void ScheduleSelfDelete(const std::wstring& ownPath, const std::wstring& installDir);
