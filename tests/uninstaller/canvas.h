#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "gdiplus_api.h"

// GDI+ started for the length of a test.
struct GdiplusSession {
    ULONG_PTR token = 0;
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
};

// A 32-bit top-down off-screen picture with a GDI+ graphics object on it,
// whose pixels the tests read.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    const uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;

    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // 0xRRGGBB of one pixel.
    uint32_t Pixel(int x, int y) const;
    // Copies the picture of a window on the screen (its position and size).
    bool CaptureScreen(const RECT& screenRect);
    // Writes the picture as a .bmp file.
    bool Save(const std::wstring& path) const;
};

// The graphics object for painting on a canvas; deleted (and so flushed) on
// destruction.
struct CanvasGraphics {
    GpGraphics* graphics = nullptr;
    explicit CanvasGraphics(const Canvas& canvas);
    ~CanvasGraphics();
    CanvasGraphics(const CanvasGraphics&) = delete;
    CanvasGraphics& operator=(const CanvasGraphics&) = delete;
};

int Red(uint32_t rgb);
int Green(uint32_t rgb);
int Blue(uint32_t rgb);
// Whether every channel lies within the tolerance of the colour (ARGB's alpha ignored).
bool NearColor(uint32_t rgb, uint32_t expected, int tolerance);
// Source over destination, for a colour with alpha over an opaque one.
uint32_t Blend(ARGB over, uint32_t under);
// How many pixels of the rectangle stand out from the colour by more than the tolerance.
int PixelsDifferingFrom(const Canvas& canvas, const RECT& area, uint32_t rgb, int tolerance);
