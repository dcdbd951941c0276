#include "uninstall_mode.h"

#include <windows.h>
#include <shellapi.h>

#include "install_dir_check.h"
#include "install_pipeline.h"
#include "install_record.h"
#include "installer_constants.h"
#include "system_paths.h"
#include "tree_removal.h"

namespace {

bool UserConfirmsRemoval()
{
    const std::wstring question = std::wstring(kUninstallConfirmPrefix) + kProductId + kUninstallConfirmSuffix;
    // No is the default button, so Enter declines.
    return MessageBoxW(nullptr, question.c_str(), kProductId, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

std::wstring OwnPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

}  // namespace

// The directory comes from the registry and this program runs elevated: a
// link inside it (or the directory itself being one) must not let the
// deletion reach a folder outside the installation.  Files still in use
// stay, with the directories that hold them; that is not reported.
void DeleteInstallDir(const std::wstring& installDir)
{
    DeleteDirectoryTree(installDir);
}

std::wstring SelfDeletionParameters(const std::wstring& ownPath)
{
    return std::wstring(kSelfDeleteParameters) + ownPath + L"\"";
}

// cmd.exe is started by its full System32 path and in System32, so that
// neither it nor the ping it runs can be taken from the folder this program
// was downloaded to.  The result is not examined: the completion box is
// shown whatever happens here.
void StartSelfDeletion(const std::wstring& ownPath)
{
    const std::wstring parameters = SelfDeletionParameters(ownPath);
    ShellExecuteW(nullptr, L"open", SystemProgramPath(L"cmd.exe").c_str(), parameters.c_str(),
                  SystemDirectory().c_str(), SW_HIDE);
}

int RunUninstallMode()
{
    std::wstring installDir;
    std::wstring removableDir;
    // The entry is only a registry value: a relative path or a drive root
    // would hand the whole-tree deletion below something that is not an
    // installation, so such an entry counts as none.  A path from the root
    // of the current drive is deleted by the full path it resolved to.
    if (!FindInstalledDir(installDir) || !ResolveDeletableInstallDir(installDir, removableDir)) {
        MessageBoxW(nullptr, kNothingToUninstallMessage, kProductId, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    if (!UserConfirmsRemoval()) {
        return 0;
    }
    StopApplication();
    DeleteInstallDir(removableDir);
    // The key goes even when files of the directory could not be deleted.
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeyPath, KEY_WOW64_32KEY, 0);
    StartSelfDeletion(OwnPath());
    MessageBoxW(nullptr, kUninstallCompleteMessage, kProductId, MB_OK | MB_ICONINFORMATION);
    return 0;
}
