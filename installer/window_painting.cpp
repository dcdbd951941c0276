#include "window_painting.h"

#include "gdiplus_objects.h"
#include "installer_constants.h"
#include "window_layout.h"

namespace {

// Where a text drawn from a point starts.
struct TextOrigin {
    float x;
    float y;
};

constexpr float kCaptionButtonRadius = 4.0f;
constexpr float kInstallButtonRadius = 8.0f;
constexpr float kCheckboxRadius = 3.0f;
constexpr float kPathBoxRadius = 4.0f;
constexpr float kChangeDirRadius = 4.0f;
constexpr float kLogoRadius = 14.0f;

constexpr float kTitleFontSize = 11.0f;
constexpr float kProductFontSize = 22.0f;
constexpr float kDisplayNameFontSize = 12.0f;
constexpr float kButtonFontSize = 15.0f;
constexpr float kRowFontSize = 13.0f;
constexpr float kSmallFontSize = 11.0f;

constexpr float kCrossPenWidth = 1.6f;
constexpr float kMinimizeBarPenWidth = 1.5f;
constexpr float kCheckMarkPenWidth = 2.0f;
constexpr float kCheckboxPenWidth = 1.4f;
constexpr float kChevronPenWidth = 1.6f;
constexpr float kThinPenWidth = 1.0f;

constexpr int kCloseCrossHalf = 5;
constexpr int kMinimizeBarInset = 8;
constexpr int kBodyBandTop = 150;   // white behind the install button
constexpr int kBodyBandHeight = 80;
constexpr int kLowerAreaTop = 230;  // white from the agreement row down

constexpr TextOrigin kTitleOrigin{20.0f, 14.0f};
constexpr TextOrigin kAgreementLabelOrigin{52.0f, 249.0f};
constexpr float kAgreementTextTop = 249.0f;
constexpr int kToggleTextTop = 248;
constexpr int kToggleTextBottom = 268;
constexpr int kChevronWidth = 16;
constexpr int kSeparatorY = 278;
constexpr int kSeparatorInset = 20;
constexpr TextOrigin kLocationLabelOrigin{28.0f, 290.0f};
constexpr TextOrigin kInstallPathOrigin{34.0f, 315.0f};
constexpr TextOrigin kNoticeOrigin{28.0f, 348.0f};
constexpr int kProductTop = 100;
constexpr int kProductBottom = 128;
constexpr int kDisplayNameTop = 126;
constexpr int kDisplayNameBottom = 146;

void ConfigureQuality(GpGraphics* graphics)
{
    const GdiplusApi& gdip = GdiplusFunctions();
    gdip.GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
    gdip.GdipSetTextRenderingHint(graphics, Gdiplus::TextRenderingHintClearTypeGridFit);
}

// A text that starts at the point, on one line, neither wrapped nor clipped.
void DrawTextAt(GpGraphics* graphics, const wchar_t* text, TextOrigin origin, GpFont* font, ARGB color)
{
    SolidBrush brush(color);
    const Gdiplus::RectF layout(origin.x, origin.y, 0.0f, 0.0f);
    GdiplusFunctions().GdipDrawString(graphics, text, -1, font, &layout, nullptr, brush.brush);
}

void DrawLine(GpGraphics* graphics, GpPen* pen, float x1, float y1, float x2, float y2)
{
    GdiplusFunctions().GdipDrawLine(graphics, pen, x1, y1, x2, y2);
}

void FillRect(GpGraphics* graphics, ARGB color, int x, int y, int width, int height)
{
    SolidBrush brush(color);
    GdiplusFunctions().GdipFillRectangleI(graphics, brush.brush, x, y, width, height);
}

void FillRoundRectWithColor(GpGraphics* graphics, const RECT& rect, float radius, ARGB color)
{
    SolidBrush brush(color);
    FillRoundRect(graphics, rect, radius, brush.brush);
}

int CenterOf(LONG low, LONG high)
{
    return static_cast<int>((low + high) / 2);
}

void PaintCloseButton(GpGraphics* graphics, bool hover, const RECT& rect)
{
    FillRoundRectWithColor(graphics, rect, kCaptionButtonRadius, hover ? kCloseHoverColor : kCaptionButtonRestColor);
    Pen pen(hover ? kWhite : kCloseCrossRestColor, kCrossPenWidth);
    const float cx = static_cast<float>(CenterOf(rect.left, rect.right));
    const float cy = static_cast<float>(CenterOf(rect.top, rect.bottom));
    const float half = static_cast<float>(kCloseCrossHalf);
    DrawLine(graphics, pen.pen, cx - half, cy - half, cx + half, cy + half);
    DrawLine(graphics, pen.pen, cx - half, cy + half, cx + half, cy - half);
}

void PaintSubstituteLogo(GpGraphics* graphics, int x)
{
    const Gdiplus::RectF area(static_cast<float>(x), static_cast<float>(kIconTop), static_cast<float>(kIconSize),
                              static_cast<float>(kIconSize));
    GradientBrush gradient(area, kLogoTopColor, kLogoBottomColor);
    FillRoundRect(graphics, RECT{x, kIconTop, x + kIconSize, kIconTop + kIconSize}, kLogoRadius, gradient.brush);
    const float left = static_cast<float>(x);
    const Gdiplus::PointF playSign[] = {{left + 20.0f, 52.0f}, {left + 20.0f, 76.0f}, {left + 42.0f, 64.0f}};
    SolidBrush white(kWhite);
    GdiplusFunctions().GdipFillPolygon(graphics, white.brush, playSign, 3, Gdiplus::FillModeAlternate);
}

// The icon is shared (LR_SHARED): the system owns it and it is not destroyed.
void PaintAppIcon(GpGraphics* graphics, int clientWidth)
{
    const int x = (clientWidth - kIconSize) / 2;
    HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAppIconResourceId),
                                               IMAGE_ICON, kIconSize, kIconSize, LR_SHARED));
    if (icon == nullptr) {
        PaintSubstituteLogo(graphics, x);
        return;
    }
    HDC dc = nullptr;
    if (GdiplusFunctions().GdipGetDC(graphics, &dc) == Gdiplus::Ok) {
        DrawIconEx(dc, x, kIconTop, icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
        GdiplusFunctions().GdipReleaseDC(graphics, dc);
    }
}

