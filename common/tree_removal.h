#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Removal of a directory tree that never reaches through a reparse point
// (junction, directory or file symbolic link): the link is removed, never what
// it leads to.  Both removers take their paths from outside, elevated.

// One entry of a tree as the directory listing reported it.  A reparse point
// is an entry of its own and is never looked through.
struct FileEntry {
    std::wstring path;
    unsigned long long size = 0;
    DWORD attributes = 0;
};

// Appends every file below the directory, depth first in listing order, and
// every reparse point without descending into it.  The excluded path is
// skipped, compared without regard to case.
void CollectFiles(const std::wstring& directory, const std::wstring& excludedPath, std::vector<FileEntry>& files);

// Deletes one collected entry: a file with its attributes cleared first, a
// link as the link.  A file in use simply stays.
void DeleteTreeEntry(const FileEntry& entry);

// After the entries are gone: deletes each directory at the top level of the
// given one (not the excluded path) with what is left in it.  A directory that
// still holds a link, because removing it failed, is left in place.
void DeleteRemainingDirectories(const std::wstring& directory, const std::wstring& excludedPath);

// The whole tree at once, the directory itself included: its entries, then
// its directories.  A directory that is itself a link is removed as the link.
void DeleteDirectoryTree(const std::wstring& directory);
