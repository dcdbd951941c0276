#include "restart.h"

#include <windows.h>

#include "debug_log.h"
#include "path_join.h"

RestartTarget RestartTargetOf(const UpdateRequest& request)
{
    RestartTarget target;
    target.workDir = JoinPath(request.installRoot, request.exeSubdir);
    target.programPath = JoinPath(target.workDir, request.restartExe);
    target.commandLine = L"\"" + target.programPath + L"\"";
    return target;
}

bool RestartApplication(const RestartTarget& target)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    // CreateProcessW may write into its command line, so it gets a copy.
    std::wstring commandLine = target.commandLine;
    if (!CreateProcessW(target.programPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, target.workDir.c_str(), &startup, &process)) {
        DWORD error = GetLastError();
        WriteDebugLine(RestartFailureText(target.programPath, error));
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
