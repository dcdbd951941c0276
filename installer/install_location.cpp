#include "install_location.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "installer_constants.h"
#include "system_library.h"

std::wstring DefaultInstallDir()
{
    PWSTR programFiles = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramFilesX86, 0, nullptr, &programFiles)) &&
        programFiles != nullptr) {
        std::wstring dir = std::wstring(programFiles) + L"\\" + kProductId;
        CoTaskMemFree(programFiles);
        return dir;
    }
    CoTaskMemFree(programFiles);
    return FallbackInstallDir();
}

std::wstring FallbackInstallDir()
{
    // Below the Windows directory itself, not its drive's root.  When even
    // that cannot be read the buffer stays empty, which leaves the path
    // relative to the current drive.
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\Program Files\\" + kProductId;
}

std::wstring ProgramDir(const std::wstring& installDir)
{
    return installDir + L"\\" + kMainProgramSubdir;
}

std::wstring MainProgramPath(const std::wstring& installDir)
{
    return ProgramDir(installDir) + L"\\" + kMainProgramName;
}

namespace {

// version.dll is not one of the DLLs Windows always takes from System32, so
// it is loaded from there explicitly rather than imported.
struct VersionFunctions {
    SystemLibrary library{L"version.dll"};
    decltype(&GetFileVersionInfoSizeW) getSize = library.Find<decltype(&GetFileVersionInfoSizeW)>("GetFileVersionInfoSizeW");
    decltype(&GetFileVersionInfoW) getInfo = library.Find<decltype(&GetFileVersionInfoW)>("GetFileVersionInfoW");
    decltype(&VerQueryValueW) query = library.Find<decltype(&VerQueryValueW)>("VerQueryValueW");

    bool Loaded() const { return getSize != nullptr && getInfo != nullptr && query != nullptr; }
};

std::wstring ProductVersionOfBlock(const VersionFunctions& version, const std::vector<BYTE>& block)
{
    LPVOID translation = nullptr;
    UINT length = 0;
    if (!version.query(block.data(), L"\\VarFileInfo\\Translation", &translation, &length) ||
        length < 2 * sizeof(WORD)) {
        return {};
    }
    const WORD* languageAndCodePage = static_cast<const WORD*>(translation);
    wchar_t query[MAX_PATH] = {};
    wsprintfW(query, L"\\StringFileInfo\\%04x%04x\\ProductVersion", languageAndCodePage[0], languageAndCodePage[1]);
    LPVOID value = nullptr;
    if (!version.query(block.data(), query, &value, &length) || value == nullptr) {
        return {};
    }
    return std::wstring(static_cast<const wchar_t*>(value));
}

}  // namespace

std::wstring ProductVersionOfFile(const std::wstring& path)
{
    VersionFunctions version;
    if (!version.Loaded()) {
        return {};
    }
    DWORD ignored = 0;
    DWORD size = version.getSize(path.c_str(), &ignored);
    if (size == 0) {
        return {};
    }
    std::vector<BYTE> block(size);
    if (!version.getInfo(path.c_str(), 0, size, block.data())) {
        return {};
    }
    return ProductVersionOfBlock(version, block);
}

std::wstring ProductVersion()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return ProductVersionOfFile(path);
}

namespace {

void OpenDialogAt(IFileDialog* dialog, const std::wstring& directory)
{
    PIDLIST_ABSOLUTE idList = nullptr;
    if (FAILED(SHParseDisplayName(directory.c_str(), nullptr, &idList, 0, nullptr)) || idList == nullptr) {
        return;
    }
    IShellItem* item = nullptr;
    if (SUCCEEDED(SHCreateShellItem(nullptr, nullptr, idList, &item))) {
        dialog->SetFolder(item);
        item->Release();
    }
    CoTaskMemFree(idList);
}

std::wstring ChosenPath(IFileDialog* dialog)
{
    IShellItem* item = nullptr;
    if (FAILED(dialog->GetResult(&item)) || item == nullptr) {
        return {};
    }
    std::wstring path;
    PWSTR name = nullptr;
    if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &name)) && name != nullptr) {
        path = name;
        CoTaskMemFree(name);
    }
    item->Release();
    return path;
}

}  // namespace

std::wstring PickFolder(HWND owner, const std::wstring& currentInstallDir)
{
    IFileDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileDialog,
                                reinterpret_cast<void**>(&dialog)))) {
        return {};
    }
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    if (!currentInstallDir.empty()) {
        OpenDialogAt(dialog, currentInstallDir);
    }
    dialog->SetTitle(kPickFolderTitle);
    std::wstring path;
    if (SUCCEEDED(dialog->Show(owner))) {
        path = ChosenPath(dialog);
    }
    dialog->Release();
    return path;
}

std::wstring InstallDirForPickedFolder(const std::wstring& pickedFolder)
{
    return pickedFolder + L"\\" + kProductId;
}