void PaintMinimizeButton(GpGraphics* graphics, bool hover, const RECT& rect)
{
    FillRoundRectWithColor(graphics, rect, kCaptionButtonRadius, hover ? kMinimizeHoverColor : kCaptionButtonRestColor);
    Pen pen(kMinimizeBarColor, kMinimizeBarPenWidth);
    const float cy = static_cast<float>(CenterOf(rect.top, rect.bottom));
    DrawLine(graphics, pen.pen, static_cast<float>(rect.left + kMinimizeBarInset), cy,
             static_cast<float>(rect.right - kMinimizeBarInset), cy);
}

ARGB InstallButtonColor(const InstallerState& state)
{
    if (!state.agreed) {
        return kInstallDisabledColor;
    }
    return state.installHover ? kAccentHoverColor : kAccentColor;
}

// The button keeps its look whether or not it can be used; only its colour
// says whether the agreement is ticked.
void PaintInstallArea(GpGraphics* graphics, const InstallerState& state, const InstallerLayout& layout,
                      GpFont* buttonFont)
{
    if (state.installing) {
        PaintProgressBar(graphics, layout.progressRect, state.progress, buttonFont);
        return;
    }
    FillRoundRectWithColor(graphics, layout.installRect, kInstallButtonRadius, InstallButtonColor(state));
    DrawCenteredText(graphics, kInstallButtonText, layout.installRect, buttonFont, kWhite);
}

void PaintCheckbox(GpGraphics* graphics, bool agreed, const RECT& rect)
{
    if (!agreed) {
        Pen outline(kCheckboxOutlineColor, kCheckboxPenWidth);
        StrokeRoundRect(graphics, rect, kCheckboxRadius, outline.pen);
        return;
    }
    FillRoundRectWithColor(graphics, rect, kCheckboxRadius, kAccentColor);
    Pen tick(kWhite, kCheckMarkPenWidth);
    const float left = static_cast<float>(rect.left);
    const float top = static_cast<float>(rect.top);
    DrawLine(graphics, tick.pen, left + 3.0f, top + 8.0f, left + 6.0f, top + 11.0f);
    DrawLine(graphics, tick.pen, left + 6.0f, top + 11.0f, left + 12.0f, top + 4.0f);
}

