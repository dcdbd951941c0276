#pragma once

// The process's one GDI+ session, started before a window is created and shut
// down after its message loop.  A GDI+ that does not start is not reported:
// the window then shows without content, since every drawing call fails.
void StartGdiplus();
void StopGdiplus();
