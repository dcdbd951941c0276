#include "window_layout.h"

#include "drawing_primitives.h"
#include "installer_constants.h"

namespace {

constexpr int kCaptionButtonSize = 28;
constexpr int kMinimizeRightInset = 32;
constexpr int kInstallButtonWidth = 220;
constexpr int kInstallButtonTop = 168;
constexpr int kInstallButtonBottom = 212;
constexpr RECT kCheckboxRect = {28, 250, 44, 266};
// The link starts 4 pixels after the label, which itself starts at x 52.
constexpr int kLinkOffset = 56;
constexpr int kAgreementRowTop = 248;
constexpr int kLinkBottom = 268;
constexpr int kToggleBottom = 270;
// The toggle's text is followed by the 16-pixel chevron and a 12-pixel margin.
constexpr int kToggleExtra = 36;
constexpr int kToggleRightInset = 12;
constexpr int kChevronSize = 16;
constexpr int kChevronTop = 250;
constexpr int kLocationRowTop = 308;
constexpr int kLocationRowBottom = 338;
constexpr int kPathBoxLeft = 28;
constexpr int kPathBoxRightInset = 158;
constexpr int kChangeDirLeftInset = 138;
constexpr int kChangeDirRightInset = 28;

}  // namespace

InstallerLayout LayoutForClient(int clientWidth, int clientHeight, const AgreementRowWidths& widths)
{
    const int w = clientWidth;
    InstallerLayout layout;
    layout.clientWidth = clientWidth;
    layout.clientHeight = clientHeight;
    layout.closeRect = {w - kCaptionButtonSize, 0, w, kCaptionButtonSize};
    layout.minimizeRect = {w - kCaptionButtonSize - kMinimizeRightInset, 0, w - kMinimizeRightInset,
                           kCaptionButtonSize};
    const int installLeft = (w - kInstallButtonWidth) / 2;
    layout.installRect = {installLeft, kInstallButtonTop, installLeft + kInstallButtonWidth, kInstallButtonBottom};
    layout.checkboxRect = kCheckboxRect;
    layout.licenseLinkX = widths.label + kLinkOffset;
    layout.licenseLinkRect = {layout.licenseLinkX, kAgreementRowTop, layout.licenseLinkX + widths.link, kLinkBottom};
    layout.customToggleRect = {w - widths.toggle - kToggleExtra, kAgreementRowTop, w - kToggleRightInset,
                               kToggleBottom};
    layout.chevronRect = {w - kToggleRightInset - kChevronSize, kChevronTop, w - kToggleRightInset,
                          kChevronTop + kChevronSize};
    layout.pathBoxRect = {kPathBoxLeft, kLocationRowTop, w - kPathBoxRightInset, kLocationRowBottom};
    layout.changeDirRect = {w - kChangeDirLeftInset, kLocationRowTop, w - kChangeDirRightInset, kLocationRowBottom};
    layout.progressRect = layout.installRect;
    return layout;
}

AgreementRowWidths MeasureAgreementRow(HWND window)
{
    AgreementRowWidths widths;
    widths.label = MeasureTextWidth(window, kAgreementLabel, kAgreementRowFontSize);
    widths.link = MeasureTextWidth(window, kLicenseLinkText, kAgreementRowFontSize);
    widths.toggle = MeasureTextWidth(window, kCustomInstallText, kAgreementRowFontSize);
    return widths;
}

InstallerLayout ComputeLayout(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return LayoutForClient(client.right - client.left, client.bottom - client.top, MeasureAgreementRow(window));
}

void UpdateLayout(HWND window, InstallerState& state)
{
    state.layout = ComputeLayout(window);
}
