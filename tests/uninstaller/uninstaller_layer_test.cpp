// The uninstaller window paints through a retained layer: everything but the
// progress bar is kept between paints.  In every stage of a removal, and
// right after any change, the picture must equal byte for byte the picture
// painted whole.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "buffered_paint.h"
#include "pixel_canvas.h"
#include "point_in_rect.h"
#include "uninstaller_constants.h"
#include "uninstaller_layout.h"
#include "uninstaller_painting.h"

namespace {

constexpr RECT kClient{0, 0, kWindowWidth, kWindowHeight};
// A colour no paint produces: whatever keeps it was never painted.
constexpr std::uint32_t kUnpainted = 0xFF00FF;

// The picture as WM_PAINT drew it before there was a layer: a white back
// buffer, the whole picture on one graphics object, one copy.
struct WholePicture {
    PixelCanvas canvas{kWindowWidth, kWindowHeight, kUnpainted};
    explicit WholePicture(const UninstallerState& state)
    {
        PaintThroughBuffer(canvas.dc, kClient, [&state](HDC dc) {
            GpGraphics* graphics = nullptr;
            if (GdiplusFunctions().GdipCreateFromHDC(dc, &graphics) == Gdiplus::Ok) {
                PaintUninstallerWindow(graphics, state);
                GdiplusFunctions().GdipDeleteGraphics(graphics);
            }
        });
    }
};

// The picture as WM_PAINT draws it now, through the state's layer.
struct LayeredPicture {
    PixelCanvas canvas{kWindowWidth, kWindowHeight, kUnpainted};
    explicit LayeredPicture(UninstallerState& state) { PaintUninstallerBuffered(canvas.dc, kClient, state); }
};

// How many pixels differ outside the ignored area.
int DifferingPixels(const PixelCanvas& a, const PixelCanvas& b, const RECT& ignored = RECT{})
{
    int differing = 0;
    for (int y = 0; y < kWindowHeight; ++y) {
        for (int x = 0; x < kWindowWidth; ++x) {
            differing += !PointInRect(ignored, POINT{x, y}) && a.At(x, y) != b.At(x, y) ? 1 : 0;
        }
    }
    return differing;
}

// A 56 x 56 icon of one opaque colour, standing in for app.ico.
HICON SolidIcon(std::uint32_t rgb)
{
    std::vector<std::uint32_t> pixels(kHeaderIconSize * kHeaderIconSize, 0xFF000000 | rgb);
    HBITMAP color = CreateBitmap(kHeaderIconSize, kHeaderIconSize, 1, 32, pixels.data());
    std::vector<BYTE> maskBits(kHeaderIconSize * kHeaderIconSize / 8 + kHeaderIconSize, 0);
    HBITMAP mask = CreateBitmap(kHeaderIconSize, kHeaderIconSize, 1, 1, maskBits.data());
    ICONINFO info{TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

struct UninstallerLayerTest : testing::Test {
    ScopedGdiplus gdiplus;
    UninstallerState state;
    HICON icon = SolidIcon(0x33AA55);

    void SetUp() override
    {
        ASSERT_NE(gdiplus.token, 0u);
        ASSERT_NE(icon, nullptr);
        state.name = L"Orvicap";
        state.subtitle = L"维洛录屏";
        state.closeRect = kCloseRect;
        state.progressRect = kProgressRect;
    }
    void TearDown() override { DestroyIcon(icon); }
};

struct StageRow {
    const char* name;
    std::function<void(UninstallerState&)> change;  // from the row before
};

// The rows follow one removal in order on one state, so each row's first
// paint meets the layer the row before left; its second paint meets a
// current layer.
TEST_F(UninstallerLayerTest, EveryStagePaintedThroughTheLayerEqualsThePicturePaintedWhole)
{
    const StageRow rows[] = {
        {"created", [](UninstallerState&) {}},
        {"closing programs", [](UninstallerState& s) { s.statusText = kStatusClosingPrograms; }},
        {"deleting, no file yet", [](UninstallerState& s) { s.statusText = kStatusDeletingFiles; }},
        {"deleting 1 %", [](UninstallerState& s) { s.progress = 1; }},
        {"deleting 1 %, close hover", [](UninstallerState& s) { s.closeHover = true; }},
        {"deleting 42 %, close hover", [](UninstallerState& s) { s.progress = 42; }},
        {"deleting 42 %", [](UninstallerState& s) { s.closeHover = false; }},
        {"deleting 99 %", [](UninstallerState& s) { s.progress = 99; }},
        {"cleaning the registry",
         [](UninstallerState& s) {
             s.progress = 100;
             s.statusText = kStatusCleaningRegistry;
         }},
        {"done", [](UninstallerState& s) { s.statusText = kStatusDone; }},
        {"done, with app.ico", [this](UninstallerState& s) { s.headerIcon = icon; }},
    };
    for (const StageRow& row : rows) {
        SCOPED_TRACE(row.name);
        row.change(state);
        const WholePicture whole(state);
        const LayeredPicture first(state);
        EXPECT_EQ(DifferingPixels(first.canvas, whole.canvas), 0) << "on the paint right after the change";
        const LayeredPicture second(state);
        EXPECT_EQ(DifferingPixels(second.canvas, whole.canvas), 0) << "on a paint with the layer kept";
    }
}

// A stale layer would keep showing the window as it was before the change
// until the removal ends.
TEST_F(UninstallerLayerTest, ChangeInTheMiddleOfARemovalShowsOnTheNextPaint)
{
    const StageRow rows[] = {
        {"close hover", [](UninstallerState& s) { s.closeHover = true; }},
        {"status text", [](UninstallerState& s) { s.statusText = kStatusCleaningRegistry; }},
        {"header icon", [this](UninstallerState& s) { s.headerIcon = icon; }},
        {"title", [](UninstallerState& s) { s.name = L"Orvicap Pro"; }},
        {"subtitle", [](UninstallerState& s) { s.subtitle.clear(); }},
    };
    for (const StageRow& row : rows) {
        SCOPED_TRACE(row.name);
        UninstallerState removing;
        removing.name = state.name;
        removing.subtitle = state.subtitle;
        removing.closeRect = kCloseRect;
        removing.progressRect = kProgressRect;
        removing.statusText = kStatusDeletingFiles;
        removing.progress = 42;
        const LayeredPicture before(removing);

        row.change(removing);
        removing.progress = 43;
        const LayeredPicture after(removing);
        const WholePicture whole(removing);
        EXPECT_EQ(DifferingPixels(after.canvas, whole.canvas), 0);
        // The change must show outside the progress bar, or the row proves nothing.
        const RECT barWithFold{kProgressRect.left - 12, kProgressRect.top, kProgressRect.right, kProgressRect.bottom};
        EXPECT_GT(DifferingPixels(after.canvas, before.canvas, barWithFold), 0) << "the change shows nowhere";
    }
}

}  // namespace
