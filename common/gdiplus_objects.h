#pragma once

#include <windows.h>

#include "drawing_primitives.h"
#include "gdiplus_api.h"

// GDI+ objects owned for one drawing routine, deleted on every way out.
// Declared in the order of use, fonts after their family, they are deleted
// in the reverse order: fonts before their family.
struct SolidBrush {
    GpSolidFill* brush = nullptr;
    explicit SolidBrush(ARGB color) { GdiplusFunctions().GdipCreateSolidFill(color, &brush); }
    ~SolidBrush()
    {
        if (brush != nullptr) {
            GdiplusFunctions().GdipDeleteBrush(brush);
        }
    }
    SolidBrush(const SolidBrush&) = delete;
    SolidBrush& operator=(const SolidBrush&) = delete;
};

struct GradientBrush {
    GpLineGradient* brush = nullptr;
    GradientBrush(const Gdiplus::RectF& area, ARGB top, ARGB bottom)
    {
        GdiplusFunctions().GdipCreateLineBrushFromRect(&area, top, bottom, Gdiplus::LinearGradientModeVertical,
                                                       Gdiplus::WrapModeTile, &brush);
    }
    ~GradientBrush()
    {
        if (brush != nullptr) {
            GdiplusFunctions().GdipDeleteBrush(brush);
        }
    }
    GradientBrush(const GradientBrush&) = delete;
    GradientBrush& operator=(const GradientBrush&) = delete;
};

struct Pen {
    GpPen* pen = nullptr;
    Pen(ARGB color, float width) { GdiplusFunctions().GdipCreatePen1(color, width, Gdiplus::UnitWorld, &pen); }
    ~Pen()
    {
        if (pen != nullptr) {
            GdiplusFunctions().GdipDeletePen(pen);
        }
    }
    Pen(const Pen&) = delete;
    Pen& operator=(const Pen&) = delete;
};

// The family of the UI font.
struct FontFamily {
    GpFontFamily* family = nullptr;
    FontFamily() { GdiplusFunctions().GdipCreateFontFamilyFromName(kUiFontFamily, nullptr, &family); }
    ~FontFamily()
    {
        if (family != nullptr) {
            GdiplusFunctions().GdipDeleteFontFamily(family);
        }
    }
    FontFamily(const FontFamily&) = delete;
    FontFamily& operator=(const FontFamily&) = delete;
};

struct Font {
    GpFont* font = nullptr;
    Font(const FontFamily& family, float pixels)
    {
        if (family.family != nullptr) {
            GdiplusFunctions().GdipCreateFont(family.family, pixels, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel,
                                              &font);
        }
    }
    ~Font()
    {
        if (font != nullptr) {
            GdiplusFunctions().GdipDeleteFont(font);
        }
    }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
};

struct Graphics {
    GpGraphics* graphics = nullptr;
    explicit Graphics(HDC dc) { GdiplusFunctions().GdipCreateFromHDC(dc, &graphics); }
    ~Graphics()
    {
        if (graphics != nullptr) {
            GdiplusFunctions().GdipDeleteGraphics(graphics);
        }
    }
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;
};
