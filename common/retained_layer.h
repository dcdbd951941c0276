#pragma once

#include <windows.h>

#include <functional>

// A bitmap the size of a window's client area, kept from one paint to the
// next.  It owns its handle; moving it hands the handle on.
struct LayerBitmap {
    HBITMAP handle = nullptr;
    int width = 0;
    int height = 0;

    LayerBitmap() = default;
    ~LayerBitmap();
    LayerBitmap(LayerBitmap&& other) noexcept;
    LayerBitmap& operator=(LayerBitmap&& other) noexcept;
    LayerBitmap(const LayerBitmap&) = delete;
    LayerBitmap& operator=(const LayerBitmap&) = delete;
};

// The part of a window's picture that a long run's repaints do not change
// (everything but the progress bar, say), drawn once and copied into the
// back buffer of every paint instead of being drawn again.  `Content` is a
// record of everything that part shows; the layer is drawn again whenever
// the content differs from what it was last drawn from.  The back buffer is
// kept too, so that a paint need not make and clear a bitmap.
template <typename Content>
struct RetainedLayer {
    LayerBitmap bitmap;
    LayerBitmap buffer;
    Content shown{};
};

// Paints the client area in a back buffer and copies it to the target in one
// BitBlt, as PaintThroughBuffer does.  The back buffer starts as a copy of
// the layer, which paintRetained draws again first (on white) when
// `layerCurrent` is false or the client size changed; then paintChanging
// draws the rest of the picture on top.  paintChanging must draw only where
// paintRetained leaves the picture white, so that the result equals both
// painters run one after the other on one white bitmap.  Should a bitmap not
// be made, that is what happens, through PaintThroughBuffer.
void PaintThroughLayerBitmaps(HDC target, const RECT& client, LayerBitmap& layer, LayerBitmap& buffer,
                              bool layerCurrent, const std::function<void(HDC)>& paintRetained,
                              const std::function<void(HDC)>& paintChanging);

// The same for a layer that remembers what it shows: this comparison is the
// one place that decides whether the layer is still valid.
template <typename Content>
void PaintThroughLayer(HDC target, const RECT& client, RetainedLayer<Content>& layer, const Content& content,
                       const std::function<void(HDC)>& paintRetained, const std::function<void(HDC)>& paintChanging)
{
    const bool current = layer.bitmap.handle != nullptr && layer.shown == content;
    if (!current) {
        layer.shown = content;
    }
    PaintThroughLayerBitmaps(target, client, layer.bitmap, layer.buffer, current, paintRetained, paintChanging);
}
