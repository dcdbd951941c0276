#include "dib_canvas.h"

PixelCanvas::PixelCanvas(int canvasWidth, int canvasHeight, std::uint32_t backgroundRgb)
    : width(canvasWidth), height(canvasHeight)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc = CreateCompatibleDC(nullptr);
    void* pixels = nullptr;
    bitmap = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0) : nullptr;
    if (bitmap == nullptr) {
        return;
    }
    previous = SelectObject(dc, bitmap);
    bits = static_cast<std::uint32_t*>(pixels);
    for (int i = 0; i < width * height; ++i) {
        bits[i] = backgroundRgb;
    }
}

PixelCanvas::~PixelCanvas()
{
    if (previous != nullptr) {
        SelectObject(dc, previous);
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    if (dc != nullptr) {
        DeleteDC(dc);
    }
}

std::uint32_t PixelCanvas::At(int x, int y) const
{
    GdiFlush();
    if (bits == nullptr || x < 0 || y < 0 || x >= width || y >= height) {
        return 0xFFFFFFFF;  // no colour a probe expects
    }
    return bits[y * width + x] & 0x00FFFFFF;
}

bool PixelCanvas::CaptureScreen(const RECT& screenRect)
{
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return false;
    }
    const bool copied = BitBlt(dc, 0, 0, width, height, screen, screenRect.left, screenRect.top, SRCCOPY) != 0;
    ReleaseDC(nullptr, screen);
    return copied;
}
