#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing_primitives.h"
#include "pixel_canvas.h"
#include "test_files.h"

namespace {

constexpr std::uint32_t kWhiteRgb = 0xFFFFFF;
constexpr std::uint32_t kBlackRgb = 0x000000;
constexpr ARGB kFillColor = 0xFF2D7DF6;
constexpr ARGB kTrackColor = 0xFFE6EAF0;
// The install button's place, which the progress bar takes.
constexpr RECT kBar = {130, 168, 350, 212};
// Colours that must match exactly apart from rounding.
constexpr int kSolid = 2;

struct Probe {
    int x;
    int y;
    std::uint32_t rgb;
};

struct DrawingPrimitivesTest : testing::Test {
    ScopedGdiplus gdiplus;
    PixelCanvas canvas{480, 240, kWhiteRgb};
    CanvasGraphics graphics{canvas};

    // A failing paint leaves its picture behind for a person to look at.
    void TearDown() override
    {
        if (HasFailure()) {
            const auto* test = testing::UnitTest::GetInstance()->current_test_info();
            const std::wstring path = ScreenshotFolder() + L"\\failed-" + Utf8ToWideForTest(test->name()) + L".png";
            if (SavePng(canvas, path)) {
                ReportScreenshot(path);
            }
        }
    }

    void ExpectProbes(const std::vector<Probe>& probes)
    {
        for (const Probe& probe : probes) {
            SCOPED_TRACE(testing::Message() << "at (" << probe.x << ", " << probe.y << ")");
            EXPECT_TRUE(ColorNear(canvas.At(probe.x, probe.y), probe.rgb, kSolid));
        }
    }

