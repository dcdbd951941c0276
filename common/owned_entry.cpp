#include "owned_entry.h"

#include <cwchar>
#include <utility>

namespace {

// FILE_FLAG_BACKUP_SEMANTICS lets CreateFileW open folders as well as files;
// FILE_FLAG_OPEN_REPARSE_POINT opens a link at the end of the path as the
// link.  (Wine ignores the latter and opens what the link leads to: the final
// path then tells, since it lies elsewhere.)
constexpr DWORD kNoFollowFlags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

BeforeActHook& Hook()
{
    static BeforeActHook hook;
    return hook;
}

DWORD AttributesOf(HANDLE entry)
{
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(entry, FileBasicInfo, &basic, sizeof(basic))) {
        return INVALID_FILE_ATTRIBUTES;
    }
    return basic.FileAttributes;
}

bool SameFinalPath(const std::wstring& a, const std::wstring& b)
{
    return !a.empty() && CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Judges an opened handle against the final path it was opened at.
EntryCheck Judge(HANDLE entry, const std::wstring& finalPath)
{
    const DWORD attributes = AttributesOf(entry);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return EntryCheck::Missing;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        return EntryCheck::Link;
    }
    return SameFinalPath(FinalPathOf(entry), finalPath) ? EntryCheck::Owned : EntryCheck::Elsewhere;
}

HANDLE OpenWithoutFollowing(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                            DWORD extraFlags = 0)
{
    return CreateFileW(path.c_str(), access, share, nullptr, disposition, kNoFollowFlags | extraFlags, nullptr);
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

// A file with more than one name (a hard link planted beside it) shares its
// data with a file elsewhere: writing it would write there too.
bool HasOtherNames(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION information{};
    return !GetFileInformationByHandle(file, &information) || information.nNumberOfLinks > 1;
}

// Opens the folder that is to hold finalPath, confirmed a plain folder at its
// own final path and held (not to be renamed away) while something is made
// in it: nothing is created in a folder that has not been judged.
bool HoldParent(const std::wstring& finalPath, ScopedFileHandle& parent)
{
    const size_t separator = finalPath.find_last_of(L'\\');
    return separator != std::wstring::npos &&
           OpenOwnedEntry(finalPath.substr(0, separator), kHoldFolderAccess, kHoldShare, parent) == EntryCheck::Owned &&
           IsFolder(parent.handle);
}

}  // namespace

std::wstring FinalPathOf(HANDLE entry)
{
    const DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    DWORD needed = GetFinalPathNameByHandleW(entry, nullptr, 0, flags);
    if (needed == 0) {
        return {};
    }
    std::wstring path(needed, L'\0');
    DWORD written = GetFinalPathNameByHandleW(entry, path.data(), needed, flags);
    path.resize(written < needed ? written : 0);
    return path;
}

std::wstring FullPathWithoutTrailingSeparators(const std::wstring& path)
{
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::wstring full(needed, L'\0');
    DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    full.resize(written < needed ? written : 0);
    while (!full.empty() && (full.back() == L'\\' || full.back() == L'/')) {
        full.pop_back();
    }
    return full;
}

EntryCheck OpenOwnedEntry(const std::wstring& finalPath, DWORD access, DWORD share, ScopedFileHandle& entry)
{
    entry.reset(OpenWithoutFollowing(finalPath, access, share, OPEN_EXISTING));
    return entry.valid() ? Judge(entry.handle, finalPath) : EntryCheck::Missing;
}

EntryCheck OpenOwnedRoot(const std::wstring& path, DWORD access, DWORD share, ScopedFileHandle& root,
                         std::wstring& finalPath)
{
    const std::wstring full = KeepRootSeparator(FullPathWithoutTrailingSeparators(path));
    root.reset(OpenWithoutFollowing(full, access, share, OPEN_EXISTING));
    const DWORD attributes = root.valid() ? AttributesOf(root.handle) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return EntryCheck::Missing;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        return EntryCheck::Link;
    }
    // Where the handle followed a link (Wine), the path still says so.
    const DWORD pathAttributes = GetFileAttributesW(full.c_str());
    if (pathAttributes == INVALID_FILE_ATTRIBUTES || (pathAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return EntryCheck::Elsewhere;
    }
    finalPath = FinalPathOf(root.handle);
    return finalPath.empty() ? EntryCheck::Missing : EntryCheck::Owned;
}

