#include "install_pipeline.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

#include "file_writing.h"
#include "install_location.h"
#include "install_record.h"
#include "installer_constants.h"
#include "payload_extraction.h"
#include "system_paths.h"

namespace {

struct ResourceBytes {
    const void* data = nullptr;
    DWORD size = 0;
};

bool FindRcData(WORD resourceId, ResourceBytes& bytes)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(resourceId), RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    bytes.size = resource ? SizeofResource(module, resource) : 0;
    bytes.data = loaded ? LockResource(loaded) : nullptr;
    return bytes.data != nullptr && bytes.size != 0;
}

bool WriteBytesToNewFile(const ResourceBytes& bytes, const std::wstring& targetPath)
{
    HANDLE file = CreateFileForWriting(targetPath.c_str());
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool written = WriteAllBytes(file, bytes.data, bytes.size);
    CloseHandle(file);
    if (!written) {
        DeleteFileW(targetPath.c_str());
    }
    return written;
}

// uninstall.exe gets its parent directory ensured first, unlike the other resources.
void WriteUninstaller(const std::wstring& targetPath)
{
    ResourceBytes bytes;
    if (FindRcData(kUninstallerResourceId, bytes) && EnsureParentDirectory(targetPath)) {
        WriteBytesToNewFile(bytes, targetPath);  // a locked old uninstaller simply stays
    }
}

void Repaint(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

bool FailInstall(InstallerState& state, const wchar_t* message)
{
    state.statusText = message;
    state.installing = false;
    return false;
}

// What an installation writes beside the application; none of it can fail the run.
void WriteInstallationFiles(const std::wstring& installDir, const InstallerState& state)
{
    WriteUninstaller(installDir + L"\\" + kUninstallerFileName);
    WriteInstallRecord(installDir);
    WriteResourceToFile(kIconFileResourceId, installDir + L"\\" + kIconFileName);
    RegisterUninstallEntry(installDir, state);
    CreateDesktopShortcut(installDir);
}

}  // namespace

bool RunInstall(HWND window, InstallerState& state)
{
    state.installing = true;
    state.progress = 0;
    Repaint(window);
    StopApplication();
    std::vector<unsigned char> payload;
    if (!LoadPayload(payload)) {
        return FailInstall(state, kPayloadDamagedMessage);
    }
    if (!PathFileExistsW(state.installDir.c_str()) &&
        SHCreateDirectoryExW(nullptr, state.installDir.c_str(), nullptr) != ERROR_SUCCESS) {
        return FailInstall(state, kCannotCreateInstallDirMessage);
    }
    if (!ExtractPayload(payload, state.installDir, ProgressTarget{window, &state})) {
        return FailInstall(state, kExtractionFailedMessage);
    }
    state.progress = 100;
    Repaint(window);
    WriteInstallationFiles(state.installDir, state);
    state.installing = false;
    return true;
}

bool StopApplication()
{
    std::wstring commandLine = kStopApplicationCommand;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    std::wstring systemDirectory = SystemDirectory();
    if (CreateProcessW(SystemProgramPath(L"cmd.exe").c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                       CREATE_NO_WINDOW, nullptr, systemDirectory.c_str(), &startup, &process)) {
        // A taskkill still running after the wait is left alone: the
        // installation goes on, and a file it still holds fails the extraction.
        WaitForSingleObject(process.hProcess, kStopApplicationWaitMs);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    return true;
}

bool WriteResourceToFile(WORD resourceId, const std::wstring& targetPath)
{
    ResourceBytes bytes;
    return FindRcData(resourceId, bytes) && WriteBytesToNewFile(bytes, targetPath);
}

bool CreateDesktopShortcut(const std::wstring& installDir)
{
    wchar_t desktop[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOP, nullptr, SHGFP_TYPE_CURRENT, desktop))) {
        return false;
    }
    std::wstring linkPath = std::wstring(desktop) + L"\\" + kDisplayName + kShortcutExtension;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    link->SetPath(MainProgramPath(installDir).c_str());
    link->SetWorkingDirectory(ProgramDir(installDir).c_str());
    link->SetIconLocation((installDir + L"\\" + kIconFileName).c_str(), 0);
    link->SetDescription(kProductId);
    bool saved = false;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        saved = SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
        file->Release();
    }
    link->Release();
    return saved;
}
