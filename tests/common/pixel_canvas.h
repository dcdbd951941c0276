#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "dib_canvas.h"
#include "gdiplus_api.h"

// GDI+ started for the length of a test, as the windowed programs start it.
struct ScopedGdiplus {
    ULONG_PTR token = 0;
    ScopedGdiplus();
    ~ScopedGdiplus();
    ScopedGdiplus(const ScopedGdiplus&) = delete;
    ScopedGdiplus& operator=(const ScopedGdiplus&) = delete;
};

// A GDI+ graphics object on the canvas, set up the way the windows paint:
// anti-aliased shapes and ClearType grid-fitted text.
struct CanvasGraphics {
    GpGraphics* graphics = nullptr;
    explicit CanvasGraphics(const PixelCanvas& canvas);
    ~CanvasGraphics();
    CanvasGraphics(const CanvasGraphics&) = delete;
    CanvasGraphics& operator=(const CanvasGraphics&) = delete;
};

// A GDI+ object the test itself made, deleted at the end of the test.
struct TestBrush {
    GpSolidFill* brush = nullptr;
    explicit TestBrush(ARGB color);
    ~TestBrush();
    TestBrush(const TestBrush&) = delete;
    TestBrush& operator=(const TestBrush&) = delete;
};

struct TestFont {
    GpFontFamily* family = nullptr;
    GpFont* font = nullptr;
    explicit TestFont(float pixels);
    ~TestFont();
    TestFont(const TestFont&) = delete;
    TestFont& operator=(const TestFont&) = delete;
};

inline std::uint32_t Rgb(ARGB color)
{
    return color & 0x00FFFFFF;
}

// What a colour with alpha looks like painted over an opaque background.
std::uint32_t Blend(std::uint32_t backgroundRgb, ARGB color);

int Red(std::uint32_t rgb);
int Green(std::uint32_t rgb);
int Blue(std::uint32_t rgb);

// Every channel within the tolerance: NearColor for conditions, ColorNear
// for assertions that print both colours.
bool NearColor(std::uint32_t actual, std::uint32_t expected, int tolerance);
testing::AssertionResult ColorNear(std::uint32_t actual, std::uint32_t expected, int tolerance);

// Whether any pixel of the area differs from the colour by more than the
// tolerance in some channel; for "something was drawn here" probes that do
// not depend on how glyphs are rasterised.
bool AreaHasOtherThan(const PixelCanvas& canvas, const RECT& area, std::uint32_t rgb, int tolerance);
// How many pixels of the area differ from the colour by more than the tolerance.
int PixelsDifferingFrom(const PixelCanvas& canvas, const RECT& area, std::uint32_t rgb, int tolerance);
// How many pixels of two pictures differ at all, outside the ignored area;
// every pixel when their sizes differ.  For "the same picture byte for byte".
int DifferingPixels(const PixelCanvas& a, const PixelCanvas& b, const RECT& ignored = RECT{});

// The smallest rectangle holding every pixel of the area whose channels all
// lie within the tolerance of the colour; empty when there is none.
RECT BoundsOfColor(const PixelCanvas& canvas, const RECT& area, std::uint32_t rgb, int tolerance);
// The same for every pixel that differs from the colour by more than the tolerance.
RECT BoundsOfOtherThan(const PixelCanvas& canvas, const RECT& area, std::uint32_t rgb, int tolerance);

// Writes the canvas (or a rectangle of the screen) as a PNG file.
bool SavePng(const PixelCanvas& canvas, const std::wstring& path);

// The folder below the build tree where the tests leave their pictures.
std::wstring ScreenshotFolder();
// Reports where a picture went, in the test's output.
void ReportScreenshot(const std::wstring& path);
