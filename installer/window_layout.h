#pragma once

#include <windows.h>

#include "installer_layout.h"
#include "installer_state.h"

// The window is 480 pixels wide; the custom-install area makes it 420 pixels
// high instead of 320.  The top 150 pixels are the dark header band, which is
// also the band the window is dragged by.
inline constexpr int kWindowWidth = 480;
inline constexpr int kCollapsedHeight = 320;
inline constexpr int kExpandedHeight = 420;
inline constexpr int kHeaderHeight = 150;

// The agreement row's texts are measured in this size of the UI font.
inline constexpr float kAgreementRowFontSize = 13.0f;

// The widths that place the agreement link and the custom-install toggle.
struct AgreementRowWidths {
    int label = 0;   // "已阅读并同意"
    int link = 0;    // "最终用户许可协议"
    int toggle = 0;  // "自定义安装"
};

// The rectangles for a client area of the given size.
InstallerLayout LayoutForClient(int clientWidth, int clientHeight, const AgreementRowWidths& widths);

// The three texts measured on the window in the UI font.
AgreementRowWidths MeasureAgreementRow(HWND window);

// The layout of the window as it is now: its client size and measured texts.
InstallerLayout ComputeLayout(HWND window);
void UpdateLayout(HWND window, InstallerState& state);

inline int WindowHeightFor(bool expanded)
{
    return expanded ? kExpandedHeight : kCollapsedHeight;
}
