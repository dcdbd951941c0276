#include "drawing_primitives.h"

#include <string>

namespace {

constexpr float kProgressRadius = 6.0f;
constexpr ARGB kProgressTrackColor = 0xFFE6EAF0;
constexpr ARGB kProgressFillColor = 0xFF2D7DF6;
constexpr ARGB kProgressTextColor = 0xFFFFFFFF;

// The four quarter arcs of the figure, joined by GDI+ with straight lines.
// Nothing limits the radius: a rectangle narrower than 2 * radius gives a
// figure that folds over itself, which the progress bar relies on at 1-5 %.
GpPath* RoundRectPath(const GdiplusApi& gdip, const RECT& rect, float radius)
{
    GpPath* path = nullptr;
    if (gdip.GdipCreatePath(Gdiplus::FillModeAlternate, &path) != Gdiplus::Ok) {
        return nullptr;
    }
    const float left = static_cast<float>(rect.left);
    const float top = static_cast<float>(rect.top);
    const float width = static_cast<float>(rect.right - rect.left);
    const float height = static_cast<float>(rect.bottom - rect.top);
    const float diameter = 2.0f * radius;
    gdip.GdipAddPathArc(path, left, top, diameter, diameter, 180.0f, 90.0f);
    gdip.GdipAddPathArc(path, left + width - diameter, top, diameter, diameter, 270.0f, 90.0f);
    gdip.GdipAddPathArc(path, left + width - diameter, top + height - diameter, diameter, diameter, 0.0f, 90.0f);
    gdip.GdipAddPathArc(path, left, top + height - diameter, diameter, diameter, 90.0f, 90.0f);
    gdip.GdipClosePathFigure(path);
    return path;
}

void FillWithColor(const GdiplusApi& gdip, GpGraphics* graphics, const RECT& rect, float radius, ARGB color)
{
    GpSolidFill* brush = nullptr;
    if (gdip.GdipCreateSolidFill(color, &brush) != Gdiplus::Ok) {
        return;
    }
    FillRoundRect(graphics, rect, radius, brush);
    gdip.GdipDeleteBrush(brush);
}

}  // namespace

void FillRoundRect(GpGraphics* graphics, const RECT& rect, float radius, GpBrush* brush)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    if (!gdip.complete) {
        return;
    }
    GpPath* path = RoundRectPath(gdip, rect, radius);
    if (path == nullptr) {
        return;
    }
    gdip.GdipFillPath(graphics, brush, path);
    gdip.GdipDeletePath(path);
}

void StrokeRoundRect(GpGraphics* graphics, const RECT& rect, float radius, GpPen* pen)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    if (!gdip.complete || pen == nullptr) {
        return;
    }
    GpPath* path = RoundRectPath(gdip, rect, radius);
    if (path == nullptr) {
        return;
    }
    gdip.GdipDrawPath(graphics, pen, path);
    gdip.GdipDeletePath(path);
}

void DrawCenteredText(GpGraphics* graphics, const wchar_t* text, const RECT& rect, GpFont* font, ARGB color)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    if (!gdip.complete) {
        return;
    }
    GpSolidFill* brush = nullptr;
    GpStringFormat* format = nullptr;
    if (gdip.GdipCreateSolidFill(color, &brush) == Gdiplus::Ok &&
        gdip.GdipCreateStringFormat(0, LANG_NEUTRAL, &format) == Gdiplus::Ok) {
        gdip.GdipSetStringFormatAlign(format, Gdiplus::StringAlignmentCenter);
        gdip.GdipSetStringFormatLineAlign(format, Gdiplus::StringAlignmentCenter);
        const Gdiplus::RectF layout(static_cast<float>(rect.left), static_cast<float>(rect.top),
                                    static_cast<float>(rect.right - rect.left),
                                    static_cast<float>(rect.bottom - rect.top));
        gdip.GdipDrawString(graphics, text, -1, font, &layout, format, brush);
    }
    if (format != nullptr) {
        gdip.GdipDeleteStringFormat(format);
    }
    if (brush != nullptr) {
        gdip.GdipDeleteBrush(brush);
    }
}

int MeasureTextWidth(HWND window, const wchar_t* text, float fontSize)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    if (!gdip.complete) {
        return 0;
    }
    HDC dc = GetDC(window);
    if (dc == nullptr) {
        return 0;
    }
    GpGraphics* graphics = nullptr;
    GpFontFamily* family = nullptr;
    GpFont* font = nullptr;
    Gdiplus::RectF bounds(0.0f, 0.0f, 0.0f, 0.0f);
    if (gdip.GdipCreateFromHDC(dc, &graphics) == Gdiplus::Ok &&
        gdip.GdipCreateFontFamilyFromName(kUiFontFamily, nullptr, &family) == Gdiplus::Ok &&
        gdip.GdipCreateFont(family, fontSize, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel, &font) == Gdiplus::Ok) {
        const Gdiplus::RectF layout(0.0f, 0.0f, 0.0f, 0.0f);
        gdip.GdipMeasureString(graphics, text, -1, font, &layout, nullptr, &bounds, nullptr, nullptr);
    }
    if (font != nullptr) {
        gdip.GdipDeleteFont(font);
    }
    if (family != nullptr) {
        gdip.GdipDeleteFontFamily(family);
    }
    // The graphics object draws on the window's DC, so it goes before the DC
    // is handed back.
    if (graphics != nullptr) {
        gdip.GdipDeleteGraphics(graphics);
    }
    ReleaseDC(window, dc);
    return static_cast<int>(bounds.Width + 0.5f);
}

void PaintProgressBar(GpGraphics* graphics, const RECT& rect, int percent, GpFont* font)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    if (!gdip.complete) {
        return;
    }
    const int clamped = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    FillWithColor(gdip, graphics, rect, kProgressRadius, kProgressTrackColor);
    RECT fill = rect;
    fill.right = rect.left + ((rect.right - rect.left) * clamped) / 100;
    if (fill.right > fill.left) {
        FillWithColor(gdip, graphics, fill, kProgressRadius, kProgressFillColor);
    }
    const std::wstring text = std::to_wstring(clamped) + L"%";
    DrawCenteredText(graphics, text.c_str(), rect, font, kProgressTextColor);
}