EntryCheck CreateOwnedFolder(const std::wstring& finalPath, ScopedFileHandle& folder)
{
    ScopedFileHandle parent;
    if (!HoldParent(finalPath, parent)) {
        return EntryCheck::Elsewhere;
    }
    // Creating fails where anything, a link included, already has the name;
    // what is there is then judged as it is.
    const bool created = CreateDirectoryW(finalPath.c_str(), nullptr) != 0;
    EntryCheck check = OpenOwnedEntry(finalPath, kHoldFolderAccess, kHoldShare, folder);
    if (check == EntryCheck::Owned && !IsFolder(folder.handle)) {
        check = EntryCheck::Elsewhere;
    }
    // Made through a folder swapped after the parent was judged: the empty
    // folder this call made goes again.
    if (created && check != EntryCheck::Owned) {
        folder.reset(INVALID_HANDLE_VALUE);
        RemoveDirectoryW(finalPath.c_str());
    }
    return check;
}

EntryCheck CreateOwnedFile(const std::wstring& finalPath, DWORD access, DWORD share, ScopedFileHandle& file)
{
    ScopedFileHandle parent;
    if (!HoldParent(finalPath, parent)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return EntryCheck::Elsewhere;
    }
    // CREATE_NEW never opens what stands there, not even a link that leads
    // nowhere; an existing entry is opened without truncating it, so that
    // nothing is written before it has been judged.
    file.reset(OpenWithoutFollowing(finalPath, access | DELETE, share, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
    const bool created = file.valid();
    if (!created) {
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return EntryCheck::Missing;
        }
        file.reset(OpenWithoutFollowing(finalPath, access, share, OPEN_EXISTING));
    }
    if (!file.valid()) {
        return EntryCheck::Missing;
    }
    EntryCheck check = Judge(file.handle, finalPath);
    if (check == EntryCheck::Owned && (IsFolder(file.handle) || HasOtherNames(file.handle))) {
        check = EntryCheck::Elsewhere;
    }
    // Created through a folder swapped after the parent was judged: what this
    // call made there goes again, and nothing is written.
    if (created && check != EntryCheck::Owned) {
        DeleteOwnedEntry(file.handle);
        file.reset(INVALID_HANDLE_VALUE);
    }
    return check;
}

void ForEachListedEntry(const std::wstring& folder, const ListedEntryVisitor& visit)
{
    WIN32_FIND_DATAW found;
    ScopedFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search.valid()) {
        return;
    }
    bool more = true;
    do {
        const bool dotEntry = wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0;
        if (!dotEntry) {
            more = visit(found.cFileName, found);
        }
    } while (more && FindNextFileW(search.handle, &found));
}

bool IsFolder(HANDLE entry)
{
    const DWORD attributes = AttributesOf(entry);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SameEntry(HANDLE first, HANDLE second)
{
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    return GetFileInformationByHandle(first, &a) && GetFileInformationByHandle(second, &b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

bool ClearReadOnly(HANDLE entry)
{
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(entry, FileBasicInfo, &basic, sizeof(basic))) {
        return false;
    }
    if (!(basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        return true;
    }
    // Zero times leave the times as they are; zero attributes would mean
    // "unchanged" too, so a file with nothing else set becomes normal.
    FILE_BASIC_INFO changed{};
    changed.FileAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (changed.FileAttributes == 0) {
        changed.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    }
    return SetFileInformationByHandle(entry, FileBasicInfo, &changed, sizeof(changed)) != 0;
}

bool DeleteOwnedEntry(HANDLE entry)
{
    // A read-only file refuses the deletion.  A link's own attributes are
    // left alone: changing them changes nothing behind it, but nor is it needed.
    const DWORD attributes = AttributesOf(entry);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ClearReadOnly(entry);  // its failure shows as the deletion's
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(entry, FileDispositionInfo, &disposition, sizeof(disposition)) != 0;
}

void SetBeforeActHook(BeforeActHook hook)
{
    Hook() = std::move(hook);
}

void RunBeforeActHook(const std::wstring& finalPath)
{
    if (Hook()) {
        Hook()(finalPath);
    }
}
