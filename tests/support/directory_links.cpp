#include "directory_links.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>

#include "test_files.h"

namespace {

using UnixFileName = char*(CDECL*)(const wchar_t*);

std::wstring UnixPathOf(const std::wstring& path)
{
    auto unixName = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    if (name == nullptr) {
        return std::wstring();
    }
    std::wstring wide = Utf8ToWideForTest(name);
    HeapFree(GetProcessHeap(), 0, name);
    return wide;
}

// Wine starts a Unix program named by its Z: path directly.
bool RunUnixTool(const std::wstring& commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring writable = commandLine;
    if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return true;
}

// Wine does not wait for a Unix process: the link is polled for.
bool WaitForAttributes(const std::wstring& path, bool present)
{
    for (int attempt = 0; attempt < 250; ++attempt) {
        if ((GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) == present) {
            return true;
        }
        Sleep(20);
    }
    return false;
}

// A junction: a mount-point reparse point that any user may make on a folder
// of their own, unlike a symbolic link, which needs an administrator (or
// developer mode) on Windows.  The layout is the mount-point form of
// REPARSE_DATA_BUFFER, which MinGW's headers do not declare.
bool MakeJunction(const std::wstring& target, const std::wstring& link)
{
    const std::wstring substitute = L"\\??\\" + target;
    const WORD substituteBytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
    struct MountPointBuffer {
        DWORD tag;
        WORD dataLength;
        WORD reserved;
        WORD substituteOffset, substituteLength, printOffset, printLength;
        wchar_t paths[MAX_PATH * 2];
    } buffer{};
    if (substitute.size() + 2 > MAX_PATH * 2 || !CreateDirectoryW(link.c_str(), nullptr)) {
        return false;
    }
    buffer.tag = IO_REPARSE_TAG_MOUNT_POINT;
    buffer.substituteLength = substituteBytes;
    buffer.printOffset = static_cast<WORD>(substituteBytes + sizeof(wchar_t));
    std::memcpy(buffer.paths, substitute.c_str(), substituteBytes);
    // The four offsets and lengths, both paths and both terminators.
    buffer.dataLength = static_cast<WORD>(4 * sizeof(WORD) + substituteBytes + 2 * sizeof(wchar_t));
    HANDLE folder = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    DWORD returned = 0;
    bool made = folder != INVALID_HANDLE_VALUE &&
                DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, &buffer, 8 + buffer.dataLength, nullptr, 0,
                                &returned, nullptr);
    if (folder != INVALID_HANDLE_VALUE) {
        CloseHandle(folder);
    }
    if (!made) {
        RemoveDirectoryW(link.c_str());
    }
    return made;
}

// Wine makes no reparse point of its own: a Unix symbolic link in the prefix
// is what it reports as one.
bool MakeUnixLink(const std::wstring& target, const std::wstring& link)
{
    std::wstring unixTarget = UnixPathOf(target);
    std::wstring unixLink = UnixPathOf(link);
    return !unixTarget.empty() && !unixLink.empty() &&
           RunUnixTool(L"Z:\\bin\\ln -s \"" + unixTarget + L"\" \"" + unixLink + L"\"") &&
           WaitForAttributes(link, true);
}

}  // namespace

bool RunningUnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring UnixDriveSpellingOf(const std::wstring& path)
{
    std::wstring unixPath = UnixPathOf(path);
    if (unixPath.empty()) {
        return std::wstring();
    }
    for (wchar_t& c : unixPath) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return L"Z:" + unixPath;
}

bool MakeDirectoryLink(const std::wstring& target, const std::wstring& link)
{
    return RunningUnderWine() ? MakeUnixLink(target, link) : MakeJunction(target, link);
}

bool MakeFileLink(const std::wstring& target, const std::wstring& link)
{
    if (RunningUnderWine()) {
        return MakeUnixLink(target, link);
    }
    return CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
}

bool SwapForDirectoryLink(const std::wstring& folder, const std::wstring& target)
{
    return MoveFileW(folder.c_str(), (folder + L".moved").c_str()) && MakeDirectoryLink(target, folder);
}

void RemoveDirectoryLink(const std::wstring& link)
{
    if (!RunningUnderWine()) {
        // A junction or a directory symbolic link goes as RemoveDirectoryW,
        // a file symbolic link as DeleteFileW; each fails on the other kind.
        if (!RemoveDirectoryW(link.c_str())) {
            DeleteFileW(link.c_str());
        }
        return;
    }
    std::wstring unixLink = UnixPathOf(link);
    DWORD attributes = GetFileAttributesW(link.c_str());
    if (!unixLink.empty() && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        RunUnixTool(L"Z:\\bin\\rm -f \"" + unixLink + L"\"")) {
        WaitForAttributes(link, false);
    }
}
