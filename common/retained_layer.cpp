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

// A bitmap of the client's size, compatible with the target, kept when it
// already has that size.
bool SizeLayer(HDC target, LayerBitmap& layer, int width, int height)
{
    if (layer.handle != nullptr && layer.width == width && layer.height == height) {
        return true;
    }
    layer = LayerBitmap{};
    layer.handle = CreateCompatibleBitmap(target, width, height);
    layer.width = width;
    layer.height = height;
    return layer.handle != nullptr;
}

// Draws the retained part on white, as PaintThroughBuffer starts its bitmap.
bool DrawLayer(HDC target, LayerBitmap& layer, const std::function<void(HDC)>& paintRetained)
{
    HDC memory = CreateCompatibleDC(target);
    if (memory == nullptr) {
        return false;
    }
    HGDIOBJ previous = SelectObject(memory, layer.handle);
    PatBlt(memory, 0, 0, layer.width, layer.height, WHITENESS);
    paintRetained(memory);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return true;
}

bool CopyLayer(HDC buffer, const LayerBitmap& layer)
{
    HDC memory = CreateCompatibleDC(buffer);
    if (memory == nullptr) {
        return false;
    }
    HGDIOBJ previous = SelectObject(memory, layer.handle);
    BitBlt(buffer, 0, 0, layer.width, layer.height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return true;
}

}  // namespace

void PaintThroughLayerBitmap(HDC target, const RECT& client, LayerBitmap& layer, bool layerCurrent,
                             const std::function<void(HDC)>& paintRetained,
                             const std::function<void(HDC)>& paintChanging)
{
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const bool reusable = layerCurrent && layer.handle != nullptr && layer.width == width && layer.height == height;
    if (!reusable && !(SizeLayer(target, layer, width, height) && DrawLayer(target, layer, paintRetained))) {
        // A layer that could not be drawn must not be taken for a current one.
        layer = LayerBitmap{};
        PaintThroughBuffer(target, client, [&](HDC buffer) {
            paintRetained(buffer);
            paintChanging(buffer);
        });
        return;
    }
    PaintThroughBuffer(target, client, [&](HDC buffer) {
        if (!CopyLayer(buffer, layer)) {
            paintRetained(buffer);
        }
        paintChanging(buffer);
    });
}
