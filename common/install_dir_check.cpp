#include "install_dir_check.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwctype>

#include "owned_entry.h"

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

bool StartsWithNoCase(const std::wstring& path, const wchar_t* prefix)
{
    const size_t length = wcslen(prefix);
    return path.size() >= length && _wcsnicmp(path.c_str(), prefix, length) == 0;
}

// "\\?\GLOBALROOT\..." and "\\.\..." name objects of the system's
// namespace (devices, volumes by their device names), never one installation.
bool IsDeviceNamespace(const std::wstring& path)
{
    return StartsWithNoCase(path, L"\\\\?\\GLOBALROOT") || StartsWithNoCase(path, L"\\\\.\\") ||
           StartsWithNoCase(path, L"\\??\\");
}

// The same path without the "\\?\" prefix, in the form PathIsRootW knows:
// "\\?\UNC\server\share" is "\\server\share", "\\?\C:" is "C:".
std::wstring WithoutLongPathPrefix(const std::wstring& path)
{
    if (StartsWithNoCase(path, L"\\\\?\\UNC\\")) {
        return L"\\\\" + path.substr(8);
    }
    if (StartsWithNoCase(path, L"\\\\?\\")) {
        return path.substr(4);
    }
    return path;
}

// A drive or a share, with or without its closing separator (not every
// spelling is taken for a root without it).
bool IsRootOnceResolved(const std::wstring& resolved)
{
    const std::wstring plain = WithoutLongPathPrefix(resolved);
    return plain.empty() || PathIsRootW(plain.c_str()) || PathIsRootW((plain + L"\\").c_str());
}

}  // namespace

bool ResolveDeletableInstallDir(const std::wstring& installDir, std::wstring& fullPath)
{
    // "C:" and "C:dir" depend on the drive's current directory and "dir" on
    // the process's: such a path may name any folder at all.
    if (IsDeviceNamespace(installDir) ||
        (!IsDriveAbsolute(installDir) && !IsUnc(installDir) && !IsFromCurrentDriveRoot(installDir))) {
        return false;
    }
    // "C:\x\.." is the drive itself, and "\x" takes the current drive.  A
    // trailing separator goes: "C:\x\link\" would name the link's target
    // rather than the link, and the removal must see the link.
    const std::wstring resolved = FullPathWithoutTrailingSeparators(installDir);
    if (resolved.empty() || resolved.size() >= MAX_PATH || IsRootOnceResolved(resolved)) {
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
