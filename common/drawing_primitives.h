#pragma once

// The shapes both windows are drawn from.  Each primitive creates and deletes
// every GDI+ object it makes itself; the graphics, brushes, pens and fonts it
// is given belong to the caller.  GDI+ status codes are not acted upon: a
// failed call leaves its part of the picture undrawn.
#include "gdiplus_api.h"

// The UI font: "Microsoft YaHei", regular, sizes in pixels.
inline constexpr wchar_t kUiFontFamily[] = L"Microsoft YaHei";

// A rounded rectangle touching the rectangle's four edges, filled or
// outlined; the radius is not limited, so a narrow figure folds over itself.
void FillRoundRect(GpGraphics* graphics, const RECT& rect, float radius, GpBrush* brush);
void StrokeRoundRect(GpGraphics* graphics, const RECT& rect, float radius, GpPen* pen);

// Text centred both ways in the rectangle, wrapped and clipped to it.
void DrawCenteredText(GpGraphics* graphics, const wchar_t* text, const RECT& rect, GpFont* font, ARGB color);

// The width of one line of text in the UI font, in whole pixels (rounded).
int MeasureTextWidth(HWND window, const wchar_t* text, float fontSize);

// Track, blue fill by percentage (clamped to 0..100) and "N%" in white.
void PaintProgressBar(GpGraphics* graphics, const RECT& rect, int percent, GpFont* font);
