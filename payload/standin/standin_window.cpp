#include "standin_window.h"

#include <string>

#include "hand_off.h"
#include "standin_constants.h"

namespace {

// Layout in pixels at 96 DPI; everything is scaled to the system DPI.
constexpr int kClientWidth = 480;
constexpr int kClientHeight = 210;
constexpr int kMargin = 24;
constexpr int kIconSize = 64;
constexpr int kTextLeft = kMargin + kIconSize + 20;
constexpr int kTitleTop = 20;
constexpr int kTitleHeight = 34;
constexpr int kLineHeight = 24;
constexpr int kFirstLineTop = kTitleTop + kTitleHeight + 6;
constexpr int kButtonWidth = 128;
constexpr int kButtonHeight = 32;
constexpr int kTitleFontHeight = 26;
constexpr int kTextFontHeight = 15;

struct StandInWindow {
    int dpi = 96;
    HFONT titleFont = nullptr;
    HFONT textFont = nullptr;
    HICON icon = nullptr;
    std::wstring programFolder;
};

int Scale(const StandInWindow& window, int pixels)
{
    return MulDiv(pixels, window.dpi, 96);
}

int SystemDpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : 96;
}

HFONT CreateUiFont(const StandInWindow& window, int height, int weight)
{
    return CreateFontW(-Scale(window, height), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       kUiFontFace);
}

void ReleaseResources(StandInWindow& window)
{
    if (window.titleFont != nullptr) {
        DeleteObject(window.titleFont);
        window.titleFont = nullptr;
    }
    if (window.textFont != nullptr) {
        DeleteObject(window.textFont);
        window.textFont = nullptr;
    }
    if (window.icon != nullptr) {
        DestroyIcon(window.icon);
        window.icon = nullptr;
    }
}

bool CreateContents(HWND hwnd, StandInWindow& window)
{
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd, GWLP_HINSTANCE));
    window.titleFont = CreateUiFont(window, kTitleFontHeight, FW_BOLD);
    window.textFont = CreateUiFont(window, kTextFontHeight, FW_NORMAL);
    window.icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, Scale(window, kIconSize),
                                                Scale(window, kIconSize), LR_DEFAULTCOLOR));
    window.programFolder = LocateInstallation().programFolder;
    HWND button = CreateWindowExW(
        0, L"BUTTON", kHandOffButtonText, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
        Scale(window, kClientWidth - kMargin - kButtonWidth), Scale(window, kClientHeight - kMargin - kButtonHeight),
        Scale(window, kButtonWidth), Scale(window, kButtonHeight), hwnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHandOffButtonId)), instance, nullptr);
    if (button == nullptr) {
        return false;
    }
    if (window.textFont != nullptr) {
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(window.textFont), FALSE);
    }
    return true;
}

void DrawLine(HDC dc, const StandInWindow& window, HFONT font, int top, int height, const std::wstring& text,
              UINT extraFormat)
{
    RECT box{Scale(window, kTextLeft), Scale(window, top), Scale(window, kClientWidth - kMargin),
             Scale(window, top + height)};
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
              DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | extraFormat);
    if (previous != nullptr) {
        SelectObject(dc, previous);
    }
}

void Paint(HWND hwnd, const StandInWindow& window)
{
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(hwnd, &paint);
    if (dc == nullptr) {
        return;
    }
    if (window.icon != nullptr) {
        DrawIconEx(dc, Scale(window, kMargin), Scale(window, kMargin), window.icon, 0, 0, 0, nullptr, DI_NORMAL);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawLine(dc, window, window.titleFont, kTitleTop, kTitleHeight, kDisplayName, 0);
    DrawLine(dc, window, window.textFont, kFirstLineTop, kLineHeight, std::wstring(kProductIdLabel) + kProductId, 0);
    DrawLine(dc, window, window.textFont, kFirstLineTop + kLineHeight, kLineHeight,
             std::wstring(kVersionLabel) + kVersionText, 0);
    DrawLine(dc, window, window.textFont, kFirstLineTop + 2 * kLineHeight, kLineHeight,
             kFolderLabel + window.programFolder, DT_PATH_ELLIPSIS);
    RECT note{Scale(window, kMargin), Scale(window, kClientHeight - kMargin - kButtonHeight),
              Scale(window, kClientWidth - kMargin - kButtonWidth - 12), Scale(window, kClientHeight - kMargin)};
    HGDIOBJ previous = window.textFont != nullptr ? SelectObject(dc, window.textFont) : nullptr;
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(dc, kInstalledNote, -1, &note, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (previous != nullptr) {
        SelectObject(dc, previous);
    }
    EndPaint(hwnd, &paint);
}

void HandOffFromButton(HWND hwnd)
{
    // Starting the updater can wait for its elevation prompt while this
    // window's messages are still dispatched: a second click must not start
    // a second hand-off.
    HWND button = GetDlgItem(hwnd, kHandOffButtonId);
    EnableWindow(button, FALSE);
    HandOffResult result = StartUpdateHandOff();
    if (result.started) {
        DestroyWindow(hwnd);
        return;
    }
    EnableWindow(button, TRUE);
    MessageBoxW(hwnd, result.problem.c_str(), kDisplayName, MB_OK | MB_ICONWARNING);
}

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* window = reinterpret_cast<StandInWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    switch (message) {
    case WM_CREATE:
        return CreateContents(hwnd, *window) ? 0 : -1;
    case WM_PAINT:
        Paint(hwnd, *window);
        return 0;
    case WM_SETFOCUS:
        SetFocus(GetDlgItem(hwnd, kHandOffButtonId));
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kHandOffButtonId && HIWORD(wParam) == BN_CLICKED) {
            HandOffFromButton(hwnd);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(kExitOk);
        return 0;
    case WM_NCDESTROY:
        // Last: the button keeps using the text font until it is destroyed,
        // which happens after its parent's WM_DESTROY.
        ReleaseResources(*window);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

bool RegisterWindowClass(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                        LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExW(&windowClass) != 0;
}

}  // namespace

int RunStandInWindow(HINSTANCE instance, int showCommand)
{
    if (!RegisterWindowClass(instance)) {
        return kExitWindowFailed;
    }
    StandInWindow window;
    window.dpi = SystemDpi();
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, Scale(window, kClientWidth), Scale(window, kClientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND hwnd = CreateWindowExW(0, kWindowClass, kDisplayName, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                &window);
    if (hwnd == nullptr) {
        ReleaseResources(window);
        return kExitWindowFailed;
    }
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    MSG message{};
    BOOL received = FALSE;
    while ((received = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return received == 0 ? static_cast<int>(message.wParam) : kExitWindowFailed;
}
