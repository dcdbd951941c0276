#pragma once

#include <windows.h>

#include <cstdint>

// An off-screen 32-bit top-down bitmap in a memory DC, filled with one
// colour, whose pixels are read back directly.
struct PixelCanvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;

    PixelCanvas(int canvasWidth, int canvasHeight, std::uint32_t backgroundRgb);
    ~PixelCanvas();
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;

    // 0xRRGGBB
    std::uint32_t At(int x, int y) const;
    // Copies what the screen shows at the rectangle's top left corner.
    bool CaptureScreen(const RECT& screenRect);
};
