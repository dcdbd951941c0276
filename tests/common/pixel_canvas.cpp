#include "pixel_canvas.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "drawing_primitives.h"
#include "test_files.h"

ScopedGdiplus::ScopedGdiplus()
{
    Gdiplus::GdiplusStartupInput input;
    GdiplusFunctions().GdiplusStartup(&token, &input, nullptr);
}

ScopedGdiplus::~ScopedGdiplus()
{
    if (token != 0) {
        GdiplusFunctions().GdiplusShutdown(token);
    }
}

CanvasGraphics::CanvasGraphics(const PixelCanvas& canvas)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    if (gdip.GdipCreateFromHDC(canvas.dc, &graphics) == Gdiplus::Ok) {
        gdip.GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
        gdip.GdipSetTextRenderingHint(graphics, Gdiplus::TextRenderingHintClearTypeGridFit);
    }
}

CanvasGraphics::~CanvasGraphics()
{
    if (graphics != nullptr) {
        GdiplusFunctions().GdipDeleteGraphics(graphics);
    }
}

TestBrush::TestBrush(ARGB color)
{
    GdiplusFunctions().GdipCreateSolidFill(color, &brush);
}

TestBrush::~TestBrush()
{
    if (brush != nullptr) {
        GdiplusFunctions().GdipDeleteBrush(brush);
    }
}

TestFont::TestFont(float pixels)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    if (gdip.GdipCreateFontFamilyFromName(kUiFontFamily, nullptr, &family) == Gdiplus::Ok) {
        gdip.GdipCreateFont(family, pixels, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel, &font);
    }
}

TestFont::~TestFont()
{
    if (font != nullptr) {
        GdiplusFunctions().GdipDeleteFont(font);
    }
    if (family != nullptr) {
        GdiplusFunctions().GdipDeleteFontFamily(family);
    }
}

namespace {

int Channel(std::uint32_t rgb, int shift)
{
    return static_cast<int>((rgb >> shift) & 0xFF);
}

}  // namespace

int Red(std::uint32_t rgb)
{
    return Channel(rgb, 16);
}

int Green(std::uint32_t rgb)
{
    return Channel(rgb, 8);
}

int Blue(std::uint32_t rgb)
{
    return Channel(rgb, 0);
}

bool NearColor(std::uint32_t actual, std::uint32_t expected, int tolerance)
{
    for (int shift : {0, 8, 16}) {
        if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance) {
            return false;
        }
    }
    return true;
}

std::uint32_t Blend(std::uint32_t backgroundRgb, ARGB color)
{
    const int alpha = static_cast<int>(color >> 24);
    std::uint32_t result = 0;
    for (int shift : {0, 8, 16}) {
        const int mixed = (Channel(color, shift) * alpha + Channel(backgroundRgb, shift) * (255 - alpha) + 127) / 255;
        result |= static_cast<std::uint32_t>(mixed) << shift;
    }
    return result;
}

testing::AssertionResult ColorNear(std::uint32_t actual, std::uint32_t expected, int tolerance)
{
    if (NearColor(actual, expected, tolerance)) {
        return testing::AssertionSuccess();
    }
    char text[96];
    std::snprintf(text, sizeof(text), "colour %06X, expected %06X within %d", static_cast<unsigned>(actual),
                  static_cast<unsigned>(expected), tolerance);
    return testing::AssertionFailure() << text;
}

bool AreaHasOtherThan(const PixelCanvas& canvas, const RECT& area, std::uint32_t rgb, int tolerance)
{
    return PixelsDifferingFrom(canvas, area, rgb, tolerance) > 0;
}

int PixelsDifferingFrom(const PixelCanvas& canvas, const RECT& area, std::uint32_t rgb, int tolerance)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            count += NearColor(canvas.At(x, y), rgb, tolerance) ? 0 : 1;
        }
    }
    return count;
}

int DifferingPixels(const PixelCanvas& a, const PixelCanvas& b, const RECT& ignored)
{
    if (a.width != b.width || a.height != b.height) {
        return a.width * a.height;
    }
    int differing = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const bool skipped = x >= ignored.left && x < ignored.right && y >= ignored.top && y < ignored.bottom;
            differing += !skipped && a.At(x, y) != b.At(x, y) ? 1 : 0;
        }
    }
    return differing;
}

namespace {

RECT BoundsWhere(const PixelCanvas& canvas, const RECT& area, std::uint32_t rgb, int tolerance, bool matching)
{
    RECT bounds{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (NearColor(canvas.At(x, y), rgb, tolerance) == matching) {
                bounds.left = std::min<LONG>(bounds.left, x);
                bounds.top = std::min<LONG>(bounds.top, y);
                bounds.right = std::max<LONG>(bounds.right, x + 1);
                bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
            }
        }
    }
    return bounds.right > bounds.left ? bounds : RECT{};
}

}  // namespace

RECT BoundsOfColor(const PixelCanvas& canvas, const RECT& area, std::uint32_t rgb, int tolerance)
{
    return BoundsWhere(canvas, area, rgb, tolerance, true);
}

RECT BoundsOfOtherThan(const PixelCanvas& canvas, const RECT& area, std::uint32_t rgb, int tolerance)
{
    return BoundsWhere(canvas, area, rgb, tolerance, false);
}

namespace {

bool FindPngEncoder(CLSID& encoder)
{
    UINT count = 0;
    UINT size = 0;
    if (Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) {
        return false;
    }
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::DllExports::GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) {
        return false;
    }
    for (UINT i = 0; i < count; ++i) {
        if (lstrcmpiW(codecs[i].MimeType, L"image/png") == 0) {
            encoder = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

}  // namespace

bool SavePng(const PixelCanvas& canvas, const std::wstring& path)
{
    CLSID encoder{};
    if (canvas.bits == nullptr || !FindPngEncoder(encoder)) {
        return false;
    }
    GdiFlush();
    // The canvas's alpha byte is whatever GDI left there; the picture is opaque.
    std::vector<std::uint32_t> pixels(canvas.bits, canvas.bits + canvas.width * canvas.height);
    for (std::uint32_t& pixel : pixels) {
        pixel |= 0xFF000000;
    }
    Gdiplus::GpBitmap* image = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(canvas.width, canvas.height, canvas.width * 4,
                                                       PixelFormat32bppARGB, reinterpret_cast<BYTE*>(pixels.data()),
                                                       &image) != Gdiplus::Ok) {
        return false;
    }
    const bool saved = Gdiplus::DllExports::GdipSaveImageToFile(image, path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
    Gdiplus::DllExports::GdipDisposeImage(image);
    return saved;
}

std::wstring ScreenshotFolder()
{
    const std::wstring folder = ModuleDirectory() + L"\\..\\screenshots";
    CreateDirectories(folder);
    return folder;
}

// Wine maps the Linux root to drive Z:; a picture there is reported by its
// Linux path, where a person opens it.
void ReportScreenshot(const std::wstring& path)
{
    wchar_t full[MAX_PATH] = {};
    GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    std::wstring shown = full;
    if (shown.rfind(L"Z:\\", 0) == 0) {
        shown = shown.substr(2);
        for (wchar_t& c : shown) {
            if (c == L'\\') {
                c = L'/';
            }
        }
    }
    std::printf("screenshot: %s\n", WideToUtf8ForTest(shown).c_str());
}
