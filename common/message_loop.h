#pragma once

// Dispatches the thread's messages until WM_QUIT (or a failing GetMessageW)
// ends the loop; the windowed programs run it after showing their window.
void RunMessageLoop();
