#include "drawing_primitives.h"

#include <algorithm>
#include <string>

namespace {

constexpr float kProgressBarRadius = 6.0f;
constexpr ARGB kProgressTrackColor = 0xFFE6EAF0;
constexpr ARGB kProgressFillColor = 0xFF2D7DF6;
constexpr ARGB kProgressTextColor = 0xFFFFFFFF;

// Four quarter arcs in d x d boxes at the corners; GDI+ joins them with the
// straight edges.  The radius is not limited: a figure narrower than 2r folds.
GpPath* RoundRectPath(const RECT& rect, float radius)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    GpPath* path = nullptr;
    gdip.GdipCreatePath(Gdiplus::FillModeAlternate, &path);
    float left = static_cast<float>(rect.left);
    float top = static_cast<float>(rect.top);
    float width = static_cast<float>(rect.right - rect.left);
    float height = static_cast<float>(rect.bottom - rect.top);
    float d = 2.0f * radius;
    gdip.GdipAddPathArc(path, left, top, d, d, 180.0f, 90.0f);
    gdip.GdipAddPathArc(path, left + width - d, top, d, d, 270.0f, 90.0f);
    gdip.GdipAddPathArc(path, left + width - d, top + height - d, d, d, 0.0f, 90.0f);
    gdip.GdipAddPathArc(path, left, top + height - d, d, d, 90.0f, 90.0f);
    gdip.GdipClosePathFigure(path);
    return path;
}

Gdiplus::RectF FloatRect(const RECT& rect)
{
    return Gdiplus::RectF(static_cast<float>(rect.left), static_cast<float>(rect.top),
                          static_cast<float>(rect.right - rect.left), static_cast<float>(rect.bottom - rect.top));
}

void FillRoundRectWithColor(GpGraphics* graphics, const RECT& rect, float radius, ARGB color)
{
    GpSolidFill* brush = nullptr;
    GdiplusFunctions().GdipCreateSolidFill(color, &brush);
    FillRoundRect(graphics, rect, radius, brush);
    GdiplusFunctions().GdipDeleteBrush(brush);
}

}  // namespace

void FillRoundRect(GpGraphics* graphics, const RECT& rect, float radius, GpBrush* brush)
{
    GpPath* path = RoundRectPath(rect, radius);
    GdiplusFunctions().GdipFillPath(graphics, brush, path);
    GdiplusFunctions().GdipDeletePath(path);
}

void StrokeRoundRect(GpGraphics* graphics, const RECT& rect, float radius, GpPen* pen)
{
    if (pen == nullptr) {
        return;
    }
    GpPath* path = RoundRectPath(rect, radius);
    GdiplusFunctions().GdipDrawPath(graphics, pen, path);
    GdiplusFunctions().GdipDeletePath(path);
}

void DrawCenteredText(GpGraphics* graphics, const wchar_t* text, const RECT& rect, GpFont* font, ARGB color)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    GpSolidFill* brush = nullptr;
    gdip.GdipCreateSolidFill(color, &brush);
    GpStringFormat* format = nullptr;
    gdip.GdipCreateStringFormat(0, LANG_NEUTRAL, &format);
    gdip.GdipSetStringFormatAlign(format, Gdiplus::StringAlignmentCenter);
    gdip.GdipSetStringFormatLineAlign(format, Gdiplus::StringAlignmentCenter);
    Gdiplus::RectF layout = FloatRect(rect);
    gdip.GdipDrawString(graphics, text, -1, font, &layout, format, brush);
    gdip.GdipDeleteStringFormat(format);
    gdip.GdipDeleteBrush(brush);
}

int MeasureTextWidth(HWND window, const wchar_t* text, float fontSize)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    HDC dc = GetDC(window);
    GpGraphics* graphics = nullptr;
    gdip.GdipCreateFromHDC(dc, &graphics);
    GpFontFamily* family = nullptr;
    gdip.GdipCreateFontFamilyFromName(kUiFontFamily, nullptr, &family);
    GpFont* font = nullptr;
    gdip.GdipCreateFont(family, fontSize, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel, &font);
    Gdiplus::RectF origin(0.0f, 0.0f, 0.0f, 0.0f);
    Gdiplus::RectF bounds(0.0f, 0.0f, 0.0f, 0.0f);
    gdip.GdipMeasureString(graphics, text, -1, font, &origin, nullptr, &bounds, nullptr, nullptr);
    ReleaseDC(window, dc);
    gdip.GdipDeleteFont(font);
    gdip.GdipDeleteFontFamily(family);
    gdip.GdipDeleteGraphics(graphics);
    return static_cast<int>(bounds.Width + 0.5f);
}

void PaintProgressBar(GpGraphics* graphics, const RECT& rect, int percent, GpFont* font)
{
    int clamped = std::clamp(percent, 0, 100);
    FillRoundRectWithColor(graphics, rect, kProgressBarRadius, kProgressTrackColor);
    RECT fill = rect;
    fill.right = rect.left + (rect.right - rect.left) * clamped / 100;
    if (fill.right > fill.left) {
        FillRoundRectWithColor(graphics, fill, kProgressBarRadius, kProgressFillColor);
    }
    std::wstring text = std::to_wstring(clamped) + L"%";
    DrawCenteredText(graphics, text.c_str(), rect, font, kProgressTextColor);
}
