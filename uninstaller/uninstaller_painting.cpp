#include "uninstaller_painting.h"

#include <functional>

#include "drawing_primitives.h"
#include "gdiplus_objects.h"
#include "uninstaller_constants.h"
#include "uninstaller_layout.h"

namespace {

using Gdiplus::RectF;

void ConfigureQuality(GpGraphics* graphics)
{
    GdiplusFunctions().GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
    GdiplusFunctions().GdipSetTextRenderingHint(graphics, Gdiplus::TextRenderingHintClearTypeGridFit);
}

RectF ToRectF(const RECT& rect)
{
    return RectF(static_cast<float>(rect.left), static_cast<float>(rect.top), static_cast<float>(rect.right - rect.left),
                 static_cast<float>(rect.bottom - rect.top));
}

// Text from a layout origin, unclipped, with the default format (left, top).
void DrawTextAt(GpGraphics* graphics, const wchar_t* text, POINT origin, GpFont* font, ARGB color)
{
    SolidBrush brush(color);
    RectF layout(static_cast<float>(origin.x), static_cast<float>(origin.y), 0.0f, 0.0f);
    GdiplusFunctions().GdipDrawString(graphics, text, -1, font, &layout, nullptr, brush.brush);
}

void PaintCloseButton(GpGraphics* graphics, const RECT& closeRect, bool hover)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    SolidBrush back(hover ? kCloseBackHoverColor : kCloseBackColor);
    FillRoundRect(graphics, closeRect, kCloseCornerRadius, back.brush);
    Pen pen(hover ? kCloseCrossHoverColor : kCloseCrossColor, kCloseCrossWidth);
    float cx = static_cast<float>((closeRect.left + closeRect.right) / 2);
    float cy = static_cast<float>((closeRect.top + closeRect.bottom) / 2);
    float half = static_cast<float>(kCloseCrossHalf);
    gdip.GdipDrawLine(graphics, pen.pen, cx - half, cy - half, cx + half, cy + half);
    gdip.GdipDrawLine(graphics, pen.pen, cx - half, cy + half, cx + half, cy - half);
}

void PaintFallbackIcon(GpGraphics* graphics)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    GradientBrush square(ToRectF(kHeaderIconRect), kFallbackIconTopColor, kFallbackIconBottomColor);
    FillRoundRect(graphics, kHeaderIconRect, kFallbackIconRadius, square.brush);
    GpPath* mark = nullptr;
    gdip.GdipCreatePath(Gdiplus::FillModeAlternate, &mark);
    gdip.GdipAddPathLine(mark, static_cast<float>(kFallbackMark[0].x), static_cast<float>(kFallbackMark[0].y),
                         static_cast<float>(kFallbackMark[1].x), static_cast<float>(kFallbackMark[1].y));
    gdip.GdipAddPathLine(mark, static_cast<float>(kFallbackMark[1].x), static_cast<float>(kFallbackMark[1].y),
                         static_cast<float>(kFallbackMark[2].x), static_cast<float>(kFallbackMark[2].y));
    gdip.GdipClosePathFigure(mark);
    SolidBrush white(kFallbackIconMarkColor);
    gdip.GdipFillPath(graphics, white.brush, mark);
    gdip.GdipDeletePath(mark);
}

void PaintHeaderIcon(GpGraphics* graphics, HICON icon)
{
    if (icon == nullptr) {
        // LR_SHARED: the system owns the icon, which is never destroyed here.
        icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                             kHeaderIconSize, kHeaderIconSize, LR_SHARED));
    }
    if (icon == nullptr) {
        PaintFallbackIcon(graphics);
        return;
    }
    const GdiplusApi& gdip = GdiplusFunctions();
    HDC dc = nullptr;
    if (gdip.GdipGetDC(graphics, &dc) == Gdiplus::Ok) {
        DrawIconEx(dc, kHeaderIconRect.left, kHeaderIconRect.top, icon, kHeaderIconSize, kHeaderIconSize, 0, nullptr,
                   DI_NORMAL);
        gdip.GdipReleaseDC(graphics, dc);
    }
}

void PaintBorder(GpGraphics* graphics)
{
    Pen pen(kBorderColor, 1.0f);
    GdiplusFunctions().GdipDrawRectangle(graphics, pen.pen, 0.0f, 0.0f, static_cast<float>(kWindowWidth - 1),
                                         static_cast<float>(kWindowHeight - 1));
}

