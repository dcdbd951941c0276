#pragma once

// Retrieves and dispatches every message waiting in this thread's queue, so
// that the window keeps painting and answering while the removal runs inside
// one of its own message handlers.  A WM_QUIT found here is dispatched to no
// window and so is lost: the close button cannot stop the removal.
void PumpMessages();
