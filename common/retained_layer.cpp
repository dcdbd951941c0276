#include "retained_layer.h"

#include <utility>

#include "buffered_paint.h"

LayerBitmap::~LayerBitmap()
{
    if (handle != nullptr) {
        DeleteObject(handle);
    }
}

LayerBitmap::LayerBitmap(LayerBitmap&& other) noexcept
    : handle(std::exchange(other.handle, nullptr)), width(other.width), height(other.height)
{
}

LayerBitmap& LayerBitmap::operator=(LayerBitmap&& other) noexcept
{
    if (this != &other) {
        if (handle != nullptr) {
            DeleteObject(handle);
        }
        handle = std::exchange(other.handle, nullptr);
        width = other.width;
        height = other.height;
    }
    return *this;
}

namespace {

// A memory DC with one bitmap selected into it, for as long as it lives.
struct BitmapDc {
    HDC dc = nullptr;
    HGDIOBJ previous = nullptr;

    BitmapDc(HDC compatibleWith, HBITMAP bitmap) : dc(CreateCompatibleDC(compatibleWith))
    {
        if (dc != nullptr) {
            previous = SelectObject(dc, bitmap);
        }
    }
    ~BitmapDc()
    {
        if (dc != nullptr) {
            SelectObject(dc, previous);
            DeleteDC(dc);
        }
    }
    BitmapDc(const BitmapDc&) = delete;
    BitmapDc& operator=(const BitmapDc&) = delete;
};

bool HasSize(const LayerBitmap& bitmap, int width, int height)
{
    return bitmap.handle != nullptr && bitmap.width == width && bitmap.height == height;
}

// A bitmap of the client's size, compatible with the target, kept when it
// already has that size.
bool SizeBitmap(HDC target, LayerBitmap& bitmap, int width, int height)
{
    if (HasSize(bitmap, width, height)) {
        return true;
    }
    bitmap = LayerBitmap{};
    bitmap.handle = CreateCompatibleBitmap(target, width, height);
    bitmap.width = width;
    bitmap.height = height;
    return bitmap.handle != nullptr;
}

// Draws the retained part on white, as PaintThroughBuffer starts its bitmap.
bool DrawLayer(HDC target, const LayerBitmap& layer, const std::function<void(HDC)>& paintRetained)
{
    BitmapDc layerDc(target, layer.handle);
    if (layerDc.dc == nullptr) {
        return false;
    }
    PatBlt(layerDc.dc, 0, 0, layer.width, layer.height, WHITENESS);
    paintRetained(layerDc.dc);
    return true;
}

// The back buffer becomes a copy of the layer, the changing part is drawn on
// it, and the whole is copied to the target.
bool PaintFromLayer(HDC target, const RECT& client, const LayerBitmap& layer, LayerBitmap& buffer,
                    const std::function<void(HDC)>& paintChanging)
{
    if (!SizeBitmap(target, buffer, layer.width, layer.height)) {
        return false;
    }
    BitmapDc bufferDc(target, buffer.handle);
    BitmapDc layerDc(target, layer.handle);
    if (bufferDc.dc == nullptr || layerDc.dc == nullptr) {
        return false;
    }
    BitBlt(bufferDc.dc, 0, 0, layer.width, layer.height, layerDc.dc, 0, 0, SRCCOPY);
    paintChanging(bufferDc.dc);
    BitBlt(target, client.left, client.top, layer.width, layer.height, bufferDc.dc, 0, 0, SRCCOPY);
    return true;
}

}  // namespace

void PaintThroughLayerBitmaps(HDC target, const RECT& client, LayerBitmap& layer, LayerBitmap& buffer,
                              bool layerCurrent, const std::function<void(HDC)>& paintRetained,
                              const std::function<void(HDC)>& paintChanging)
{
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const bool ready = (layerCurrent && HasSize(layer, width, height)) ||
                       (SizeBitmap(target, layer, width, height) && DrawLayer(target, layer, paintRetained));
    if (ready && PaintFromLayer(target, client, layer, buffer, paintChanging)) {
        return;
    }
    // Without its bitmaps the picture is painted whole, as it was before
    // there were any; a layer that could not be drawn must not be taken for
    // a current one later.
    if (!ready) {
        layer = LayerBitmap{};
    }
    PaintThroughBuffer(target, client, [&](HDC dc) {
        paintRetained(dc);
        paintChanging(dc);
    });
}
