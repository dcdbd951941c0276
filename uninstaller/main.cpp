#include <windows.h>

#include "redirection_trust.h"
#include "uninstall_config.h"
#include "uninstaller_entry.h"

// The uninstaller takes no arguments: its install directory is the one it
// lies in.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // Runs elevated, often started from a folder others may write to: no DLL
    // is ever taken from beside the program.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    AskNotToFollowUntrustedJunctions();
    // No input may end the program through an exception: what could not be
    // done ends it with the failure code instead.
    try {
        return RunUninstaller(instance, DirectoryOfPath(OwnModulePath()));
    } catch (...) {
        return 1;
    }
}
