// VLInstaller.exe: installs the product from the archive it carries, or
// removes it when started with /uninstall.
#include <windows.h>

#include "installer_entry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // The installer runs elevated from a download folder that other software
    // can write to: from here on only System32 is searched for DLLs.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return RunInstaller(instance);
}
