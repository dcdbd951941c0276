#include <gtest/gtest.h>

#include "drawing_primitives.h"
#include "installer_constants.h"
#include "pixel_canvas.h"
#include "point_in_rect.h"
#include "window_layout.h"

namespace {

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

testing::AssertionResult RectIs(const RECT& actual, const RECT& expected)
{
    if (SameRect(actual, expected)) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "{" << actual.left << ", " << actual.top << ", " << actual.right << ", "
                                       << actual.bottom << "}, expected {" << expected.left << ", " << expected.top
                                       << ", " << expected.right << ", " << expected.bottom << "}";
}

// A borderless popup, whose client area is the whole window, like the installer's.
struct PopupWindow {
    HWND window = nullptr;
    PopupWindow(int width, int height)
    {
        window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    }
    ~PopupWindow() { DestroyWindow(window); }
    PopupWindow(const PopupWindow&) = delete;
    PopupWindow& operator=(const PopupWindow&) = delete;
};

TEST(WindowLayout, RectanglesOfBothWindowHeights)
{
    ScopedGdiplus gdiplus;
    for (int height : {kCollapsedHeight, kExpandedHeight}) {
        SCOPED_TRACE(height);
        PopupWindow popup(kWindowWidth, height);
        ASSERT_NE(popup.window, nullptr);
        const int w1 = MeasureTextWidth(popup.window, kAgreementLabel, 13.0f);
        const int w2 = MeasureTextWidth(popup.window, kLicenseLinkText, 13.0f);
        const int w3 = MeasureTextWidth(popup.window, kCustomInstallText, 13.0f);
        ASSERT_GT(w1, 0);
        ASSERT_GT(w2, 0);
        ASSERT_GT(w3, 0);

        const InstallerLayout layout = ComputeLayout(popup.window);

        EXPECT_EQ(layout.clientWidth, 480);
        EXPECT_EQ(layout.clientHeight, height);
        EXPECT_TRUE(RectIs(layout.closeRect, {452, 0, 480, 28}));
        EXPECT_TRUE(RectIs(layout.minimizeRect, {420, 0, 448, 28}));
        EXPECT_TRUE(RectIs(layout.installRect, {130, 168, 350, 212}));
        EXPECT_TRUE(RectIs(layout.progressRect, {130, 168, 350, 212}));
        EXPECT_TRUE(RectIs(layout.checkboxRect, {28, 250, 44, 266}));
        // The link starts 4 pixels after the label, which starts at x 52.
        EXPECT_EQ(layout.licenseLinkX, w1 + 56);
        EXPECT_TRUE(RectIs(layout.licenseLinkRect, {w1 + 56, 248, w1 + 56 + w2, 268}));
        EXPECT_TRUE(RectIs(layout.customToggleRect, {480 - w3 - 36, 248, 468, 270}));
        EXPECT_TRUE(RectIs(layout.chevronRect, {452, 250, 468, 266}));
        EXPECT_TRUE(RectIs(layout.pathBoxRect, {28, 308, 322, 338}));
        EXPECT_TRUE(RectIs(layout.changeDirRect, {342, 308, 452, 338}));
    }
}

TEST(WindowLayout, RightAlignedAndCentredRectanglesFollowTheClientWidth)
{
    const AgreementRowWidths widths{70, 100, 60};
    const InstallerLayout wide = LayoutForClient(601, 320, widths);
    EXPECT_TRUE(RectIs(wide.closeRect, {573, 0, 601, 28}));
    EXPECT_TRUE(RectIs(wide.minimizeRect, {541, 0, 569, 28}));
    // (601 - 220) / 2 = 190.5, truncated.
    EXPECT_TRUE(RectIs(wide.installRect, {190, 168, 410, 212}));
    EXPECT_TRUE(RectIs(wide.customToggleRect, {601 - 60 - 36, 248, 589, 270}));
    EXPECT_TRUE(RectIs(wide.chevronRect, {573, 250, 589, 266}));
    EXPECT_TRUE(RectIs(wide.pathBoxRect, {28, 308, 443, 338}));
    EXPECT_TRUE(RectIs(wide.changeDirRect, {463, 308, 573, 338}));
    EXPECT_TRUE(RectIs(wide.licenseLinkRect, {126, 248, 226, 268}));
}

TEST(WindowLayout, PointInRectIsHalfOpen)
{
    const RECT rect = {10, 20, 30, 40};
    struct Case {
        POINT point;
        bool inside;
    };
    const Case cases[] = {
        {{10, 20}, true},  {{29, 39}, true},  {{30, 25}, false}, {{25, 40}, false},
        {{9, 25}, false},  {{25, 19}, false}, {{-5, -5}, false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::Message() << "(" << row.point.x << ", " << row.point.y << ")");
        EXPECT_EQ(PointInRect(rect, row.point), row.inside);
    }
}

}  // namespace