    // GDI+ on Windows centres pixels on whole coordinates, so an edge at x
    // 130 half-covers pixel 130; Wine's GDI+ covers pixels [x, x + 1), so
    // pixel 130 is covered whole and 350 not at all.  Either way an edge at
    // coordinate c leaves pixel c - 1 outside and pixel c + 1 inside: these
    // probes hold the edge to within half a pixel on both.
    void ExpectNotColor(int x, int y, std::uint32_t rgb)
    {
        SCOPED_TRACE(testing::Message() << "at (" << x << ", " << y << ")");
        EXPECT_FALSE(ColorNear(canvas.At(x, y), rgb, 16));
    }
};

TEST_F(DrawingPrimitivesTest, FilledRoundRectLiesOnItsEdgesWithQuarterCircleCorners)
{
    TestBrush brush(kFillColor);
    FillRoundRect(graphics.graphics, kBar, 8.0f, brush.brush);

    const std::uint32_t fill = Rgb(kFillColor);
    ExpectProbes({
        {131, 190, fill}, {349, 190, fill}, {240, 169, fill}, {240, 211, fill},
        {129, 190, kWhiteRgb}, {351, 190, kWhiteRgb}, {240, 167, kWhiteRgb}, {240, 213, kWhiteRgb},
        // Radius 8: the corner pixel lies outside the arc, a pixel 4 in along the diagonal inside it.
        {131, 169, kWhiteRgb}, {134, 172, fill}, {349, 211, kWhiteRgb}, {346, 208, fill},
        {349, 169, kWhiteRgb}, {131, 211, kWhiteRgb},
    });
    ExpectNotColor(130, 190, kWhiteRgb);
    ExpectNotColor(350, 190, fill);
    ExpectNotColor(240, 168, kWhiteRgb);
    ExpectNotColor(240, 212, fill);
}

TEST_F(DrawingPrimitivesTest, StrokedRoundRectOutlinesOnlyAndNullPenDrawsNothing)
{
    StrokeRoundRect(graphics.graphics, kBar, 8.0f, nullptr);
    EXPECT_FALSE(AreaHasOtherThan(canvas, RECT{0, 0, 480, 240}, kWhiteRgb, 0));

    Gdiplus::GpPen* pen = nullptr;
    ASSERT_EQ(GdiplusFunctions().GdipCreatePen1(0xFF000000, 2.0f, Gdiplus::UnitWorld, &pen), Gdiplus::Ok);
    StrokeRoundRect(graphics.graphics, kBar, 8.0f, pen);
    GdiplusFunctions().GdipDeletePen(pen);

    // A 2-pixel pen centred on the edge covers the pixels the edge runs through.
    ExpectProbes({{130, 190, kBlackRgb}, {350, 190, kBlackRgb}, {240, 168, kBlackRgb}, {240, 212, kBlackRgb},
                  {240, 190, kWhiteRgb}, {135, 190, kWhiteRgb}, {127, 190, kWhiteRgb}});
}

struct ProgressCase {
    int percent;
    std::vector<Probe> probes;
};

TEST_F(DrawingPrimitivesTest, ProgressBarFillsByClampedPercentage)
{
    const std::uint32_t fill = Rgb(kFillColor);
    const std::uint32_t track = Rgb(kTrackColor);
    // Rows 176 to 180 lie below the rounded corners and above the text.
    const ProgressCase cases[] = {
        {42, {{131, 178, fill}, {221, 178, fill}, {223, 178, track}, {345, 178, track}}},
        {0, {{131, 178, track}, {135, 178, track}, {345, 178, track}}},
        {-5, {{131, 178, track}, {135, 178, track}, {345, 178, track}}},
        {100, {{131, 178, fill}, {345, 178, fill}, {348, 178, fill}}},
        {250, {{131, 178, fill}, {345, 178, fill}, {348, 178, fill}}},
    };
    TestFont font(15.0f);
    for (const ProgressCase& row : cases) {
        SCOPED_TRACE(testing::Message() << row.percent << "%");
        PixelCanvas bar(480, 240, kWhiteRgb);
        CanvasGraphics barGraphics(bar);
        PaintProgressBar(barGraphics.graphics, kBar, row.percent, font.font);
        for (const Probe& probe : row.probes) {
            SCOPED_TRACE(testing::Message() << "at (" << probe.x << ", " << probe.y << ")");
            EXPECT_TRUE(ColorNear(bar.At(probe.x, probe.y), probe.rgb, kSolid));
        }
        // 42 % of 220 pixels is 92.4, cut to 92: the fill ends at x 222.
        if (row.percent == 42) {
            EXPECT_FALSE(ColorNear(bar.At(222, 178), fill, 16));
        }
    }
}

// The width of the white text "N%" as painted on the bar.
int PaintedTextWidth(int percent, const TestFont& font, RECT* bounds = nullptr)
{
    PixelCanvas bar(480, 240, kWhiteRgb);
    CanvasGraphics barGraphics(bar);
    PaintProgressBar(barGraphics.graphics, kBar, percent, font.font);
    // The white page around the bar is left out; inside it only the text is white.
    const RECT ink = BoundsOfColor(bar, RECT{kBar.left + 8, kBar.top + 2, kBar.right - 8, kBar.bottom - 2}, kWhiteRgb, 12);
    if (bounds != nullptr) {
        *bounds = ink;
    }
    return ink.right - ink.left;
}

TEST_F(DrawingPrimitivesTest, ProgressTextIsTheClampedPercentageCentredInWhite)
{
    TestFont font(15.0f);
    RECT bounds{};
    const int at42 = PaintedTextWidth(42, font, &bounds);
    ASSERT_GT(at42, 0) << "no white text on the bar";
    EXPECT_NEAR((bounds.left + bounds.right) / 2.0, 240.0, 3.0);
    EXPECT_NEAR((bounds.top + bounds.bottom) / 2.0, 190.0, 3.0);

    // "0%" is narrower than "42%" and "100%"; out-of-range values show the
    // clamped text.  (The white text's anti-aliased edge reaches further into
    // the light track than into the blue fill, so only widths over the same
    // ground are compared exactly.)
    const int at0 = PaintedTextWidth(0, font);
    const int at100 = PaintedTextWidth(100, font);
    EXPECT_LT(at0, at42);
    EXPECT_LT(at0, at100);
    EXPECT_EQ(PaintedTextWidth(-5, font), at0);
    EXPECT_EQ(PaintedTextWidth(250, font), at100);
}

// The leftmost column holding paint in the bar's rows, or the bar's right
// edge when there is none.
int LeftmostPaintedColumn(const PixelCanvas& canvas)
{
    const RECT paint = BoundsOfOtherThan(canvas, RECT{kBar.left - 20, kBar.top, kBar.right, kBar.bottom}, kWhiteRgb, 4);
    return paint.right > paint.left ? paint.left : kBar.right;
}

// 1 to 5 % give a fill 2 to 11 pixels wide, narrower than the 12-pixel corner
// diameter.  The radius is kept, so the figure folds over itself: the right-
// hand arcs, 6 pixels wide, start left of the bar when the fill is narrower
// than 6 pixels and reach 6 - width pixels past its left edge (4 at 1 %, 2 at
// 2 %).  From 3 % on the fold stays inside the bar.
TEST_F(DrawingPrimitivesTest, NarrowProgressFillFoldsPastTheBarsLeftEdge)
{
    struct Reach {
        int percent;
        int leftmost;
    };
    const Reach cases[] = {{0, 130}, {1, 126}, {2, 128}, {3, 130}, {5, 130}, {10, 130}};
    TestFont font(15.0f);
    for (const Reach& row : cases) {
        SCOPED_TRACE(testing::Message() << row.percent << "%");
        PixelCanvas bar(480, 240, kWhiteRgb);
        CanvasGraphics barGraphics(bar);
        PaintProgressBar(barGraphics.graphics, kBar, row.percent, font.font);
        EXPECT_NEAR(LeftmostPaintedColumn(bar), row.leftmost, 1);
    }
}

TEST_F(DrawingPrimitivesTest, CenteredTextSitsInTheMiddleOfItsRectangle)
{
    TestFont font(15.0f);
    const RECT box = {100, 100, 300, 140};
    DrawCenteredText(graphics.graphics, L"一键安装", box, font.font, 0xFF000000);

    const RECT ink = BoundsOfOtherThan(canvas, box, kWhiteRgb, 48);
    ASSERT_GT(ink.right, ink.left) << "no text drawn";
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 200.0, 2.0);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 120.0, 3.0);
}

