#pragma once

#include <string>

#include "update_request.h"

// The program started again after the update, as the request names it.
struct RestartTarget {
    std::wstring programPath;  // installRoot\exeSubdir\restartExe
    std::wstring workDir;      // installRoot\exeSubdir
    std::wstring commandLine;  // the quoted program path and nothing else
};

RestartTarget RestartTargetOf(const UpdateRequest& request);

// Starts the program without waiting for it.  On failure the error is written
// as a debugger line; false then.
bool RestartApplication(const RestartTarget& target);
