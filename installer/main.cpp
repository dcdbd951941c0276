// VLInstaller.exe: installs the product from the archive it carries, or
// removes it when started with /uninstall.
#include <windows.h>

#include "installer_entry.h"
#include "redirection_trust.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // The installer runs elevated from a download folder that other software
    // can write to: from here on only System32 is searched for DLLs.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    AskNotToFollowUntrustedJunctions();
    // No input may end the program through an exception: what could not be
    // done ends it with a failure code instead.
    try {
        return RunInstaller(instance);
    } catch (...) {
        return 1;
    }
}
