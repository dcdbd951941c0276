// The installer window paints through a retained layer: what the progress
// does not touch is kept between paints, and every paint draws only the
// install area on a copy of it.  A person must not be able to tell: the
// picture has to equal, byte for byte, the picture painted whole, in every
// state and right after any change.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "buffered_paint.h"
#include "installer_constants.h"
#include "pixel_canvas.h"
#include "window_layout.h"
#include "window_painting.h"

namespace {

// A colour no paint produces: whatever keeps it was never painted.
constexpr std::uint32_t kUnpainted = 0xFF00FF;

const wchar_t kLongInstallDir[] =
    L"C:\\Program Files (x86)\\A rather long folder name\\that goes on\\and on under the button\\Orvicap";

RECT ClientOf(const InstallerState& state)
{
    return RECT{0, 0, state.layout.clientWidth, state.layout.clientHeight};
}

void SetExpanded(InstallerState& state, bool expanded)
{
    state.expanded = expanded;
    state.layout = LayoutForClient(kWindowWidth, WindowHeightFor(expanded), MeasureAgreementRow(nullptr));
}

// The picture as WM_PAINT drew it before there was a layer: a white back
// buffer, the whole picture in one go, one copy.
struct WholePicture {
    PixelCanvas canvas;
    explicit WholePicture(const InstallerState& state)
        : canvas(state.layout.clientWidth, state.layout.clientHeight, kUnpainted)
    {
        PaintThroughBuffer(canvas.dc, ClientOf(state),
                           [&state](HDC dc) { PaintInstallerWindow(dc, state, state.layout); });
    }
};

// The picture as WM_PAINT draws it now, through the state's layer.
struct LayeredPicture {
    PixelCanvas canvas;
    explicit LayeredPicture(InstallerState& state)
        : canvas(state.layout.clientWidth, state.layout.clientHeight, kUnpainted)
    {
        PaintInstallerThroughLayer(canvas.dc, ClientOf(state), state);
    }
};

// The progress bar with the few pixels left of it where a narrow fill folds over.
RECT BarWithFold(const RECT& bar)
{
    constexpr int kFillFold = 12;
    return RECT{bar.left - kFillFold, bar.top, bar.right, bar.bottom};
}

struct InstallerLayerTest : testing::Test {
    ScopedGdiplus gdiplus;
    InstallerState state;

