#include "install_dir_check.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwctype>

namespace {

bool IsDriveAbsolute(const std::wstring& path)
{
    return path.size() >= 3 && std::iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\';
}

bool IsUnc(const std::wstring& path)
{
    return path.rfind(L"\\\\", 0) == 0;
}

// "\dir" names dir on the current drive.  The installer's last fallback
// default directory has this form, so an installation may be registered so.
bool IsFromCurrentDriveRoot(const std::wstring& path)
{
    return !path.empty() && path[0] == L'\\' && !IsUnc(path);
}

// A share resolves to "\\server\share\", which is not taken for a root
// everywhere with its closing backslash.
bool IsRootOnceResolved(const std::wstring& resolved)
{
    if (PathIsRootW(resolved.c_str())) {
        return true;
    }
    std::wstring trimmed = resolved;
    if (!trimmed.empty() && trimmed.back() == L'\\') {
        trimmed.pop_back();
    }
    return PathIsRootW(trimmed.c_str());
}

}  // namespace

bool ResolveDeletableInstallDir(const std::wstring& installDir, std::wstring& fullPath)
{
    // "C:" and "C:dir" depend on the drive's current directory and "dir" on
    // the process's: such a path may name any folder at all.
    if (!IsDriveAbsolute(installDir) && !IsUnc(installDir) && !IsFromCurrentDriveRoot(installDir)) {
        return false;
    }
    // "C:\x\.." is the drive itself, and "\x" takes the current drive.
    wchar_t resolved[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(installDir.c_str(), MAX_PATH, resolved, nullptr);
    if (length == 0 || length >= MAX_PATH || IsRootOnceResolved(resolved)) {
        return false;
    }
    fullPath = resolved;
    return true;
}

bool IsDeletableInstallDir(const std::wstring& installDir)
{
    std::wstring ignored;
    return ResolveDeletableInstallDir(installDir, ignored);
}
