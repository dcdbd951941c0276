#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "installer_constants.h"
#include "pixel_canvas.h"
#include "test_files.h"
#include "window_layout.h"
#include "window_painting.h"

namespace {

constexpr std::uint32_t kWhiteRgb = 0xFFFFFF;
// A colour no paint produces: whatever keeps it was never painted.
constexpr std::uint32_t kUnpainted = 0xFF00FF;
constexpr int kSolid = 2;

// Points away from glyphs and anti-aliased edges.
constexpr POINT kInstallButtonPoint = {140, 190};
constexpr POINT kProgressLeftPoint = {131, 178};
constexpr POINT kCheckboxCentre = {36, 258};
constexpr POINT kCheckboxFillPoint = {36, 264};
constexpr POINT kCheckMarkPoint = {37, 257};
constexpr POINT kChangeDirPoint = {347, 323};
constexpr POINT kCloseButtonPoint = {455, 14};
constexpr POINT kMinimizeButtonPoint = {425, 22};
// The chevron's tip: (460, 261) pointing down, (460, 257) pointing up.
constexpr POINT kChevronLowPoint = {460, 261};
constexpr POINT kChevronHighPoint = {460, 257};
constexpr RECT kNoticeArea = {28, 348, 400, 366};
constexpr RECT kInstallPathArea = {34, 315, 300, 332};
// Where the location area would be, inside the border of the 320-pixel window.
constexpr RECT kClosedLocationArea = {2, 276, 478, 318};
constexpr RECT kBetweenPathBoxAndButton = {323, 312, 341, 334};

InstallerState FreshState(bool expanded = false)
{
    InstallerState state;
    state.productVersion = L"1.0.0.0";
    state.installDir = L"C:\\Program Files (x86)\\Orvicap";
    state.expanded = expanded;
    state.layout = LayoutForClient(kWindowWidth, WindowHeightFor(expanded), MeasureAgreementRow(nullptr));
    return state;
}

struct PaintedWindow {
    PixelCanvas canvas;
    explicit PaintedWindow(const InstallerState& state)
        : canvas(state.layout.clientWidth, state.layout.clientHeight, kUnpainted)
    {
        PaintInstallerWindow(canvas.dc, state, state.layout);
    }
    std::uint32_t At(POINT point) const { return canvas.At(point.x, point.y); }
    bool Inked(const RECT& area) const { return AreaHasOtherThan(canvas, area, kWhiteRgb, 40); }
};

bool IsBluish(std::uint32_t rgb)
{
    return (rgb & 0xFF) > ((rgb >> 16) & 0xFF) + 60;
}

bool IsGreyish(std::uint32_t rgb, int below)
{
    const int r = (rgb >> 16) & 0xFF;
    const int g = (rgb >> 8) & 0xFF;
    const int b = rgb & 0xFF;
    return std::abs(r - b) < 16 && std::abs(r - g) < 16 && r < below;
}

struct PaintingTest : testing::Test {
    ScopedGdiplus gdiplus;
};

struct Probe {
    POINT point;
    std::uint32_t rgb;
};

struct StateRow {
    const char* name;
    bool expanded;
    std::function<void(InstallerState&)> configure;
    std::vector<Probe> probes;
};

// One picture per row of the window's states, kept in the build folder.
void SaveRowPicture(const PaintedWindow& painted, const char* name)
{
    const std::wstring path = ScreenshotFolder() + L"\\painted-" + Utf8ToWideForTest(name) + L".png";
    if (SavePng(painted.canvas, path)) {
        ReportScreenshot(path);
    }
}

TEST_F(PaintingTest, EachStateShowsItsInstallAreaAndLocationArea)
{
    const std::uint32_t accent = Rgb(kAccentColor);
    const std::uint32_t track = 0xE6EAF0;
    const StateRow rows[] = {
        {"ready", false, [](InstallerState&) {},
         {{kInstallButtonPoint, Rgb(kInstallDisabledColor)}, {kCheckboxCentre, kWhiteRgb}, {kChangeDirPoint, kWhiteRgb}}},
        {"ready-hover-not-agreed", false, [](InstallerState& s) { s.installHover = true; },
         {{kInstallButtonPoint, Rgb(kInstallDisabledColor)}}},
        {"agreed", false, [](InstallerState& s) { s.agreed = true; },
         {{kInstallButtonPoint, accent}, {kCheckboxFillPoint, accent}}},
        {"agreed-hover", false, [](InstallerState& s) { s.agreed = true; s.installHover = true; },
         {{kInstallButtonPoint, Rgb(kAccentHoverColor)}}},
        {"installing-0", false, [](InstallerState& s) { s.agreed = true; s.installing = true; s.progress = 0; },
         {{kProgressLeftPoint, track}, {kInstallButtonPoint, track}}},
        {"installing-42", false, [](InstallerState& s) { s.agreed = true; s.installing = true; s.progress = 42; },
         {{kProgressLeftPoint, accent}, {{221, 178}, accent}, {{223, 178}, track}}},
        {"installing-100", true, [](InstallerState& s) { s.agreed = true; s.installing = true; s.progress = 100; },
         {{kProgressLeftPoint, accent}, {{345, 178}, accent}, {kChangeDirPoint, Rgb(kChangeDirRestColor)}}},
        {"expanded", true, [](InstallerState&) {}, {{kChangeDirPoint, Rgb(kChangeDirRestColor)}}},
        {"expanded-change-dir-hover", true, [](InstallerState& s) { s.changeDirHover = true; },
         {{kChangeDirPoint, Rgb(kAccentHoverColor)}}},
        {"already-installed", true,
         [](InstallerState& s) {
             s.alreadyInstalled = true;
             s.statusText = kAlreadyInstalledNotice;
         },
         {{kInstallButtonPoint, Rgb(kInstallDisabledColor)}, {kChangeDirPoint, Rgb(kSeparatorColor)}}},
        {"after-failure", true,
         [](InstallerState& s) {
             s.agreed = true;
             s.statusText = kExtractionFailedMessage;
         },
         {{kInstallButtonPoint, accent}, {kChangeDirPoint, Rgb(kChangeDirRestColor)}}},
    };
    for (const StateRow& row : rows) {
        SCOPED_TRACE(row.name);
        InstallerState state = FreshState(row.expanded);
        row.configure(state);
        PaintedWindow painted(state);
        SaveRowPicture(painted, row.name);
        for (const Probe& probe : row.probes) {
            SCOPED_TRACE(testing::Message() << "at (" << probe.point.x << ", " << probe.point.y << ")");
            EXPECT_TRUE(ColorNear(painted.At(probe.point), probe.rgb, kSolid));
        }
        const RECT client = {0, 0, state.layout.clientWidth, state.layout.clientHeight};
        EXPECT_EQ(BoundsOfColor(painted.canvas, client, kUnpainted, 0).right, 0)
            << "part of the client area was left unpainted";
        // The notice line shows the status text, and only in the open location area.
        EXPECT_EQ(painted.Inked(kNoticeArea), row.expanded && !state.statusText.empty());
        if (row.expanded) {
            EXPECT_TRUE(painted.Inked(kInstallPathArea)) << "no install path";
        } else {
            EXPECT_FALSE(painted.Inked(kClosedLocationArea)) << "the closed location area shows something";
        }
    }
}

TEST_F(PaintingTest, TickedCheckboxIsFilledWithAWhiteMarkAndEmptyOneOutlined)
{
    InstallerState state = FreshState();
    PaintedWindow empty(state);
    EXPECT_TRUE(ColorNear(empty.At(kCheckboxCentre), kWhiteRgb, kSolid));
    EXPECT_TRUE(IsGreyish(empty.At({28, 258}), 0xD0)) << "no grey outline on the box's left edge";
    EXPECT_TRUE(IsGreyish(empty.At({36, 250}), 0xD0)) << "no grey outline on the box's top edge";

    state.agreed = true;
    PaintedWindow ticked(state);
    EXPECT_TRUE(ColorNear(ticked.At(kCheckboxFillPoint), Rgb(kAccentColor), kSolid));
    EXPECT_TRUE(ColorNear(ticked.At(kCheckMarkPoint), kWhiteRgb, 48)) << "no white tick across the box";
}

TEST_F(PaintingTest, ChevronPointsDownWhenClosedAndUpWhenOpen)
{
    InstallerState closed = FreshState(false);
    PaintedWindow down(closed);
    EXPECT_TRUE(IsGreyish(down.At(kChevronLowPoint), 0xE0));
    EXPECT_TRUE(ColorNear(down.At(kChevronHighPoint), kWhiteRgb, 8));

    InstallerState open = FreshState(true);
    PaintedWindow up(open);
    EXPECT_TRUE(IsGreyish(up.At(kChevronHighPoint), 0xE0));
    EXPECT_TRUE(ColorNear(up.At(kChevronLowPoint), kWhiteRgb, 8));

    // Under the pointer the toggle, chevron included, turns blue.
    open.customHover = true;
    EXPECT_TRUE(IsBluish(PaintedWindow(open).At(kChevronHighPoint)));
}

TEST_F(PaintingTest, CaptionButtonsShowTheirHoverColours)
{
    InstallerState state = FreshState();
    PaintedWindow rest(state);
    // The header's gradient is vertical: a point of the same row outside the buttons shows what they lie on.
    const std::uint32_t bandAtClose = rest.canvas.At(400, kCloseButtonPoint.y);
    const std::uint32_t bandAtMinimize = rest.canvas.At(400, kMinimizeButtonPoint.y);
    EXPECT_TRUE(ColorNear(rest.At(kCloseButtonPoint), Blend(bandAtClose, kCaptionButtonRestColor), 3));
    EXPECT_TRUE(ColorNear(rest.At(kMinimizeButtonPoint), Blend(bandAtMinimize, kCaptionButtonRestColor), 3));

    state.closeHover = true;
    state.minimizeHover = true;
    PaintedWindow hover(state);
    EXPECT_TRUE(ColorNear(hover.At(kCloseButtonPoint), Rgb(kCloseHoverColor), kSolid));
    EXPECT_TRUE(ColorNear(hover.At(kMinimizeButtonPoint), Blend(bandAtMinimize, kMinimizeHoverColor), 3));
    // (463, 11) lies on one arm of the cross, away from where the arms overlap:
    // translucent white at rest, white on the red button.
    EXPECT_TRUE(ColorNear(hover.At({463, 11}), kWhiteRgb, 24));
    EXPECT_FALSE(ColorNear(rest.At({463, 11}), kWhiteRgb, 24));
    EXPECT_GT(rest.At({463, 11}) & 0xFF, 0xB0u);
}

std::uint32_t Interpolate(ARGB top, ARGB bottom, double t)
{
    std::uint32_t result = 0;
    for (int shift : {0, 8, 16}) {
        const double a = (top >> shift) & 0xFF;
        const double b = (bottom >> shift) & 0xFF;
        result |= static_cast<std::uint32_t>(a + (b - a) * t + 0.5) << shift;
    }
    return result;
}

TEST_F(PaintingTest, HeaderIsAVerticalGradientAndTheBorderFramesTheWindow)
{
    InstallerState state = FreshState(true);
    PaintedWindow painted(state);
    for (int y : {4, 75, 146}) {
        SCOPED_TRACE(y);
        EXPECT_TRUE(ColorNear(painted.canvas.At(10, y), Interpolate(kHeaderTopColor, kHeaderBottomColor, y / 150.0), 4));
    }
    EXPECT_TRUE(ColorNear(painted.canvas.At(10, 151), kWhiteRgb, kSolid)) << "the white body starts at y 150";
    // The one-pixel outline lies on the outermost pixels; the pixels inside it stay white.
    for (POINT edge : {POINT{0, 200}, POINT{479, 200}, POINT{240, 419}}) {
        SCOPED_TRACE(testing::Message() << "(" << edge.x << ", " << edge.y << ")");
        EXPECT_TRUE(IsGreyish(painted.canvas.At(edge.x, edge.y), 0xF0));
    }
    EXPECT_TRUE(ColorNear(painted.canvas.At(2, 200), kWhiteRgb, kSolid));
    EXPECT_TRUE(ColorNear(painted.canvas.At(476, 200), kWhiteRgb, kSolid));
    EXPECT_TRUE(ColorNear(painted.canvas.At(240, 416), kWhiteRgb, kSolid));
}

// This test program has no icon resource 1, so the header shows the
// substitute: a blue rounded square, 56 pixels at (212, 36), with a white
// play sign.
TEST_F(PaintingTest, MissingIconGivesTheSubstituteLogo)
{
    PaintedWindow painted(FreshState());
    EXPECT_TRUE(ColorNear(painted.canvas.At(216, 80), Interpolate(kLogoTopColor, kLogoBottomColor, (80 - 36) / 56.0), 4));
    EXPECT_TRUE(ColorNear(painted.canvas.At(239, 64), kWhiteRgb, kSolid)) << "no play sign";
    EXPECT_FALSE(IsBluish(painted.canvas.At(213, 37))) << "the logo's corner is not rounded";
    EXPECT_FALSE(IsBluish(painted.canvas.At(208, 64))) << "the logo is wider than 56 pixels";
}

TEST_F(PaintingTest, LongInstallPathRunsOnUnderTheChangeDirectoryButton)
{
    InstallerState state = FreshState(true);
    state.installDir = L"C:\\Program Files (x86)\\A rather long folder name\\that goes on\\and on\\Orvicap";
    PaintedWindow painted(state);
    EXPECT_TRUE(painted.Inked(kBetweenPathBoxAndButton)) << "the path was cut at the box";
    EXPECT_TRUE(ColorNear(painted.At(kChangeDirPoint), Rgb(kChangeDirRestColor), kSolid))
        << "the button is painted over the path";
}

}  // namespace
