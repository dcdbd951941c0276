#include "progress_window.h"

void ProgressWindow::RecordPaint()
{
    paintedProgress.push_back(state.progress);
    if (quitOnPaint == static_cast<int>(paintedProgress.size())) {
        PostQuitMessage(0);
    }
}