void PaintProgress(GpGraphics* graphics, const FontFamily& family, const UninstallerState& state)
{
    Font progressFont(family, kProgressFontSize);
    PaintProgressBar(graphics, state.progressRect, state.progress, progressFont.font);
}

// Whether the picture includes the progress bar, or leaves it white for the
// retained layer.  Nothing painted after the bar reaches into it and the
// body under it is opaque white, so it can as well be drawn last, on a copy
// of the layer, with the same result.
enum class ProgressBar { Painted, LeftWhite };

void PaintPicture(GpGraphics* graphics, const UninstallerState& state, ProgressBar progressBar)
{
    PaintUninstallerHeader(graphics, state.name.c_str(), state.subtitle.c_str(), state.closeHover, state.closeRect,
                           state.headerIcon);
    SolidBrush body(kBodyColor);
    GdiplusFunctions().GdipFillRectangle(graphics, body.brush, 0.0f, static_cast<float>(kHeaderHeight),
                                         static_cast<float>(kWindowWidth),
                                         static_cast<float>(kWindowHeight - kHeaderHeight));

    FontFamily family;
    if (progressBar == ProgressBar::Painted) {
        PaintProgress(graphics, family, state);
    }
    Font statusFont(family, kStatusFontSize);
    DrawTextAt(graphics, state.statusText.c_str(), kStatusOrigin, statusFont.font, kStatusColor);
    PaintBorder(graphics);
}

// Runs the painter on a GDI+ graphics object on the DC; deleting the graphics
// flushes its drawing into the DC.
void PaintOnDc(HDC dc, const std::function<void(GpGraphics*)>& paint)
{
    GpGraphics* graphics = nullptr;
    if (GdiplusFunctions().GdipCreateFromHDC(dc, &graphics) == Gdiplus::Ok) {
        paint(graphics);
        GdiplusFunctions().GdipDeleteGraphics(graphics);
    }
}

// The bar alone, on a graphics object set up as the header sets up the
// whole picture's.
void PaintProgressOnly(GpGraphics* graphics, const UninstallerState& state)
{
    ConfigureQuality(graphics);
    FontFamily family;
    PaintProgress(graphics, family, state);
}

}  // namespace

void PaintUninstallerHeader(GpGraphics* graphics, const wchar_t* title, const wchar_t* subtitle, bool closeHover,
                            const RECT& closeRect, HICON icon)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    ConfigureQuality(graphics);
    FontFamily family;
    Font titleFont(family, kTitleFontSize);
    Font subtitleFont(family, kSubtitleFontSize);
    Font smallFont(family, kSmallTitleFontSize);

    GradientBrush background(ToRectF(RECT{0, 0, kWindowWidth, kHeaderHeight}), kHeaderTopColor, kHeaderBottomColor);
    gdip.GdipFillRectangle(graphics, background.brush, 0.0f, 0.0f, static_cast<float>(kWindowWidth),
                           static_cast<float>(kHeaderHeight));
    DrawTextAt(graphics, kHeaderSmallTitle, kSmallTitleOrigin, smallFont.font, kSmallTitleColor);
    PaintCloseButton(graphics, closeRect, closeHover);
    PaintHeaderIcon(graphics, icon);
    DrawCenteredText(graphics, title, kTitleRect, titleFont.font, kTitleColor);
    DrawCenteredText(graphics, subtitle, kSubtitleRect, subtitleFont.font, kSubtitleColor);
}

void PaintUninstallerWindow(GpGraphics* graphics, const UninstallerState& state)
{
    PaintPicture(graphics, state, ProgressBar::Painted);
}

UninstallerLayerContent LayerContentOf(const UninstallerState& state)
{
    return UninstallerLayerContent{.name = state.name,
                                   .subtitle = state.subtitle,
                                   .statusText = state.statusText,
                                   .closeHover = state.closeHover,
                                   .closeRect = state.closeRect,
                                   .headerIcon = state.headerIcon};
}

void PaintUninstallerBuffered(HDC target, const RECT& client, UninstallerState& state)
{
    // Without GDI+ there is nothing to draw with; the window stays as the
    // class background leaves it.
    if (!GdiplusFunctions().complete) {
        return;
    }
    PaintThroughLayer(
        target, client, state.paintLayer, LayerContentOf(state),
        [&state](HDC dc) {
            PaintOnDc(dc, [&state](GpGraphics* graphics) { PaintPicture(graphics, state, ProgressBar::LeftWhite); });
        },
        [&state](HDC dc) {
            PaintOnDc(dc, [&state](GpGraphics* graphics) { PaintProgressOnly(graphics, state); });
        });
}
