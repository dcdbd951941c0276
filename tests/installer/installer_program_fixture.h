#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pixel_canvas.h"
#include "process_driver.h"
#include "test_files.h"
#include "uninstall_entry_fixture.h"

// The built VLInstaller.exe, copied beside the tests.
std::wstring InstallerProgram();

// The installer's window in the given process; null until it is shown.
HWND FindInstallerWindow(DWORD processId);

// A click on a point of the window's client area: the mouse messages a
// click there brings, posted to the window.  Posted rather than sent as
// input, so that a window of a test running beside this one cannot take it.
void ClickAt(HWND window, POINT clientPoint);

// Moves the window to the screen's top-left corner, away from the centre
// where the windows of other tests open, so that a picture of it shows it.
void MoveToCorner(HWND window);

// What the screen shows of the window now, and that picture saved as a PNG
// in the screenshot folder.
std::unique_ptr<PixelCanvas> CaptureWindow(HWND window, const std::wstring& fileName);

// Ends every process of that image name (the stand-in application the
// installer starts keeps running otherwise).
void EndProcessesNamed(const wchar_t* imageName);

// Sets an environment variable of this process, inherited by what it starts,
// and restores it afterwards.
struct ScopedEnvironmentVariable {
    std::wstring name;
    std::wstring previous;
    bool hadPrevious = false;
    ScopedEnvironmentVariable(const wchar_t* variable, const std::wstring& value);
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;
};

std::wstring DesktopShortcutPath();

// The machine as a fresh one for the product: no uninstall entry, no default
// install directory, no desktop shortcut, no running stand-in; the same again
// when the test ends.
struct InstallerProgramTest : testing::Test {
    ScopedGdiplus gdiplus;
    ScopedUninstallEntry entry;
    ScopedTempDir temp;
    std::wstring defaultInstallDir;

    void SetUp() override;
    void TearDown() override;

    ProcessRunOptions Options(const std::wstring& arguments, const std::wstring& program = InstallerProgram()) const;
};
