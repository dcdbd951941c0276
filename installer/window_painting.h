#pragma once

#include <windows.h>

#include <string>

#include "drawing_primitives.h"
#include "installer_state.h"

// Colours of the installer window (ARGB).
inline constexpr ARGB kHeaderTopColor = 0xFF1A2B4A;
inline constexpr ARGB kHeaderBottomColor = 0xFF0C1729;
inline constexpr ARGB kHeaderTextColor = 0xFFA8B5CC;  // small title, display name
inline constexpr ARGB kWhite = 0xFFFFFFFF;
inline constexpr ARGB kCloseHoverColor = 0xFFFF5555;
inline constexpr ARGB kCaptionButtonRestColor = 0x22FFFFFF;
inline constexpr ARGB kMinimizeHoverColor = 0x33FFFFFF;
inline constexpr ARGB kCloseCrossRestColor = 0xCCFFFFFF;
inline constexpr ARGB kMinimizeBarColor = 0x66FFFFFF;
inline constexpr ARGB kAccentColor = 0xFF2D7DF6;       // install button, ticked box, link, toggle on hover
inline constexpr ARGB kAccentHoverColor = 0xFF3D8DFF;  // install and change-directory buttons on hover
inline constexpr ARGB kLinkHoverColor = 0xFF1E6FE0;
inline constexpr ARGB kInstallDisabledColor = 0xFFB8C4D6;
inline constexpr ARGB kCheckboxOutlineColor = 0xFF999999;
inline constexpr ARGB kBodyTextColor = 0xFF333333;
inline constexpr ARGB kMutedTextColor = 0xFF888888;    // toggle at rest, notice
inline constexpr ARGB kSeparatorColor = 0xFFE0E0E0;    // also the greyed change-directory button
inline constexpr ARGB kPathBoxColor = 0xFFCCCCCC;
inline constexpr ARGB kChangeDirRestColor = 0xFFEFEFEF;
inline constexpr ARGB kChangeDirGreyTextColor = 0xFFAAAAAA;
inline constexpr ARGB kBorderColor = 0xFFD0D0D0;
// The substitute logo, drawn when icon resource 1 cannot be loaded.
inline constexpr ARGB kLogoTopColor = 0xFF3D8DFF;
inline constexpr ARGB kLogoBottomColor = 0xFF1E6FE0;

// Where the application icon (or its substitute) sits: a 56-pixel square
// centred horizontally, 36 pixels from the top.
inline constexpr int kIconSize = 56;
inline constexpr int kIconTop = 36;
inline constexpr WORD kAppIconResourceId = 1;

// "Orvicap V<version> 安装"
std::wstring SmallTitle(const std::wstring& productVersion);

// Draws the whole client area from the state; writes nothing.  The one
// definition of the picture: the retained layer below is drawn by it too.
void PaintInstallerWindow(HDC dc, const InstallerState& state, const InstallerLayout& layout);

// What the window's retained layer shows of the state.
InstallerLayerContent LayerContentOf(const InstallerState& state);

// The picture, painted into a back buffer and copied to the target in one
// BitBlt, equal to PaintInstallerWindow's byte for byte.  Everything but the
// install area comes from the state's retained layer, drawn again only when
// what it shows has changed; the install area (the progress bar while
// installing) is drawn on every paint.
void PaintInstallerThroughLayer(HDC target, const RECT& client, InstallerState& state);

// The dark band at the top: title, close button, icon, product and display name.
void PaintHeader(GpGraphics* graphics, int clientWidth, const std::wstring& title, bool closeHover,
                 const RECT& closeRect);

// WM_PAINT: the whole client area is painted through the retained layer and
// copied in one BitBlt, whatever the update region, so nothing flickers
// while the progress bar advances and a paint during the extraction costs
// little more than the progress bar itself.
void PaintWindowBuffered(HWND window, InstallerState& state);
