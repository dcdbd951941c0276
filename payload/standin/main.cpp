// Orvicap.exe as the kit carries it when no build of the real application is
// given: a window that shows the installation worked, and the two things the
// setup programs rely on, the start record for tests and the update hand-off.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "hand_off.h"
#include "standin_constants.h"
#include "standin_window.h"
#include "start_record.h"

namespace {

struct Switches {
    bool exitAfterRecord = false;
    bool handOff = false;
};

Switches ReadSwitches()
{
    Switches switches;
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) {
        return switches;
    }
    for (int i = 1; i < count; ++i) {
        std::wstring argument = arguments[i];
        switches.exitAfterRecord = switches.exitAfterRecord || argument == kExitAfterRecordSwitch;
        switches.handOff = switches.handOff || argument == kHandOffSwitch;
    }
    LocalFree(arguments);
    return switches;
}

// Without a window to show a box in, the reason goes to the debugger.
int HandOffFromSwitch()
{
    HandOffResult result = StartUpdateHandOff();
    if (!result.started) {
        OutputDebugStringW((result.problem + L"\n").c_str());
        return kExitHandOffFailed;
    }
    return kExitOk;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    // Only System32 is searched for DLLs, so that one planted beside the
    // program or in its current directory is never loaded.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    bool recorded = AppendStartRecord();
    Switches switches = ReadSwitches();
    if (switches.exitAfterRecord) {
        return recorded ? kExitOk : kExitRecordFailed;
    }
    // ShellExecuteEx may hand the start to shell extensions, which need COM.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    int exitCode = switches.handOff ? HandOffFromSwitch() : RunStandInWindow(instance, showCommand);
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return exitCode;
}
