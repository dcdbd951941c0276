#include "directory_identity.h"

#include <windows.h>

#include <vector>

#include "owned_entry.h"
#include "scoped_handles.h"

namespace {

// What names one directory on this machine, however its path is written.
struct DirectoryIdentity {
    DWORD volumeSerial = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;

    bool operator==(const DirectoryIdentity&) const = default;
};

// FILE_FLAG_BACKUP_SEMANTICS is what lets CreateFileW open a directory.
// Attributes are all that is asked and every sharing mode is granted, so the
// application's own handles are not disturbed.  Links are followed on
// purpose: what counts is the directory they lead to.
HANDLE OpenForIdentity(const std::wstring& path)
{
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool IdentityOf(HANDLE opened, DirectoryIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(opened, &information)) {
        return false;
    }
    identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
    return true;
}

// Where the system resolved the opened directory to ("\\?\C:\..."), links on
// the way included; empty when it cannot say.
std::wstring ResolvedPathOf(HANDLE opened)
{
    DWORD needed = GetFinalPathNameByHandleW(opened, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (needed == 0) {
        return {};
    }
    std::wstring resolved(needed, L'\0');
    DWORD written = GetFinalPathNameByHandleW(opened, resolved.data(), needed, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    resolved.resize(written < needed ? written : 0);
    return resolved;
}

// A drive's root keeps its separator: "C:" alone names the current
// directory of drive C, not its root.
std::wstring KeepRootSeparator(std::wstring path)
{
    if (!path.empty() && path.back() == L':') {
        path.push_back(L'\\');
    }
    return path;
}

// The full path without trailing separators (a drive's root keeps its own).
std::wstring FullDirectoryPath(const std::wstring& path)
{
    return KeepRootSeparator(FullPathWithoutTrailingSeparators(path));
}

// The directory that holds path; empty above a root ("C:\", "\\?\C:\") or
// when only a prefix such as "\\" or "\\?" would be left.
std::wstring ParentDirectory(const std::wstring& path)
{
    size_t separator = path.find_last_of(L'\\');
    if (separator == std::wstring::npos || separator + 1 == path.size()) {
        return {};
    }
    std::wstring parent = path.substr(0, separator);
    if (parent.find_first_not_of(L"\\?.") == std::wstring::npos) {
        return {};
    }
    return KeepRootSeparator(parent);
}

// Adds the identity of every directory from path up to its root that can be
// opened; returns where the first one that opened resolves to.
std::wstring AddSelfAndAncestors(const std::wstring& path, std::vector<DirectoryIdentity>& identities)
{
    std::wstring resolved;
    for (std::wstring directory = path; !directory.empty(); directory = ParentDirectory(directory)) {
        ScopedFileHandle opened(OpenForIdentity(directory));
        DirectoryIdentity identity;
        if (!opened.valid() || !IdentityOf(opened.handle, identity)) {
            continue;  // a directory not created yet, or one we may not open
        }
        identities.push_back(identity);
        if (resolved.empty()) {
            resolved = ResolvedPathOf(opened.handle);
        }
    }
    return resolved;
}

// The directory and all above it, both as spelt and as resolved: through a
// link, the directories above the one it leads to hold the installation too.
std::vector<DirectoryIdentity> IdentitiesOfSelfAndAncestors(const std::wstring& path)
{
    std::vector<DirectoryIdentity> identities;
    const std::wstring resolved = AddSelfAndAncestors(FullDirectoryPath(path), identities);
    if (!resolved.empty()) {
        AddSelfAndAncestors(resolved, identities);  // already resolved: what it returns adds nothing
    }
    return identities;
}

}  // namespace

bool OpensAsSameOrAncestorDirectory(const std::wstring& candidate, const std::wstring& path)
{
    ScopedFileHandle opened(OpenForIdentity(candidate));
    DirectoryIdentity identity;
    if (!opened.valid() || !IdentityOf(opened.handle, identity)) {
        return false;
    }
    for (const DirectoryIdentity& above : IdentitiesOfSelfAndAncestors(path)) {
        if (above == identity) {
            return true;
        }
    }
    return false;
}
