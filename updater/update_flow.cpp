#include "update_flow.h"

#include <windows.h>

#include "application_wait.h"
#include "restart.h"
#include "staging_cleanup.h"
#include "staging_copy.h"
#include "update_request.h"
#include "updater_constants.h"

// Every box of the updater stands alone (no owner window) and only has OK.
static void ShowUpdaterMessage(const wchar_t* text, UINT icon)
{
    MessageBoxW(nullptr, text, kUpdaterCaption, MB_OK | icon);
}

static void CopyAndClearStagingDir(RemovalRoot& staging, const std::wstring& installRoot)
{
    if (!IsStillStagingDir(staging) || !CopyTree(staging.path, installRoot, L"")) {
        ShowUpdaterMessage(kPartialCopyMessage, MB_ICONWARNING);
    }
    if (IsStillStagingDir(staging)) {
        ClearStagingDir(staging);
    }
    staging.hold.reset(INVALID_HANDLE_VALUE);
}

int RunUpdater(const wchar_t* commandLine)
{
    std::vector<std::wstring> arguments;
    if (!SplitCommandLine(commandLine, arguments)) {
        return kExitInvalidArguments;
    }
    UpdateRequest request = ParseUpdateArguments(arguments);
    if (!IsValidUpdateRequest(request)) {
        ShowUpdaterMessage(kUsageMessage, MB_ICONERROR);
        return kExitInvalidArguments;
    }
    // The staging directory is written by the unelevated application: it is
    // held from here to the end, and judged again before each use.
    RemovalRoot staging;
    const EntryCheck held = HoldStagingDir(request.stagingDir, staging);
    if (held == EntryCheck::Link || held == EntryCheck::Elsewhere) {
        ShowUpdaterMessage(kUsageMessage, MB_ICONERROR);
        return kExitInvalidArguments;
    }
    if (!WaitForApplicationExit(request.pid)) {
        ShowUpdaterMessage(kWaitTimedOutMessage, MB_ICONERROR);
        return kExitWaitTimedOut;
    }
    // Gives the exiting application's last file handles time to close.
    Sleep(kPauseBeforeCopyMs);
    // A staging directory that is not there, or that this process cannot
    // hold, has nothing to lay over the install tree: nothing is copied or
    // deleted, and the application that is waiting to come back still does.
    if (held == EntryCheck::Owned) {
        CopyAndClearStagingDir(staging, request.installRoot);
    }
    if (!RestartApplication(RestartTargetOf(request))) {
        ShowUpdaterMessage(kRestartFailedMessage, MB_ICONWARNING);
        return kExitRestartFailed;
    }
    return kExitRestarted;
}
