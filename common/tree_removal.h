#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "owned_entry.h"
#include "scoped_handles.h"

// Removal of a directory tree that never reaches through a reparse point
// (junction, directory or file symbolic link): the link is removed, never what
// it leads to.  Both removers take their paths from outside, elevated, and
// another process may change the tree while they work, so every entry is
// judged and deleted through its own handle at the moment it goes (see
// owned_entry.h).

// One entry of a tree as the directory listing reported it.  A reparse point
// is an entry of its own and is never looked through.
struct FileEntry {
    std::wstring path;
    unsigned long long size = 0;
    DWORD attributes = 0;
};

// The directory a removal works in, held open for the whole removal without
// FILE_SHARE_DELETE where others allow it, so that it cannot be renamed away.
struct RemovalRoot {
    std::wstring path;       // as the caller spells it: entries are listed under it
    std::wstring finalPath;  // where it really lies: entries are opened under it
    ScopedFileHandle hold;
};

// Opens the directory for a removal.  Owned for a plain directory; Link when
// it is itself a link, which only the link's own removal may touch.
EntryCheck OpenRemovalRoot(const std::wstring& directory, RemovalRoot& root);

// Appends every file below the directory, depth first in listing order, and
// every reparse point without descending into it.  The excluded path is
// skipped, compared without regard to case.
void CollectFiles(const std::wstring& directory, const std::wstring& excludedPath, std::vector<FileEntry>& files);

// Deletes one collected entry of the root's tree: a file (read-only or not),
// or a link as the link.  It goes only when it still lies where it was listed,
// reached through no link; a file in use simply stays.
void DeleteTreeEntry(const RemovalRoot& root, const FileEntry& entry);

// After the entries are gone: deletes each directory at the top level of the
// root (not the excluded path) with what is left in it, bottom-up, entry by
// entry as DeleteTreeEntry does.  A directory that still holds something
// (a file in use, a link that could not be removed) stays.
void DeleteRemainingDirectories(const RemovalRoot& root, const std::wstring& excludedPath);

// Everything below an opened root, then the root itself, through its hold.
void DeleteHeldTree(RemovalRoot& root);

// The whole tree at once, the directory itself included: its entries, then
// its directories.  A directory that is itself a link is removed as the link.
void DeleteDirectoryTree(const std::wstring& directory);