// Rows of the area that hold ink, grouped into runs of consecutive rows.
int InkedRowRuns(const PixelCanvas& canvas, const RECT& area)
{
    int runs = 0;
    bool previousInked = false;
    for (int y = area.top; y < area.bottom; ++y) {
        const bool inked = AreaHasOtherThan(canvas, RECT{area.left, y, area.right, y + 1}, kWhiteRgb, 64);
        if (inked && !previousInked) {
            ++runs;
        }
        previousInked = inked;
    }
    return runs;
}

// Clipping and the vertical centring of a block taller than its rectangle
// are GDI+'s own; Wine's GDI+ does neither, so only the wrapping and the
// horizontal bounds are checked here.
TEST_F(DrawingPrimitivesTest, CenteredTextTooWideWrapsWithinItsWidth)
{
    TestFont font(15.0f);
    const RECT box = {100, 100, 170, 150};
    DrawCenteredText(graphics.graphics, L"一键安装一键安装一键安装一键安装一键安装一键安装", box, font.font, 0xFF000000);

    const RECT column = {box.left, 0, box.right, 240};
    EXPECT_GE(InkedRowRuns(canvas, column), 2) << "the text was not wrapped onto further lines";
    EXPECT_FALSE(AreaHasOtherThan(canvas, RECT{0, 0, box.left, 240}, kWhiteRgb, 0));
    EXPECT_FALSE(AreaHasOtherThan(canvas, RECT{box.right, 0, 480, 240}, kWhiteRgb, 0));
}

TEST_F(DrawingPrimitivesTest, MeasuredWidthCoversTheTextAsDrawnFromAPoint)
{
    const wchar_t* texts[] = {L"已阅读并同意", L"最终用户许可协议", L"自定义安装"};
    TestFont font(13.0f);
    for (const wchar_t* text : texts) {
        SCOPED_TRACE(WideToUtf8ForTest(text));
        const int measured = MeasureTextWidth(nullptr, text, 13.0f);
        PixelCanvas line(480, 60, kWhiteRgb);
        CanvasGraphics lineGraphics(line);
        TestBrush black(0xFF000000);
        const Gdiplus::RectF origin(10.0f, 10.0f, 0.0f, 0.0f);
        GdiplusFunctions().GdipDrawString(lineGraphics.graphics, text, -1, font.font, &origin, nullptr, black.brush);
        const RECT ink = BoundsOfOtherThan(line, RECT{0, 0, 480, 60}, kWhiteRgb, 48);
        const int inkRight = ink.right - 10;
        ASSERT_GT(inkRight, 0);
        // GDI+ measures with a little room on both sides of the glyphs.
        EXPECT_GE(measured, inkRight);
        EXPECT_LE(measured, inkRight + 10);
    }
    EXPECT_EQ(MeasureTextWidth(nullptr, L"", 13.0f), 0);
}

}  // namespace
