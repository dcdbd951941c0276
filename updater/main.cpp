#include <windows.h>

#include "redirection_trust.h"
#include "update_flow.h"
#include "updater_constants.h"

// The arguments the system passes (the show-window value included) are not
// used: the updater reads its own command line.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // The updater runs elevated from a folder others may write to: no DLL is
    // ever to be taken from beside it.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    AskNotToFollowUntrustedJunctions();
    // No input may end the program through an exception; an update that
    // could not go on counts as one that could not start.
    try {
        return RunUpdater(GetCommandLineW());
    } catch (...) {
        return kExitInvalidArguments;
    }
}
