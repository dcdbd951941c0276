#include "install_dir_check.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwctype>

bool IsDeletableInstallDir(const std::wstring& installDir)
{
    // "C:" and "C:dir" are relative to the drive's current directory, and
    // "\dir" to the current drive: only these two forms name one place
    // whatever the current directory is.
    const bool driveAbsolute = installDir.size() >= 3 && std::iswalpha(installDir[0]) && installDir[1] == L':' &&
                               installDir[2] == L'\\';
    const bool unc = installDir.rfind(L"\\\\", 0) == 0;
    if (!driveAbsolute && !unc) {
        return false;
    }
    // "C:\x\.." is the drive itself.
    wchar_t resolved[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(installDir.c_str(), MAX_PATH, resolved, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    if (PathIsRootW(resolved)) {
        return false;
    }
    // A share resolves to "\\server\share\", which is not taken for a root
    // everywhere with its closing backslash.
    if (resolved[length - 1] == L'\\') {
        resolved[length - 1] = L'\0';
    }
    return !PathIsRootW(resolved);
}
