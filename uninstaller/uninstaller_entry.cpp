#include "uninstaller_entry.h"

#include "gdiplus_api.h"
#include "gdiplus_session.h"
#include "install_dir_check.h"
#include "message_loop.h"
#include "uninstall_config.h"
#include "uninstaller_constants.h"
#include "uninstaller_layout.h"
#include "uninstaller_state.h"
#include "uninstaller_window.h"

namespace {

void RegisterUninstallerClass(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = UninstallerWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kWindowClassName;
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    // A class that cannot be registered shows up as a window that cannot be
    // created, which is reported there.
    RegisterClassExW(&windowClass);
}

void FillState(UninstallerState& state, const UninstallConfig& config, const std::wstring& installDir)
{
    state.name = config.name;
    state.subtitle = config.subtitle;
    state.arpSubkey = config.arpSubkey;
    state.mainExe = config.mainExe;
    state.installDir = installDir;
    state.selfPath = OwnModulePath();
    std::wstring iconPath = installDir + L"\\" + kIconFileName;
    state.headerIcon = static_cast<HICON>(
        LoadImageW(nullptr, iconPath.c_str(), IMAGE_ICON, kHeaderIconSize, kHeaderIconSize, LR_LOADFROMFILE));
}

HWND CreateUninstallerWindow(HINSTANCE instance, UninstallerState& state)
{
    // Centred on the primary screen, not on the work area.
    int x = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
    return CreateWindowExW(WS_EX_APPWINDOW, kWindowClassName, state.name.c_str(), WS_POPUP, x, y, kWindowWidth,
                           kWindowHeight, nullptr, nullptr, instance, &state);
}

}  // namespace

std::wstring ConfirmationText(const std::wstring& name)
{
    return kConfirmTextBeforeName + name + kConfirmTextAfterName;
}

int RunUninstaller(HINSTANCE instance, const std::wstring& installDir)
{
    // A record beside a program at a drive's root would hand the whole
    // drive to the removal: such a record is as good as none.
    UninstallConfig config;
    if (!IsDeletableInstallDir(installDir) || !LoadUninstallConfig(installDir, config)) {
        MessageBoxW(nullptr, kRecordMissingMessage, kRecordMissingCaption, MB_OK | MB_ICONERROR);
        return 1;
    }
    std::wstring question = ConfirmationText(config.name);
    if (MessageBoxW(nullptr, question.c_str(), config.name.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
        IDYES) {
        return 0;
    }
    StartGdiplus();
    RegisterUninstallerClass(instance);
    UninstallerState state;
    FillState(state, config, installDir);
    HWND window = CreateUninstallerWindow(instance, state);
    if (window == nullptr) {
        if (state.headerIcon != nullptr) {
            DestroyIcon(state.headerIcon);
        }
        StopGdiplus();
        return 1;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    RunMessageLoop();
    // A quit request can end the loop while the window still exists (the
    // close button in the moments after the removal); it must not outlive
    // the state it points to.
    if (IsWindow(window)) {
        DestroyWindow(window);
    }
    if (state.headerIcon != nullptr) {
        DestroyIcon(state.headerIcon);
    }
    StopGdiplus();
    return 0;
}
