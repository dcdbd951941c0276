#include "gdiplus_api.h"

namespace {

template <typename FunctionPointer>
bool Resolve(HMODULE module, const char* name, FunctionPointer& function)
{
    function = reinterpret_cast<FunctionPointer>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

#define ORVICAP_RESOLVE(name) found = Resolve(module, #name, api.name) && found

GdiplusApi LoadGdiplus()
{
    GdiplusApi api;
    HMODULE module = LoadLibraryExW(L"gdiplus.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) {
        return api;
    }
    bool found = true;
    ORVICAP_RESOLVE(GdiplusStartup);
    ORVICAP_RESOLVE(GdiplusShutdown);
    ORVICAP_RESOLVE(GdipCreateFromHDC);
    ORVICAP_RESOLVE(GdipDeleteGraphics);
    ORVICAP_RESOLVE(GdipSetSmoothingMode);
    ORVICAP_RESOLVE(GdipSetTextRenderingHint);
    ORVICAP_RESOLVE(GdipGetDC);
    ORVICAP_RESOLVE(GdipReleaseDC);
    ORVICAP_RESOLVE(GdipCreatePath);
    ORVICAP_RESOLVE(GdipDeletePath);
    ORVICAP_RESOLVE(GdipAddPathArc);
    ORVICAP_RESOLVE(GdipAddPathLine);
    ORVICAP_RESOLVE(GdipClosePathFigure);
    ORVICAP_RESOLVE(GdipFillPath);
    ORVICAP_RESOLVE(GdipDrawPath);
    ORVICAP_RESOLVE(GdipFillRectangle);
    ORVICAP_RESOLVE(GdipFillRectangleI);
    ORVICAP_RESOLVE(GdipFillPolygon);
    ORVICAP_RESOLVE(GdipFillEllipse);
    ORVICAP_RESOLVE(GdipDrawRectangle);
    ORVICAP_RESOLVE(GdipDrawLine);
    ORVICAP_RESOLVE(GdipDrawLines);
    ORVICAP_RESOLVE(GdipCreateSolidFill);
    ORVICAP_RESOLVE(GdipCreateLineBrushFromRect);
    ORVICAP_RESOLVE(GdipCreateLineBrushFromRectI);
    ORVICAP_RESOLVE(GdipSetLineWrapMode);
    ORVICAP_RESOLVE(GdipDeleteBrush);
    ORVICAP_RESOLVE(GdipCreatePen1);
    ORVICAP_RESOLVE(GdipDeletePen);
    ORVICAP_RESOLVE(GdipCreateFontFamilyFromName);
    ORVICAP_RESOLVE(GdipDeleteFontFamily);
    ORVICAP_RESOLVE(GdipCreateFont);
    ORVICAP_RESOLVE(GdipDeleteFont);
    ORVICAP_RESOLVE(GdipCreateStringFormat);
    ORVICAP_RESOLVE(GdipDeleteStringFormat);
    ORVICAP_RESOLVE(GdipSetStringFormatAlign);
    ORVICAP_RESOLVE(GdipSetStringFormatLineAlign);
    ORVICAP_RESOLVE(GdipSetStringFormatFlags);
    ORVICAP_RESOLVE(GdipSetStringFormatTrimming);
    ORVICAP_RESOLVE(GdipDrawString);
    ORVICAP_RESOLVE(GdipMeasureString);
    api.complete = found;
    return api;
}

#undef ORVICAP_RESOLVE

}  // namespace

const GdiplusApi& GdiplusFunctions()
{
    static const GdiplusApi api = LoadGdiplus();
    return api;
}