    void SetUp() override
    {
        ASSERT_NE(gdiplus.token, 0u);
        state.productVersion = L"1.0.0.0";
        state.installDir = L"C:\\Program Files (x86)\\Orvicap";
        SetExpanded(state, false);
    }
};

struct StateRow {
    const char* name;
    std::function<void(InstallerState&)> change;  // from the row before
};

// The rows are walked in order on one state, as one window goes through
// them, so each row's first paint meets the layer the row before left: kept
// when only the install area changed, drawn again otherwise.  Its second
// paint always meets a current layer.
TEST_F(InstallerLayerTest, EveryStatePaintedThroughTheLayerEqualsThePicturePaintedWhole)
{
    const StateRow rows[] = {
        {"idle", [](InstallerState&) {}},
        {"close hover", [](InstallerState& s) { s.closeHover = true; }},
        {"minimise hover", [](InstallerState& s) { s.closeHover = false; s.minimizeHover = true; }},
        {"install hover, not agreed", [](InstallerState& s) { s.minimizeHover = false; s.installHover = true; }},
        {"link hover", [](InstallerState& s) { s.installHover = false; s.linkHover = true; }},
        {"toggle hover", [](InstallerState& s) { s.linkHover = false; s.customHover = true; }},
        {"agreed", [](InstallerState& s) { s.customHover = false; s.agreed = true; }},
        {"agreed, install hover", [](InstallerState& s) { s.installHover = true; }},
        {"expanded, long path, notice",
         [](InstallerState& s) {
             s.installHover = false;
             SetExpanded(s, true);
             s.installDir = kLongInstallDir;
             s.statusText = kAlreadyInstalledNotice;
         }},
        {"expanded, change-directory hover", [](InstallerState& s) { s.changeDirHover = true; }},
        {"installing 0 %",
         [](InstallerState& s) {
             s.changeDirHover = false;
             s.statusText.clear();
             SetExpanded(s, false);
             s.installing = true;
             s.progress = 0;
         }},
        {"installing 1 %", [](InstallerState& s) { s.progress = 1; }},
        {"installing 1 %, close hover", [](InstallerState& s) { s.closeHover = true; }},
        {"installing 42 %, close hover", [](InstallerState& s) { s.progress = 42; }},
        {"installing 42 %", [](InstallerState& s) { s.closeHover = false; }},
        {"installing 99 %", [](InstallerState& s) { s.progress = 99; }},
        {"installing 100 %", [](InstallerState& s) { s.progress = 100; }},
        {"installing 100 %, expanded", [](InstallerState& s) { SetExpanded(s, true); }},
        {"after a failure",
         [](InstallerState& s) {
             s.installing = false;
             s.statusText = kExtractionFailedMessage;
         }},
        {"already installed",
         [](InstallerState& s) {
             s.alreadyInstalled = true;
             s.statusText = kAlreadyInstalledNotice;
         }},
    };
    for (const StateRow& row : rows) {
        SCOPED_TRACE(row.name);
        row.change(state);
        const WholePicture whole(state);
        const LayeredPicture first(state);
        EXPECT_EQ(DifferingPixels(first.canvas, whole.canvas), 0) << "on the paint right after the change";
        const LayeredPicture second(state);
        EXPECT_EQ(DifferingPixels(second.canvas, whole.canvas), 0) << "on a paint with the layer kept";
    }
}

struct ChangeRow {
    const char* name;
    std::function<void(InstallerState&)> change;
};

// A stale layer would show the window as it was before the change until the
// installation ends.  Each row changes one thing the layer shows while the
// progress bar advances, as the pumps of an installation let the window do.
TEST_F(InstallerLayerTest, ChangeInTheMiddleOfAnInstallationShowsOnTheNextPaint)
{
    const ChangeRow rows[] = {
        {"close hover", [](InstallerState& s) { s.closeHover = true; }},
        {"minimise hover", [](InstallerState& s) { s.minimizeHover = true; }},
        {"link hover", [](InstallerState& s) { s.linkHover = true; }},
        {"toggle hover", [](InstallerState& s) { s.customHover = true; }},
        {"change-directory hover", [](InstallerState& s) { s.changeDirHover = true; }},
        {"agreement unticked", [](InstallerState& s) { s.agreed = false; }},
        {"install directory", [](InstallerState& s) { s.installDir = kLongInstallDir; }},
        {"notice", [](InstallerState& s) { s.statusText = kExtractionFailedMessage; }},
        {"already installed", [](InstallerState& s) { s.alreadyInstalled = true; }},
        {"product version", [](InstallerState& s) { s.productVersion = L"2.5.0.1"; }},
        {"location area closed", [](InstallerState& s) { SetExpanded(s, false); }},
    };
    for (const ChangeRow& row : rows) {
        SCOPED_TRACE(row.name);
        InstallerState installing;
        installing.productVersion = L"1.0.0.0";
        installing.installDir = L"C:\\Program Files (x86)\\Orvicap";
        installing.agreed = true;
        installing.installing = true;
        installing.progress = 42;
        SetExpanded(installing, true);
        const LayeredPicture before(installing);

        row.change(installing);
        installing.progress = 43;
        const LayeredPicture after(installing);
        const WholePicture whole(installing);
        EXPECT_EQ(DifferingPixels(after.canvas, whole.canvas), 0);
        // The change must show outside the progress bar, or the row proves nothing.
        EXPECT_GT(DifferingPixels(after.canvas, before.canvas, BarWithFold(installing.layout.progressRect)), 0)
            << "the change shows nowhere";
    }
}

}  // namespace
