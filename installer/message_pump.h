#pragma once

// Retrieves and dispatches every message waiting in this thread's queue.  A
// WM_QUIT found here is dispatched like any other message, and so is lost:
// only the extraction's progress report looks for it.
void PumpMessages();
