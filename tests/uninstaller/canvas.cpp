#include "canvas.h"

#include <cstdlib>
#include <vector>

#include "test_files.h"

GdiplusSession::GdiplusSession()
{
    const GdiplusApi& gdip = GdiplusFunctions();
    if (gdip.complete) {
        Gdiplus::GdiplusStartupInput input;
        gdip.GdiplusStartup(&token, &input, nullptr);
    }
}

GdiplusSession::~GdiplusSession()
{
    if (token != 0) {
        GdiplusFunctions().GdiplusShutdown(token);
    }
}

Canvas::Canvas(int width, int height) : width(width), height(height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    bits = static_cast<const uint32_t*>(pixels);
    previous = SelectObject(dc, bitmap);
}

Canvas::~Canvas()
{
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

uint32_t Canvas::Pixel(int x, int y) const
{
    GdiFlush();
    return bits[y * width + x] & 0xFFFFFF;
}

bool Canvas::CaptureScreen(const RECT& screenRect)
{
    HDC screen = GetDC(nullptr);
    bool copied = BitBlt(dc, 0, 0, width, height, screen, screenRect.left, screenRect.top, SRCCOPY) != 0;
    ReleaseDC(nullptr, screen);
    return copied;
}

bool Canvas::Save(const std::wstring& path) const
{
    GdiFlush();
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    DWORD pixelBytes = static_cast<DWORD>(width * height * 4);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + pixelBytes;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&header), sizeof(header));
    bytes.append(reinterpret_cast<const char*>(bits), pixelBytes);
    return WriteFileBytes(path, bytes);
}

CanvasGraphics::CanvasGraphics(const Canvas& canvas)
{
    GdiplusFunctions().GdipCreateFromHDC(canvas.dc, &graphics);
}

CanvasGraphics::~CanvasGraphics()
{
    if (graphics != nullptr) {
        GdiplusFunctions().GdipDeleteGraphics(graphics);
    }
}

int Red(uint32_t rgb)
{
    return (rgb >> 16) & 0xFF;
}

int Green(uint32_t rgb)
{
    return (rgb >> 8) & 0xFF;
}

int Blue(uint32_t rgb)
{
    return rgb & 0xFF;
}

bool NearColor(uint32_t rgb, uint32_t expected, int tolerance)
{
    return std::abs(Red(rgb) - Red(expected)) <= tolerance && std::abs(Green(rgb) - Green(expected)) <= tolerance &&
           std::abs(Blue(rgb) - Blue(expected)) <= tolerance;
}

uint32_t Blend(ARGB over, uint32_t under)
{
    int alpha = static_cast<int>(over >> 24);
    auto channel = [alpha](int top, int bottom) { return (top * alpha + bottom * (255 - alpha) + 127) / 255; };
    return static_cast<uint32_t>(channel(Red(over), Red(under)) << 16 | channel(Green(over), Green(under)) << 8 |
                                 channel(Blue(over), Blue(under)));
}

int PixelsDifferingFrom(const Canvas& canvas, const RECT& area, uint32_t rgb, int tolerance)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            count += NearColor(canvas.Pixel(x, y), rgb, tolerance) ? 0 : 1;
        }
    }
    return count;
}
