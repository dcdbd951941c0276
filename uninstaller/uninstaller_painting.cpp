#include "uninstaller_painting.h"

#include "buffered_paint.h"
#include "drawing_primitives.h"
#include "uninstaller_constants.h"
#include "uninstaller_layout.h"

namespace {

using Gdiplus::RectF;

RectF ToRectF(const RECT& rect)
{
    return RectF(static_cast<float>(rect.left), static_cast<float>(rect.top), static_cast<float>(rect.right - rect.left),
                 static_cast<float>(rect.bottom - rect.top));
}

GpSolidFill* CreateSolid(ARGB color)
{
    GpSolidFill* brush = nullptr;
    GdiplusFunctions().GdipCreateSolidFill(color, &brush);
    return brush;
}

GpLineGradient* CreateVerticalGradient(const RECT& rect, ARGB top, ARGB bottom)
{
    RectF area = ToRectF(rect);
    GpLineGradient* brush = nullptr;
    GdiplusFunctions().GdipCreateLineBrushFromRect(&area, top, bottom, Gdiplus::LinearGradientModeVertical,
                                                   Gdiplus::WrapModeTile, &brush);
    return brush;
}

GpFont* CreateUiFont(GpFontFamily* family, float size)
{
    GpFont* font = nullptr;
    GdiplusFunctions().GdipCreateFont(family, size, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel, &font);
    return font;
}

// Text from a layout origin, unclipped, with the default format (left, top).
void DrawTextAt(GpGraphics* graphics, const wchar_t* text, POINT origin, GpFont* font, ARGB color)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    GpSolidFill* brush = CreateSolid(color);
    RectF layout(static_cast<float>(origin.x), static_cast<float>(origin.y), 0.0f, 0.0f);
    gdip.GdipDrawString(graphics, text, -1, font, &layout, nullptr, brush);
    gdip.GdipDeleteBrush(brush);
}

void PaintCloseButton(GpGraphics* graphics, const RECT& closeRect, bool hover)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    GpSolidFill* back = CreateSolid(hover ? kCloseBackHoverColor : kCloseBackColor);
    FillRoundRect(graphics, closeRect, kCloseCornerRadius, back);
    GpPen* pen = nullptr;
    gdip.GdipCreatePen1(hover ? kCloseCrossHoverColor : kCloseCrossColor, kCloseCrossWidth, Gdiplus::UnitPixel, &pen);
    float cx = static_cast<float>((closeRect.left + closeRect.right) / 2);
    float cy = static_cast<float>((closeRect.top + closeRect.bottom) / 2);
    float half = static_cast<float>(kCloseCrossHalf);
    gdip.GdipDrawLine(graphics, pen, cx - half, cy - half, cx + half, cy + half);
    gdip.GdipDrawLine(graphics, pen, cx - half, cy + half, cx + half, cy - half);
    gdip.GdipDeletePen(pen);
    gdip.GdipDeleteBrush(back);
}

void PaintFallbackIcon(GpGraphics* graphics)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    GpLineGradient* square = CreateVerticalGradient(kHeaderIconRect, kFallbackIconTopColor, kFallbackIconBottomColor);
    FillRoundRect(graphics, kHeaderIconRect, kFallbackIconRadius, square);
    GpPath* mark = nullptr;
    gdip.GdipCreatePath(Gdiplus::FillModeAlternate, &mark);
    gdip.GdipAddPathLine(mark, static_cast<float>(kFallbackMark[0].x), static_cast<float>(kFallbackMark[0].y),
                         static_cast<float>(kFallbackMark[1].x), static_cast<float>(kFallbackMark[1].y));
    gdip.GdipAddPathLine(mark, static_cast<float>(kFallbackMark[1].x), static_cast<float>(kFallbackMark[1].y),
                         static_cast<float>(kFallbackMark[2].x), static_cast<float>(kFallbackMark[2].y));
    gdip.GdipClosePathFigure(mark);
    GpSolidFill* white = CreateSolid(kFallbackIconMarkColor);
    gdip.GdipFillPath(graphics, white, mark);
    gdip.GdipDeleteBrush(white);
    gdip.GdipDeletePath(mark);
    gdip.GdipDeleteBrush(square);
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

