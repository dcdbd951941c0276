#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "updater_constants.h"

// What the application asked the updater to do, from its command line.
struct UpdateRequest {
    DWORD pid = 0;
    std::wstring installRoot;
    std::wstring stagingDir;
    std::wstring exeSubdir = kDefaultExeSubdir;
    std::wstring restartExe = kDefaultRestartExe;
};

// Splits a command line the way CommandLineToArgvW does; false when it cannot.
bool SplitCommandLine(const wchar_t* commandLine, std::vector<std::wstring>& arguments);

// Applies the options found after the program's own path (arguments[0]):
// exact, case-sensitive option names, each taking the next argument whatever
// it is (empty when it stands last), the last occurrence winning, anything
// else ignored.
UpdateRequest ParseUpdateArguments(const std::vector<std::wstring>& arguments);

// A request the updater may act on: a process id, both directories given, and
// a staging directory that is neither the install directory nor one of its
// ancestors (clearing it would delete the installation just updated), by
// spelling or, where the directories can be opened, by identity.
bool IsValidUpdateRequest(const UpdateRequest& request);
