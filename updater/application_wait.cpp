#include "application_wait.h"

#include "scoped_handles.h"
#include "updater_constants.h"

bool WaitForApplicationExit(DWORD pid)
{
    ScopedKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!process.valid()) {
        return true;
    }
    DWORD result = WaitForSingleObject(process.handle, kWaitForExitMs);
    return result == WAIT_OBJECT_0 || result == WAIT_FAILED;
}
