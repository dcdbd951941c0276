#include "gdiplus_session.h"

#include "gdiplus_api.h"

namespace {

// 0 while GDI+ is not started.
ULONG_PTR gdiplusToken = 0;

}  // namespace

void StartGdiplus()
{
    const GdiplusApi& gdip = GdiplusFunctions();
    if (gdiplusToken != 0 || gdip.GdiplusStartup == nullptr) {
        return;
    }
    Gdiplus::GdiplusStartupInput input;
    gdip.GdiplusStartup(&gdiplusToken, &input, nullptr);
}

void StopGdiplus()
{
    if (gdiplusToken != 0) {
        GdiplusFunctions().GdiplusShutdown(gdiplusToken);
        gdiplusToken = 0;
    }
}
