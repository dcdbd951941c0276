#include "tree_removal.h"

#include <cwchar>

namespace {

bool IsReparsePoint(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsDirectory(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

// Opens the entry at a final path for deletion and deletes it when it is a
// plain file or a link standing exactly there.  A folder is left to the
// bottom-up pass; anything reached through a link stays.
void DeleteEntryAt(const std::wstring& finalPath)
{
    ScopedFileHandle entry;
    const EntryCheck check = OpenOwnedEntry(finalPath, kDeleteAccess, kShareAll, entry);
    if (check == EntryCheck::Link || (check == EntryCheck::Owned && !IsFolder(entry.handle))) {
        RunBeforeActHook(finalPath);
        DeleteOwnedEntry(entry.handle);  // a file in use simply stays
    }
}

// Deletes a held folder once it has been emptied.  The hold cannot do it:
// with DELETE access it would keep others (FindFirstFileW under Wine among
// them) from listing the folder.  So the hold is given up and the folder
// judged again on a handle that may delete it; removing an empty folder is
// all such a deletion can do, so a folder swapped in meanwhile loses nothing.
void DeleteHeldFolder(ScopedFileHandle& folder, const std::wstring& finalPath)
{
    folder.reset(INVALID_HANDLE_VALUE);
    ScopedFileHandle again;
    if (OpenOwnedEntry(finalPath, kDeleteAccess, kShareAll, again) == EntryCheck::Owned && IsFolder(again.handle)) {
        RunBeforeActHook(finalPath);
        DeleteOwnedEntry(again.handle);  // fails while something stays inside
    }
}

// The folder is held (no renaming by others) while what lies in it goes, and
// is then deleted, which fails while it is not empty.  Where another program
// has it open for deletion, it cannot be held; its contents still go, each
// judged by its own handle.
void RemoveFolderBottomUp(const std::wstring& spelled, const std::wstring& finalPath,
                          const std::wstring& excludedPath)
{
    ScopedFileHandle folder;
    EntryCheck check = OpenOwnedEntry(finalPath, kHoldFolderAccess, kHoldShare, folder);
    if (check == EntryCheck::Missing) {
        check = OpenOwnedEntry(finalPath, kHoldFolderAccess, kShareAll, folder);
    }
    if (check == EntryCheck::Link) {
        folder.reset(INVALID_HANDLE_VALUE);  // its sharing would refuse the deleting open
        DeleteEntryAt(finalPath);
        return;
    }
    if (check != EntryCheck::Owned || !IsFolder(folder.handle)) {
        return;
    }
    ForEachListedEntry(finalPath, [&](const std::wstring& name, const WIN32_FIND_DATAW& found) {
        const std::wstring spelledChild = spelled + L"\\" + name;
        if (SamePath(spelledChild, excludedPath)) {
            return true;
        }
        if (IsDirectory(found.dwFileAttributes)) {
            RemoveFolderBottomUp(spelledChild, finalPath + L"\\" + name, excludedPath);
        } else {
            DeleteEntryAt(finalPath + L"\\" + name);
        }
        return true;
    });
    DeleteHeldFolder(folder, finalPath);
}

// The final path of a listed entry: where it lies below the root's final
// path, spelled as the listing below the root's own spelling named it.
bool FinalPathOfEntry(const RemovalRoot& root, const std::wstring& path, std::wstring& finalPath)
{
    const size_t length = root.path.size();
    if (root.finalPath.empty() || path.size() <= length || path[length] != L'\\' ||
        !SamePath(path.substr(0, length), root.path)) {
        return false;
    }
    finalPath = root.finalPath + path.substr(length);
    return true;
}

}  // namespace

EntryCheck OpenRemovalRoot(const std::wstring& directory, RemovalRoot& root)
{
    root.path = directory;
    EntryCheck check = OpenOwnedRoot(directory, kHoldFolderAccess, kHoldShare, root.hold, root.finalPath);
    if (check == EntryCheck::Missing) {
        check = OpenOwnedRoot(directory, kHoldFolderAccess, kShareAll, root.hold, root.finalPath);
    }
    if (check != EntryCheck::Owned) {
        root.finalPath.clear();
    }
    return check;
}

void CollectFiles(const std::wstring& directory, const std::wstring& excludedPath, std::vector<FileEntry>& files)
{
    ForEachListedEntry(directory, [&](const std::wstring& name, const WIN32_FIND_DATAW& found) {
        const std::wstring path = directory + L"\\" + name;
        if (SamePath(path, excludedPath)) {
            return true;
        }
        // A junction or directory link may lead out of the tree: it is
        // listed itself, never descended into.
        if (IsDirectory(found.dwFileAttributes) && !IsReparsePoint(found.dwFileAttributes)) {
            CollectFiles(path, excludedPath, files);
            return true;
        }
        unsigned long long size = IsDirectory(found.dwFileAttributes)
                                      ? 0
                                      : (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) |
                                            found.nFileSizeLow;
        files.push_back(FileEntry{path, size, found.dwFileAttributes});
        return true;
    });
}

void DeleteTreeEntry(const RemovalRoot& root, const FileEntry& entry)
{
    std::wstring finalPath;
    if (FinalPathOfEntry(root, entry.path, finalPath)) {
        DeleteEntryAt(finalPath);
    }
}

void DeleteRemainingDirectories(const RemovalRoot& root, const std::wstring& excludedPath)
{
    if (root.finalPath.empty()) {
        return;
    }
    ForEachListedEntry(root.finalPath, [&](const std::wstring& name, const WIN32_FIND_DATAW& found) {
        const std::wstring spelled = root.path + L"\\" + name;
        if (!SamePath(spelled, excludedPath) && IsDirectory(found.dwFileAttributes)) {
            RemoveFolderBottomUp(spelled, root.finalPath + L"\\" + name, excludedPath);
        }
        return true;
    });
}

void DeleteHeldTree(RemovalRoot& root)
{
    if (root.finalPath.empty()) {
        return;
    }
    std::vector<FileEntry> entries;
    CollectFiles(root.path, std::wstring(), entries);
    for (const FileEntry& entry : entries) {
        DeleteTreeEntry(root, entry);
    }
    DeleteRemainingDirectories(root, std::wstring());
    DeleteHeldFolder(root.hold, root.finalPath);
}

void DeleteDirectoryTree(const std::wstring& directory)
{
    RemovalRoot root;
    const EntryCheck check = OpenRemovalRoot(directory, root);
    if (check == EntryCheck::Link) {
        // Listing a link would list its target's files: only the link goes.
        root.hold.reset(INVALID_HANDLE_VALUE);  // its sharing would refuse the deleting open
        ScopedFileHandle link;
        std::wstring ignored;
        if (OpenOwnedRoot(directory, kDeleteAccess, kShareAll, link, ignored) == EntryCheck::Link) {
            DeleteOwnedEntry(link.handle);
        }
        return;
    }
    if (check == EntryCheck::Owned) {
        DeleteHeldTree(root);
    }
}
