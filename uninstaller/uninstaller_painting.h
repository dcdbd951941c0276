#pragma once

#include <windows.h>

#include "gdiplus_api.h"
#include "uninstaller_layer.h"
#include "uninstaller_state.h"

// Colours of the uninstaller window (ARGB).
inline constexpr ARGB kHeaderTopColor = 0xFF1A2B4A;
inline constexpr ARGB kHeaderBottomColor = 0xFF0C1729;
inline constexpr ARGB kSmallTitleColor = 0xFFA8B5CC;
inline constexpr ARGB kCloseBackColor = 0x22FFFFFF;
inline constexpr ARGB kCloseBackHoverColor = 0xFFFF5555;
inline constexpr ARGB kCloseCrossColor = 0xCCFFFFFF;
inline constexpr ARGB kCloseCrossHoverColor = 0xFFFFFFFF;
inline constexpr ARGB kFallbackIconTopColor = 0xFF3D8DFF;
inline constexpr ARGB kFallbackIconBottomColor = 0xFF1E6FE0;
inline constexpr ARGB kFallbackIconMarkColor = 0xFFFFFFFF;
inline constexpr ARGB kTitleColor = 0xFFFFFFFF;
inline constexpr ARGB kSubtitleColor = 0xFFA8B5CC;
inline constexpr ARGB kBodyColor = 0xFFFFFFFF;
inline constexpr ARGB kStatusColor = 0xFF666666;
inline constexpr ARGB kBorderColor = 0xFFD0D0D0;

// Font sizes in pixels, all in the UI font.
inline constexpr float kTitleFontSize = 22.0f;
inline constexpr float kSubtitleFontSize = 12.0f;
inline constexpr float kSmallTitleFontSize = 11.0f;
inline constexpr float kProgressFontSize = 15.0f;
inline constexpr float kStatusFontSize = 12.0f;

inline constexpr float kCloseCornerRadius = 4.0f;
inline constexpr float kCloseCrossWidth = 1.6f;
inline constexpr int kCloseCrossHalf = 5;
inline constexpr float kFallbackIconRadius = 14.0f;
// The fallback icon's white triangle, pointing right.
inline constexpr POINT kFallbackMark[3]{{232, 52}, {232, 76}, {254, 64}};

// The header band: gradient, small title, close button, icon, title and
// subtitle.  Sets anti-aliasing and ClearType text on the graphics, which
// then hold for the rest of the paint.  A null icon falls back to the
// module's icon resource 1, and without that to a drawn mark.
void PaintUninstallerHeader(GpGraphics* graphics, const wchar_t* title, const wchar_t* subtitle, bool closeHover,
                            const RECT& closeRect, HICON icon);

// The whole client area: header, body, progress bar, status line, border.
// The one definition of the picture: the retained layer is drawn by it too.
void PaintUninstallerWindow(GpGraphics* graphics, const UninstallerState& state);

// What the window's retained layer shows of the state.
UninstallerLayerContent LayerContentOf(const UninstallerState& state);

// Paints the client area into a back buffer and copies it to the DC in one
// BitBlt, so the window never shows a half-drawn picture.  Everything but the
// progress bar comes from the state's retained layer, drawn again only when
// what it shows has changed, so a paint during the removal draws little
// more than the bar; the picture equals PaintUninstallerWindow's.
void PaintUninstallerBuffered(HDC target, const RECT& client, UninstallerState& state);
