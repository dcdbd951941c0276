#include "tree_removal.h"

#include <shellapi.h>

#include <cwchar>
#include <functional>

namespace {

bool IsDotEntry(const wchar_t* name)
{
    return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

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

// Calls visit with the full path and listing of each entry of the directory
// ("." and ".." left out) until it returns false.
using EntryVisitor = std::function<bool(const std::wstring& path, const WIN32_FIND_DATAW& found)>;
void ForEachEntry(const std::wstring& directory, const EntryVisitor& visit)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    bool more = true;
    do {
        if (!IsDotEntry(found.cFileName)) {
            more = visit(directory + L"\\" + found.cFileName, found);
        }
    } while (more && FindNextFileW(search, &found));
    FindClose(search);
}

// Whether a reparse point lies anywhere below the directory (links are not
// descended into).  Such a link is one whose removal failed.
bool HoldsReparsePoint(const std::wstring& directory)
{
    bool holds = false;
    ForEachEntry(directory, [&holds](const std::wstring& path, const WIN32_FIND_DATAW& found) {
        holds = IsReparsePoint(found.dwFileAttributes) ||
                (IsDirectory(found.dwFileAttributes) && HoldsReparsePoint(path));
        return !holds;
    });
    return holds;
}

// SHFileOperationW walks the whole tree it is given, and would walk through a
// link inside it into the link's target; a directory that still holds a link
// is therefore left in place instead.
void DeleteRemainingDirectory(const std::wstring& path, DWORD attributes)
{
    if (IsReparsePoint(attributes)) {
        RemoveDirectoryW(path.c_str());
        return;
    }
    if (HoldsReparsePoint(path)) {
        return;
    }
    // pFrom is a list of paths ended by an empty one.  Without FOF_ALLOWUNDO
    // nothing goes to the Recycle Bin.
    std::wstring from = path;
    from.append(2, L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    // A directory that cannot be deleted stays, silently.
    SHFileOperationW(&operation);
}

}  // namespace

void CollectFiles(const std::wstring& directory, const std::wstring& excludedPath, std::vector<FileEntry>& files)
{
    ForEachEntry(directory, [&](const std::wstring& path, const WIN32_FIND_DATAW& found) {
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

// A link is removed as the link: RemoveDirectoryW on a junction or directory
// symbolic link and DeleteFileW on a file symbolic link leave the target
// alone.  Its attributes are not reset first, since SetFileAttributesW would
// reach through the link and change the target's.
void DeleteTreeEntry(const FileEntry& entry)
{
    if (IsReparsePoint(entry.attributes)) {
        if (IsDirectory(entry.attributes)) {
            RemoveDirectoryW(entry.path.c_str());
        } else {
            DeleteFileW(entry.path.c_str());
        }
        return;
    }
    // Read-only, hidden and system files would refuse the deletion.
    SetFileAttributesW(entry.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(entry.path.c_str());
}

void DeleteRemainingDirectories(const std::wstring& directory, const std::wstring& excludedPath)
{
    ForEachEntry(directory, [&excludedPath](const std::wstring& path, const WIN32_FIND_DATAW& found) {
        if (!SamePath(path, excludedPath) && IsDirectory(found.dwFileAttributes)) {
            DeleteRemainingDirectory(path, found.dwFileAttributes);
        }
        return true;
    });
}

void DeleteDirectoryTree(const std::wstring& directory)
{
    const DWORD attributes = GetFileAttributesW(directory.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !IsDirectory(attributes)) {
        return;
    }
    // Listing a link would list its target's files.
    if (IsReparsePoint(attributes)) {
        RemoveDirectoryW(directory.c_str());
        return;
    }
    std::vector<FileEntry> entries;
    CollectFiles(directory, std::wstring(), entries);
    for (const FileEntry& entry : entries) {
        DeleteTreeEntry(entry);
    }
    DeleteRemainingDirectories(directory, std::wstring());
    DeleteRemainingDirectory(directory, attributes);
}