void PaintChevron(GpGraphics* graphics, bool expanded, const RECT& rect, ARGB color)
{
    Pen pen(color, kChevronPenWidth);
    const float x0 = static_cast<float>(rect.left + 4);
    const float cy = static_cast<float>(CenterOf(rect.top, rect.bottom));
    if (expanded) {
        DrawLine(graphics, pen.pen, x0, cy + 3.0f, x0 + 4.0f, cy - 1.0f);
        DrawLine(graphics, pen.pen, x0 + 4.0f, cy - 1.0f, x0 + 8.0f, cy + 3.0f);
    } else {
        DrawLine(graphics, pen.pen, x0, cy - 1.0f, x0 + 4.0f, cy + 3.0f);
        DrawLine(graphics, pen.pen, x0 + 4.0f, cy + 3.0f, x0 + 8.0f, cy - 1.0f);
    }
}

void PaintAgreementRow(GpGraphics* graphics, const InstallerState& state, const InstallerLayout& layout,
                       GpFont* rowFont)
{
    PaintCheckbox(graphics, state.agreed, layout.checkboxRect);
    DrawTextAt(graphics, kAgreementLabel, kAgreementLabelOrigin, rowFont, kBodyTextColor);
    DrawTextAt(graphics, kLicenseLinkText, {static_cast<float>(layout.licenseLinkX), kAgreementTextTop}, rowFont,
               state.linkHover ? kLinkHoverColor : kAccentColor);
    const ARGB toggleColor = state.customHover ? kAccentColor : kMutedTextColor;
    const RECT toggleText = {layout.customToggleRect.left, kToggleTextTop, layout.customToggleRect.right - kChevronWidth,
                             kToggleTextBottom};
    DrawCenteredText(graphics, kCustomInstallText, toggleText, rowFont, toggleColor);
    PaintChevron(graphics, state.expanded, layout.chevronRect, toggleColor);
}

ARGB ChangeDirButtonColor(const InstallerState& state)
{
    if (state.alreadyInstalled) {
        return kSeparatorColor;
    }
    return state.changeDirHover ? kAccentHoverColor : kChangeDirRestColor;
}

// The path is neither clipped nor shortened: a long one runs on under the
// change-directory button, which is painted after it.
void PaintLocationArea(GpGraphics* graphics, const InstallerState& state, const InstallerLayout& layout,
                       GpFont* rowFont, GpFont* smallFont)
{
    const int w = layout.clientWidth;
    Pen separator(kSeparatorColor, kThinPenWidth);
    DrawLine(graphics, separator.pen, static_cast<float>(kSeparatorInset), static_cast<float>(kSeparatorY),
             static_cast<float>(w - kSeparatorInset), static_cast<float>(kSeparatorY));
    DrawTextAt(graphics, kInstallLocationLabel, kLocationLabelOrigin, rowFont, kBodyTextColor);
    Pen pathBox(kPathBoxColor, kThinPenWidth);
    StrokeRoundRect(graphics, layout.pathBoxRect, kPathBoxRadius, pathBox.pen);
    DrawTextAt(graphics, state.installDir.c_str(), kInstallPathOrigin, smallFont, kBodyTextColor);
    FillRoundRectWithColor(graphics, layout.changeDirRect, kChangeDirRadius, ChangeDirButtonColor(state));
    DrawCenteredText(graphics, kChangeDirText, layout.changeDirRect, rowFont,
                     state.alreadyInstalled ? kChangeDirGreyTextColor : kBodyTextColor);
    DrawTextAt(graphics, state.statusText.c_str(), kNoticeOrigin, smallFont, kMutedTextColor);
}

void PaintBorder(GpGraphics* graphics, const InstallerLayout& layout)
{
    Pen border(kBorderColor, kThinPenWidth);
    GdiplusFunctions().GdipDrawRectangle(graphics, border.pen, 0.0f, 0.0f, static_cast<float>(layout.clientWidth - 1),
                                         static_cast<float>(layout.clientHeight - 1));
}

// Whether the picture includes the install area, or leaves it white for the
// retained layer.  Nothing painted after the install area reaches into it
// and the white band under it is opaque, so it can as well be drawn last,
// on a copy of the layer, with the same result.
enum class InstallArea { Painted, LeftWhite };