void PaintStatusLine(GpGraphics* graphics, GpFontFamily* family, const std::wstring& statusText)
{
    GpFont* font = CreateUiFont(family, kStatusFontSize);
    DrawTextAt(graphics, statusText.c_str(), kStatusOrigin, font, kStatusColor);
    GdiplusFunctions().GdipDeleteFont(font);
}

void PaintBorder(GpGraphics* graphics)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    GpPen* pen = nullptr;
    gdip.GdipCreatePen1(kBorderColor, 1.0f, Gdiplus::UnitPixel, &pen);
    gdip.GdipDrawRectangle(graphics, pen, 0.0f, 0.0f, static_cast<float>(kWindowWidth - 1),
                           static_cast<float>(kWindowHeight - 1));
    gdip.GdipDeletePen(pen);
}

}  // namespace

void PaintUninstallerHeader(GpGraphics* graphics, const wchar_t* title, const wchar_t* subtitle, bool closeHover,
                            const RECT& closeRect, HICON icon)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    gdip.GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
    gdip.GdipSetTextRenderingHint(graphics, Gdiplus::TextRenderingHintClearTypeGridFit);
    GpFontFamily* family = nullptr;
    gdip.GdipCreateFontFamilyFromName(kUiFontFamily, nullptr, &family);
    GpFont* titleFont = CreateUiFont(family, kTitleFontSize);
    GpFont* subtitleFont = CreateUiFont(family, kSubtitleFontSize);
    GpFont* smallFont = CreateUiFont(family, kSmallTitleFontSize);

    RECT band{0, 0, kWindowWidth, kHeaderHeight};
    GpLineGradient* background = CreateVerticalGradient(band, kHeaderTopColor, kHeaderBottomColor);
    gdip.GdipFillRectangle(graphics, background, 0.0f, 0.0f, static_cast<float>(kWindowWidth),
                           static_cast<float>(kHeaderHeight));
    DrawTextAt(graphics, kHeaderSmallTitle, kSmallTitleOrigin, smallFont, kSmallTitleColor);
    PaintCloseButton(graphics, closeRect, closeHover);
    PaintHeaderIcon(graphics, icon);
    DrawCenteredText(graphics, title, kTitleRect, titleFont, kTitleColor);
    DrawCenteredText(graphics, subtitle, kSubtitleRect, subtitleFont, kSubtitleColor);

    gdip.GdipDeleteBrush(background);
    gdip.GdipDeleteFont(smallFont);
    gdip.GdipDeleteFont(subtitleFont);
    gdip.GdipDeleteFont(titleFont);
    gdip.GdipDeleteFontFamily(family);
}

void PaintUninstallerWindow(GpGraphics* graphics, const UninstallerState& state)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    PaintUninstallerHeader(graphics, state.name.c_str(), state.subtitle.c_str(), state.closeHover, state.closeRect,
                           state.headerIcon);
    GpSolidFill* body = CreateSolid(kBodyColor);
    gdip.GdipFillRectangle(graphics, body, 0.0f, static_cast<float>(kHeaderHeight), static_cast<float>(kWindowWidth),
                           static_cast<float>(kWindowHeight - kHeaderHeight));
    gdip.GdipDeleteBrush(body);

    GpFontFamily* family = nullptr;
    gdip.GdipCreateFontFamilyFromName(kUiFontFamily, nullptr, &family);
    GpFont* progressFont = CreateUiFont(family, kProgressFontSize);
    PaintProgressBar(graphics, state.progressRect, state.progress, progressFont);
    gdip.GdipDeleteFont(progressFont);
    PaintStatusLine(graphics, family, state.statusText);
    gdip.GdipDeleteFontFamily(family);
    PaintBorder(graphics);
}

void PaintUninstallerBuffered(HDC target, const RECT& client, const UninstallerState& state)
{
    // Without GDI+ there is nothing to draw with; the window stays as the
    // class background leaves it.
    if (!GdiplusFunctions().complete) {
        return;
    }
    PaintThroughBuffer(target, client, [&state](HDC memory) {
        GpGraphics* graphics = nullptr;
        if (GdiplusFunctions().GdipCreateFromHDC(memory, &graphics) == Gdiplus::Ok) {
            PaintUninstallerWindow(graphics, state);
            // Deleting the graphics flushes its drawing into the memory DC
            // before the copy.
            GdiplusFunctions().GdipDeleteGraphics(graphics);
        }
    });
}
