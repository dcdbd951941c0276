#include "directory_links.h"

#include <windows.h>

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
    if (!RunningUnderWine()) {
        return CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;
    }
    std::wstring unixTarget = UnixPathOf(target);
    std::wstring unixLink = UnixPathOf(link);
    return !unixTarget.empty() && !unixLink.empty() &&
           RunUnixTool(L"Z:\\bin\\ln -s \"" + unixTarget + L"\" \"" + unixLink + L"\"") &&
           WaitForAttributes(link, true);
}

void RemoveDirectoryLink(const std::wstring& link)
{
    if (!RunningUnderWine()) {
        RemoveDirectoryW(link.c_str());
        return;
    }
    std::wstring unixLink = UnixPathOf(link);
    DWORD attributes = GetFileAttributesW(link.c_str());
    if (!unixLink.empty() && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        RunUnixTool(L"Z:\\bin\\rm -f \"" + unixLink + L"\"")) {
        WaitForAttributes(link, false);
    }
}
