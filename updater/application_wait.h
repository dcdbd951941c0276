#pragma once

#include <windows.h>

// Waits up to kWaitForExitMs for the process to end.  True when the update
// may go on: the process ended, could not be opened (already gone, unknown
// id, access refused) or the wait itself failed.  False on a time-out.
bool WaitForApplicationExit(DWORD pid);
