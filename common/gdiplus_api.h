#pragma once

// GDI+ through its flat API, taken from System32's gdiplus.dll.  gdiplus.dll
// is not one of the DLLs Windows always loads from System32, so an elevated
// program that imported it could be handed a planted copy from its own
// folder; it is loaded by full search path instead and never imported.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

using Gdiplus::ARGB;
using Gdiplus::GpBrush;
using Gdiplus::GpFont;
using Gdiplus::GpFontFamily;
using Gdiplus::GpGraphics;
using Gdiplus::GpLineGradient;
using Gdiplus::GpPath;
using Gdiplus::GpPen;
using Gdiplus::GpSolidFill;
using Gdiplus::GpStringFormat;

#define ORVICAP_GDIPLUS_FUNCTION(name) decltype(&Gdiplus::DllExports::name) name = nullptr

// The functions the windows draw with; every member is null when gdiplus.dll
// or the function could not be found.
struct GdiplusApi {
    decltype(&Gdiplus::GdiplusStartup) GdiplusStartup = nullptr;
    decltype(&Gdiplus::GdiplusShutdown) GdiplusShutdown = nullptr;
    ORVICAP_GDIPLUS_FUNCTION(GdipCreateFromHDC);
    ORVICAP_GDIPLUS_FUNCTION(GdipDeleteGraphics);
    ORVICAP_GDIPLUS_FUNCTION(GdipSetSmoothingMode);
    ORVICAP_GDIPLUS_FUNCTION(GdipSetTextRenderingHint);
    ORVICAP_GDIPLUS_FUNCTION(GdipGetDC);
    ORVICAP_GDIPLUS_FUNCTION(GdipReleaseDC);
    ORVICAP_GDIPLUS_FUNCTION(GdipCreatePath);
    ORVICAP_GDIPLUS_FUNCTION(GdipDeletePath);
    ORVICAP_GDIPLUS_FUNCTION(GdipAddPathArc);
    ORVICAP_GDIPLUS_FUNCTION(GdipAddPathLine);
    ORVICAP_GDIPLUS_FUNCTION(GdipClosePathFigure);
    ORVICAP_GDIPLUS_FUNCTION(GdipFillPath);
    ORVICAP_GDIPLUS_FUNCTION(GdipDrawPath);
    ORVICAP_GDIPLUS_FUNCTION(GdipFillRectangle);
    ORVICAP_GDIPLUS_FUNCTION(GdipFillRectangleI);
    ORVICAP_GDIPLUS_FUNCTION(GdipFillPolygon);
    ORVICAP_GDIPLUS_FUNCTION(GdipFillEllipse);
    ORVICAP_GDIPLUS_FUNCTION(GdipDrawRectangle);
    ORVICAP_GDIPLUS_FUNCTION(GdipDrawLine);
    ORVICAP_GDIPLUS_FUNCTION(GdipDrawLines);
    ORVICAP_GDIPLUS_FUNCTION(GdipCreateSolidFill);
    ORVICAP_GDIPLUS_FUNCTION(GdipCreateLineBrushFromRect);
    ORVICAP_GDIPLUS_FUNCTION(GdipCreateLineBrushFromRectI);
    ORVICAP_GDIPLUS_FUNCTION(GdipSetLineWrapMode);
    ORVICAP_GDIPLUS_FUNCTION(GdipDeleteBrush);
    ORVICAP_GDIPLUS_FUNCTION(GdipCreatePen1);
    ORVICAP_GDIPLUS_FUNCTION(GdipDeletePen);
    ORVICAP_GDIPLUS_FUNCTION(GdipCreateFontFamilyFromName);
    ORVICAP_GDIPLUS_FUNCTION(GdipDeleteFontFamily);
    ORVICAP_GDIPLUS_FUNCTION(GdipCreateFont);
    ORVICAP_GDIPLUS_FUNCTION(GdipDeleteFont);
    ORVICAP_GDIPLUS_FUNCTION(GdipCreateStringFormat);
    ORVICAP_GDIPLUS_FUNCTION(GdipDeleteStringFormat);
    ORVICAP_GDIPLUS_FUNCTION(GdipSetStringFormatAlign);
    ORVICAP_GDIPLUS_FUNCTION(GdipSetStringFormatLineAlign);
    ORVICAP_GDIPLUS_FUNCTION(GdipSetStringFormatFlags);
    ORVICAP_GDIPLUS_FUNCTION(GdipSetStringFormatTrimming);
    ORVICAP_GDIPLUS_FUNCTION(GdipDrawString);
    ORVICAP_GDIPLUS_FUNCTION(GdipMeasureString);

    bool complete = false;  // every member above was found
};

#undef ORVICAP_GDIPLUS_FUNCTION

// The process's one table, loaded on first use and kept until the process
// ends (the DLL stays loaded with it).
const GdiplusApi& GdiplusFunctions();
