#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "buffered_paint.h"
#include "pixel_canvas.h"
#include "test_files.h"
#include "uninstaller_constants.h"
#include "uninstaller_layout.h"
#include "uninstaller_painting.h"

namespace {

// The progress bar's colours, as the shared primitive draws it.
constexpr uint32_t kTrack = 0xE6EAF0;
constexpr uint32_t kFill = 0x2D7DF6;

uint32_t Rgb(ARGB color)
{
    return color & 0xFFFFFF;
}

// The header's vertical gradient at row y.
uint32_t HeaderAt(int y)
{
    double t = (y + 0.5) / kHeaderHeight;
    auto mix = [t](int top, int bottom) { return static_cast<int>(top + (bottom - top) * t + 0.5); };
    return static_cast<uint32_t>(mix(Red(kHeaderTopColor), Red(kHeaderBottomColor)) << 16 |
                                 mix(Green(kHeaderTopColor), Green(kHeaderBottomColor)) << 8 |
                                 mix(Blue(kHeaderTopColor), Blue(kHeaderBottomColor)));
}

// A 56 x 56 icon of one opaque colour.
HICON SolidIcon(uint32_t rgb)
{
    std::vector<uint32_t> pixels(kHeaderIconSize * kHeaderIconSize, 0xFF000000 | rgb);
    HBITMAP color = CreateBitmap(kHeaderIconSize, kHeaderIconSize, 1, 32, pixels.data());
    std::vector<BYTE> maskBits(kHeaderIconSize * kHeaderIconSize / 8 + kHeaderIconSize, 0);
    HBITMAP mask = CreateBitmap(kHeaderIconSize, kHeaderIconSize, 1, 1, maskBits.data());
    ICONINFO info{TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

struct UninstallerPaintingTest : testing::Test {
    ScopedGdiplus gdiplus;
    PixelCanvas canvas{kWindowWidth, kWindowHeight, 0x000000};
    UninstallerState state;

    void SetUp() override
    {
        ASSERT_NE(gdiplus.token, 0u);
        state.name = L"Orvicap";
        state.subtitle = L"维洛录屏";
        state.closeRect = kCloseRect;
        state.progressRect = kProgressRect;
    }

    void Paint()
    {
        CanvasGraphics graphics(canvas);
        ASSERT_NE(graphics.graphics, nullptr);
        PaintUninstallerWindow(graphics.graphics, state);
    }
};

TEST_F(UninstallerPaintingTest, HeaderBodyAndBorderHaveTheirColours)
{
    Paint();

    for (int y : {2, 60, 147}) {
        SCOPED_TRACE(y);
        EXPECT_TRUE(NearColor(canvas.At(100, y), HeaderAt(y), 6)) << std::hex << canvas.At(100, y);
    }
    EXPECT_TRUE(NearColor(canvas.At(100, 160), Rgb(kBodyColor), 2));
    EXPECT_TRUE(NearColor(canvas.At(100, 250), Rgb(kBodyColor), 2));
    for (POINT border : {POINT{0, 200}, POINT{479, 200}, POINT{240, 259}, POINT{300, 0}}) {
        SCOPED_TRACE(testing::Message() << border.x << "," << border.y);
        EXPECT_TRUE(NearColor(canvas.At(border.x, border.y), Rgb(kBorderColor), 24))
            << std::hex << canvas.At(border.x, border.y);
    }
}

TEST_F(UninstallerPaintingTest, HeaderTextsStandInTheirPlaces)
{
    Paint();

    RECT smallTitle{kSmallTitleOrigin.x, kSmallTitleOrigin.y, kSmallTitleOrigin.x + 30, kSmallTitleOrigin.y + 18};
    EXPECT_GT(PixelsDifferingFrom(canvas, smallTitle, HeaderAt(22), 40), 10) << "卸载 is drawn";
    EXPECT_EQ(PixelsDifferingFrom(canvas, RECT{1, 10, 18, 34}, HeaderAt(22), 8), 0) << "nothing left of it";
    EXPECT_GT(PixelsDifferingFrom(canvas, RECT{190, 100, 290, 128}, HeaderAt(114), 80), 20) << "the title";
    EXPECT_EQ(PixelsDifferingFrom(canvas, RECT{1, 100, 150, 124}, HeaderAt(112), 8), 0) << "the title is centred";
    EXPECT_GT(PixelsDifferingFrom(canvas, RECT{200, 128, 280, 146}, HeaderAt(137), 30), 10) << "the subtitle";
}

TEST_F(UninstallerPaintingTest, EmptySubtitleLeavesItsLineBlank)
{
    state.subtitle.clear();
    Paint();
    EXPECT_EQ(PixelsDifferingFrom(canvas, RECT{1, 129, 479, 146}, HeaderAt(137), 8), 0);
}

TEST_F(UninstallerPaintingTest, CloseButtonLightsUpWhileHovered)
{
    const POINT background{443, 30};  // inside the button, off the cross
    const POINT cross{kCloseRect.left + 14 - 3, kCloseRect.top + 14 - 3};
    const struct {
        bool hover;
        uint32_t back;
        uint32_t cross;
    } cases[] = {
        {false, Blend(HeaderAt(30), kCloseBackColor), Blend(Blend(HeaderAt(19), kCloseBackColor), kCloseCrossColor)},
        {true, Rgb(kCloseBackHoverColor), Rgb(kCloseCrossHoverColor)},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.hover);
        state.closeHover = row.hover;
        Paint();
        EXPECT_TRUE(NearColor(canvas.At(background.x, background.y), row.back, 8))
            << std::hex << canvas.At(background.x, background.y);
        EXPECT_TRUE(NearColor(canvas.At(cross.x, cross.y), row.cross, 40)) << std::hex << canvas.At(cross.x, cross.y);
        EXPECT_TRUE(NearColor(canvas.At(438, 22), HeaderAt(22), 6)) << "nothing outside the button";
    }
}

// The bar is the shared primitive, whose own test covers the clamping and
// the rounding; here the window's progress has to reach it, in its place.
TEST_F(UninstallerPaintingTest, ProgressBarShowsTheStatesPercentage)
{
    const int y = kProgressRect.top + 4;  // above the centred label
    state.progress = 42;
    const int filledUpTo = 40 + 400 * 42 / 100 - 1;
    Paint();
    for (int x : {50, 150, 200, 206, 210, 300, 430}) {
        EXPECT_TRUE(NearColor(canvas.At(x, y), x <= filledUpTo ? kFill : kTrack, 6))
            << "x " << x << std::hex << " " << canvas.At(x, y);
    }
    EXPECT_TRUE(NearColor(canvas.At(100, kProgressRect.bottom + 2), Rgb(kBodyColor), 2));
}

TEST_F(UninstallerPaintingTest, StatusLineStartsAtItsOrigin)
{
    state.statusText = L"卸载完成！";
    Paint();
    RECT line{kStatusOrigin.x, kStatusOrigin.y, kStatusOrigin.x + 80, kStatusOrigin.y + 18};
    EXPECT_GT(PixelsDifferingFrom(canvas, line, Rgb(kBodyColor), 60), 20);
    EXPECT_EQ(PixelsDifferingFrom(canvas, RECT{2, 206, kStatusOrigin.x, 258}, Rgb(kBodyColor), 4), 0);
    EXPECT_EQ(PixelsDifferingFrom(canvas, RECT{kStatusOrigin.x, 206, 200, kStatusOrigin.y}, Rgb(kBodyColor), 4), 0);
    uint32_t darkest = 0xFFFFFF;
    for (int y = line.top; y < line.bottom; ++y) {
        for (int x = line.left; x < line.right; ++x) {
            if (Red(canvas.At(x, y)) < Red(darkest)) {
                darkest = canvas.At(x, y);
            }
        }
    }
    EXPECT_TRUE(NearColor(darkest, Rgb(kStatusColor), 40)) << std::hex << darkest;
}

TEST_F(UninstallerPaintingTest, GivenIconFillsTheIconSquare)
{
    state.headerIcon = SolidIcon(0xC03020);
    ASSERT_NE(state.headerIcon, nullptr);
    Paint();
    DestroyIcon(state.headerIcon);

    for (POINT inside : {POINT{212, 36}, POINT{240, 64}, POINT{267, 91}}) {
        EXPECT_TRUE(NearColor(canvas.At(inside.x, inside.y), 0xC03020, 4)) << inside.x << "," << inside.y;
    }
    EXPECT_TRUE(NearColor(canvas.At(211, 64), HeaderAt(64), 6));
    EXPECT_TRUE(NearColor(canvas.At(268, 64), HeaderAt(64), 6));
}

// This test program carries no icon resource 1, so without an icon the
// header falls back to the drawn mark.
TEST_F(UninstallerPaintingTest, WithoutAnyIconTheDrawnMarkStandsIn)
{
    ASSERT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
    Paint();

    EXPECT_TRUE(NearColor(canvas.At(216, 40), Rgb(kFallbackIconTopColor), 12)) << std::hex << canvas.At(216, 40);
    EXPECT_TRUE(NearColor(canvas.At(250, 89), Rgb(kFallbackIconBottomColor), 12)) << std::hex << canvas.At(250, 89);
    EXPECT_TRUE(NearColor(canvas.At(238, 64), Rgb(kFallbackIconMarkColor), 4)) << "inside the triangle";
    EXPECT_FALSE(NearColor(canvas.At(228, 64), Rgb(kFallbackIconMarkColor), 60)) << "left of the triangle";
    EXPECT_TRUE(NearColor(canvas.At(212, 36), HeaderAt(36), 10)) << "the square's corner is rounded";
}

TEST_F(UninstallerPaintingTest, BufferedPaintCopiesTheWholePicture)
{
    state.progress = 42;
    state.statusText = L"正圠删除文件...";
    Paint();
    PixelCanvas buffered(kWindowWidth, kWindowHeight, 0x000000);
    PaintUninstallerBuffered(buffered.dc, RECT{0, 0, kWindowWidth, kWindowHeight}, state);

    int differing = 0;
    for (int y = 0; y < kWindowHeight; ++y) {
        for (int x = 0; x < kWindowWidth; ++x) {
            differing += canvas.At(x, y) == buffered.At(x, y) ? 0 : 1;
        }
    }
    EXPECT_EQ(differing, 0);
}

// The window paints through a retained layer: everything but the progress
// bar is kept between paints.  In every stage of a removal, and right after
// any change, the picture must equal byte for byte the picture painted whole.

constexpr RECT kClient{0, 0, kWindowWidth, kWindowHeight};
// A colour no paint produces: whatever keeps it was never painted.
constexpr uint32_t kUnpainted = 0xFF00FF;
// The progress bar with the few pixels left of it where a narrow fill folds over.
constexpr RECT kBarWithFold{kProgressRect.left - 12, kProgressRect.top, kProgressRect.right, kProgressRect.bottom};

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

struct StageRow {
    const char* name;
    std::function<void(UninstallerState&, HICON)> change;  // from the row before; the icon stands in for app.ico
};

// The rows follow one removal in order on one state, so each row's first
// paint meets the layer the row before left; its second paint meets a
// current layer.  A layer drawn with a narrow bar in it would still show its
// fold beside a wider one.
TEST_F(UninstallerPaintingTest, EveryStagePaintedThroughTheLayerEqualsThePicturePaintedWhole)
{
    const StageRow rows[] = {
        {"created", [](UninstallerState&, HICON) {}},
        {"closing programs", [](UninstallerState& s, HICON) { s.statusText = kStatusClosingPrograms; }},
        {"deleting, no file yet", [](UninstallerState& s, HICON) { s.statusText = kStatusDeletingFiles; }},
        {"deleting 1 %", [](UninstallerState& s, HICON) { s.progress = 1; }},
        {"deleting 1 %, close hover", [](UninstallerState& s, HICON) { s.closeHover = true; }},
        {"deleting 42 %, close hover", [](UninstallerState& s, HICON) { s.progress = 42; }},
        {"deleting 42 %", [](UninstallerState& s, HICON) { s.closeHover = false; }},
        {"deleting 99 %", [](UninstallerState& s, HICON) { s.progress = 99; }},
        {"cleaning the registry",
         [](UninstallerState& s, HICON) {
             s.progress = 100;
             s.statusText = kStatusCleaningRegistry;
         }},
        {"done", [](UninstallerState& s, HICON) { s.statusText = kStatusDone; }},
        {"done, with app.ico", [](UninstallerState& s, HICON icon) { s.headerIcon = icon; }},
    };
    HICON icon = SolidIcon(0x33AA55);
    ASSERT_NE(icon, nullptr);
    for (const StageRow& row : rows) {
        SCOPED_TRACE(row.name);
        row.change(state, icon);
        const WholePicture whole(state);
        const LayeredPicture first(state);
        EXPECT_EQ(DifferingPixels(first.canvas, whole.canvas), 0) << "on the paint right after the change";
        const LayeredPicture second(state);
        EXPECT_EQ(DifferingPixels(second.canvas, whole.canvas), 0) << "on a paint with the layer kept";
    }
    DestroyIcon(icon);
}

// A stale layer would keep showing the window as it was before the change
// until the removal ends.
TEST_F(UninstallerPaintingTest, ChangeInTheMiddleOfARemovalShowsOnTheNextPaint)
{
    const StageRow rows[] = {
        {"close hover", [](UninstallerState& s, HICON) { s.closeHover = true; }},
        {"status text", [](UninstallerState& s, HICON) { s.statusText = kStatusCleaningRegistry; }},
        {"header icon", [](UninstallerState& s, HICON icon) { s.headerIcon = icon; }},
        {"title", [](UninstallerState& s, HICON) { s.name = L"Orvicap Pro"; }},
        {"subtitle", [](UninstallerState& s, HICON) { s.subtitle.clear(); }},
    };
    HICON icon = SolidIcon(0x33AA55);
    ASSERT_NE(icon, nullptr);
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

        row.change(removing, icon);
        removing.progress = 43;
        const LayeredPicture after(removing);
        const WholePicture whole(removing);
        EXPECT_EQ(DifferingPixels(after.canvas, whole.canvas), 0);
        // The change must show outside the progress bar, or the row proves nothing.
        EXPECT_GT(DifferingPixels(after.canvas, before.canvas, kBarWithFold), 0) << "the change shows nowhere";
    }
    DestroyIcon(icon);
}

}  // namespace
