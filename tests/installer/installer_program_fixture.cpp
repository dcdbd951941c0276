#include "installer_program_fixture.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include "installer_constants.h"

namespace {

constexpr DWORD kProcessEndMs = 5000;

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchInstallerWindow(HWND window, LPARAM parameter)
{
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (owner == search.processId && lstrcmpW(name, kInstallerWindowClass) == 0 && IsWindowVisible(window)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::wstring InstallerProgram()
{
    return ModuleDirectory() + L"\\VLInstaller.exe";
}

HWND FindInstallerWindow(DWORD processId)
{
    WindowSearch search{processId, nullptr};
    EnumWindows(MatchInstallerWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void ClickAt(HWND window, POINT clientPoint)
{
    const LPARAM point = MAKELPARAM(clientPoint.x, clientPoint.y);
    PostMessageW(window, WM_MOUSEMOVE, 0, point);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(window, WM_LBUTTONUP, 0, point);
}

void MoveToCorner(HWND window)
{
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::unique_ptr<PixelCanvas> CaptureWindow(HWND window, const std::wstring& fileName)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    auto canvas = std::make_unique<PixelCanvas>(rect.right - rect.left, rect.bottom - rect.top, 0xFF00FF);
    canvas->CaptureScreen(rect);
    const std::wstring path = ScreenshotFolder() + L"\\" + fileName;
    if (SavePng(*canvas, path)) {
        ReportScreenshot(path);
    }
    return canvas;
}

void EndProcessesNamed(const wchar_t* imageName)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, imageName) != 0) {
            continue;
        }
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process != nullptr) {
            TerminateProcess(process, 0);
            WaitForSingleObject(process, kProcessEndMs);
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
}

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const wchar_t* variable, const std::wstring& value)
    : name(variable)
{
    wchar_t buffer[1024] = {};
    DWORD length = GetEnvironmentVariableW(variable, buffer, 1024);
    hadPrevious = length > 0 && length < 1024;
    previous = hadPrevious ? buffer : L"";
    SetEnvironmentVariableW(variable, value.c_str());
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable()
{
    SetEnvironmentVariableW(name.c_str(), hadPrevious ? previous.c_str() : nullptr);
}

std::wstring DesktopShortcutPath()
{
    wchar_t desktop[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOP, nullptr, SHGFP_TYPE_CURRENT, desktop);
    return std::wstring(desktop) + L"\\" + kDisplayName + kShortcutExtension;
}

namespace {

std::wstring ProgramFilesX86()
{
    PWSTR folder = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramFilesX86, 0, nullptr, &folder))) {
        result = folder;
    }
    CoTaskMemFree(folder);
    return result;
}

}  // namespace

void InstallerProgramTest::SetUp()
{
    defaultInstallDir = ProgramFilesX86() + L"\\" + kProductId;
    EndProcessesNamed(kMainProgramName);
    RemoveTree(defaultInstallDir);
    DeleteFileW(DesktopShortcutPath().c_str());
}

void InstallerProgramTest::TearDown()
{
    EndProcessesNamed(kMainProgramName);
    RemoveTree(defaultInstallDir);
    DeleteFileW(DesktopShortcutPath().c_str());
}

ProcessRunOptions InstallerProgramTest::Options(const std::wstring& arguments, const std::wstring& program) const
{
    ProcessRunOptions options;
    options.applicationPath = program;
    options.commandLine = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    options.timeoutMs = 60000;
    return options;
}