void PaintPicture(HDC dc, const InstallerState& state, const InstallerLayout& layout, InstallArea installArea)
{
    if (!GdiplusFunctions().complete) {
        return;
    }
    Graphics graphics(dc);
    if (graphics.graphics == nullptr) {
        return;
    }
    GpGraphics* g = graphics.graphics;
    ConfigureQuality(g);
    FontFamily family;
    Font buttonFont(family, kButtonFontSize);
    Font rowFont(family, kRowFontSize);
    Font smallFont(family, kSmallFontSize);
    const int w = layout.clientWidth;
    const int h = layout.clientHeight;

    PaintHeader(g, w, SmallTitle(state.productVersion), state.closeHover, layout.closeRect);
    PaintMinimizeButton(g, state.minimizeHover, layout.minimizeRect);
    FillRect(g, kWhite, 0, kBodyBandTop, w, kBodyBandHeight);
    if (installArea == InstallArea::Painted) {
        PaintInstallArea(g, state, layout, buttonFont.font);
    }
    FillRect(g, kWhite, 0, kLowerAreaTop, w, h - kLowerAreaTop);
    PaintAgreementRow(g, state, layout, rowFont.font);
    if (state.expanded) {
        PaintLocationArea(g, state, layout, rowFont.font, smallFont.font);
    }
    PaintBorder(g, layout);
}

// The install area alone, on its own graphics object set up as the whole
// picture's is.
void PaintInstallAreaOnly(HDC dc, const InstallerState& state, const InstallerLayout& layout)
{
    if (!GdiplusFunctions().complete) {
        return;
    }
    Graphics graphics(dc);
    if (graphics.graphics == nullptr) {
        return;
    }
    ConfigureQuality(graphics.graphics);
    FontFamily family;
    Font buttonFont(family, kButtonFontSize);
    PaintInstallArea(graphics.graphics, state, layout, buttonFont.font);
}

}  // namespace

std::wstring SmallTitle(const std::wstring& productVersion)
{
    return std::wstring(kProductId) + kTitleVersionPrefix + productVersion + kTitleSuffix;
}

void PaintHeader(GpGraphics* graphics, int clientWidth, const std::wstring& title, bool closeHover,
                 const RECT& closeRect)
{
    if (!GdiplusFunctions().complete) {
        return;
    }
    ConfigureQuality(graphics);
    FontFamily family;
    Font productFont(family, kProductFontSize);
    Font displayNameFont(family, kDisplayNameFontSize);
    Font titleFont(family, kTitleFontSize);
    {
        const Gdiplus::RectF band(0.0f, 0.0f, static_cast<float>(clientWidth), static_cast<float>(kHeaderHeight));
        GradientBrush gradient(band, kHeaderTopColor, kHeaderBottomColor);
        GdiplusFunctions().GdipFillRectangle(graphics, gradient.brush, band.X, band.Y, band.Width, band.Height);
    }
    DrawTextAt(graphics, title.c_str(), kTitleOrigin, titleFont.font, kHeaderTextColor);
    PaintCloseButton(graphics, closeHover, closeRect);
    PaintAppIcon(graphics, clientWidth);
    DrawCenteredText(graphics, kProductId, RECT{0, kProductTop, clientWidth, kProductBottom}, productFont.font, kWhite);
    DrawCenteredText(graphics, kDisplayName, RECT{0, kDisplayNameTop, clientWidth, kDisplayNameBottom},
                     displayNameFont.font, kHeaderTextColor);
}

void PaintInstallerWindow(HDC dc, const InstallerState& state, const InstallerLayout& layout)
{
    PaintPicture(dc, state, layout, InstallArea::Painted);
}

InstallerLayerContent LayerContentOf(const InstallerState& state)
{
    return InstallerLayerContent{.productVersion = state.productVersion,
                                 .agreed = state.agreed,
                                 .expanded = state.expanded,
                                 .installDir = state.installDir,
                                 .alreadyInstalled = state.alreadyInstalled,
                                 .statusText = state.statusText,
                                 .closeHover = state.closeHover,
                                 .minimizeHover = state.minimizeHover,
                                 .linkHover = state.linkHover,
                                 .customHover = state.customHover,
                                 .changeDirHover = state.changeDirHover,
                                 .layout = state.layout};
}

void PaintInstallerThroughLayer(HDC target, const RECT& client, InstallerState& state)
{
    PaintThroughLayer(
        target, client, state.paintLayer, LayerContentOf(state),
        [&state](HDC dc) { PaintPicture(dc, state, state.layout, InstallArea::LeftWhite); },
        [&state](HDC dc) { PaintInstallAreaOnly(dc, state, state.layout); });
}

void PaintWindowBuffered(HWND window, InstallerState& state)
{
    PAINTSTRUCT paint;
    HDC windowDc = BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    PaintInstallerThroughLayer(windowDc, client, state);
    EndPaint(window, &paint);
}
