#include "installer_entry.h"

#include <objbase.h>
#include <shellapi.h>

#include "gdiplus_api.h"
#include "gdiplus_session.h"
#include "message_loop.h"
#include "installer_constants.h"
#include "uninstall_mode.h"
#include "window_interaction.h"
#include "window_layout.h"

namespace {

constexpr int kWindowCreationFailed = 1;
constexpr int kSmallIconSize = 16;

// The handle is never closed or released: the mutex keeps a second window
// mode out for as long as this process lives, and ends with it.
bool TakeSingleInstanceMutex()
{
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kInstanceMutexName);
    if (mutex == nullptr) {
        return false;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    return true;
}

int RunWindowMode(HINSTANCE instance)
{
    if (!TakeSingleInstanceMutex()) {
        MessageBoxW(nullptr, kAlreadyRunningMessage, kProductId, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    return RunInstallerWindow(instance);
}

}  // namespace

bool HasUninstallSwitch(const wchar_t* commandLine)
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine, &count);
    if (arguments == nullptr) {
        return false;
    }
    bool found = false;
    for (int i = 1; i < count && !found; ++i) {
        found = _wcsicmp(arguments[i], kUninstallSwitch) == 0 || _wcsicmp(arguments[i], kUninstallLongSwitch) == 0;
    }
    LocalFree(arguments);
    return found;
}

bool RegisterInstallerWindowClass(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = InstallerWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, kSmallIconSize, kSmallIconSize, LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kInstallerWindowClass;
    return RegisterClassExW(&windowClass) != 0;
}

HWND CreateInstallerWindow(HINSTANCE instance, InstallerState& state)
{
    const int height = WindowHeightFor(state.expanded);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    return CreateWindowExW(WS_EX_APPWINDOW, kInstallerWindowClass, kProductId, WS_POPUP | WS_MINIMIZEBOX, x, y,
                           kWindowWidth, height, nullptr, nullptr, instance, &state);
}

int RunInstallerWindow(HINSTANCE instance)
{
    StartGdiplus();
    RegisterInstallerWindowClass(instance);  // a failure shows as a window that cannot be created
    InstallerState state;
    HWND window = CreateInstallerWindow(instance, state);
    if (window == nullptr) {
        StopGdiplus();
        return kWindowCreationFailed;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    RunMessageLoop();
    // The close button ends the loop without destroying the window, whose
    // user data still points at this state: the window goes first, so no
    // message can reach it with the state gone or GDI+ stopped.
    if (IsWindow(window)) {
        DestroyWindow(window);
    }
    StopGdiplus();
    return 0;
}

int RunInstaller(HINSTANCE instance)
{
    // A failure is not reported here: the folder picker and the shortcut
    // need the apartment, and a failure shows there.
    const bool comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const int result = HasUninstallSwitch(GetCommandLineW()) ? RunUninstallMode() : RunWindowMode(instance);
    if (comStarted) {
        CoUninitialize();
    }
    return result;
}
