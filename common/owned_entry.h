#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "scoped_handles.h"

// How an elevated program decides what a path really is before it writes or
// deletes there.  Another process may swap a folder for a junction or a
// symbolic link between any look and the act that follows, so nothing is
// judged by what a path showed earlier: the entry is opened without following
// a link at its end, judged by that handle (its attributes, and its final
// path: where the system really opened it), and acted on through the same
// handle.
//
// The paths handed to these functions are final paths as FinalPathOf gives
// them ("\\?\C:\dir\name"), so that the place an entry was opened at can be
// compared with the place it was meant to be at, character for character.

// What an entry turned out to be once opened.
enum class EntryCheck {
    Missing,    // nothing opened: absent, or refused (sharing, rights)
    Owned,      // a plain file or folder exactly at the path asked for
    Link,       // the link itself (junction or symbolic link), not followed
    Elsewhere,  // what opened lies at another place: a link was followed
};

// Access and sharing that hold a folder while work goes on inside it: others
// may read and write in it, but cannot rename or delete it (no
// FILE_SHARE_DELETE), so no link can take its place.  Reading the listing is
// what makes the hold count: an open for attributes alone enforces no sharing.
inline constexpr DWORD kHoldFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
inline constexpr DWORD kHoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
// Deleting an entry leaves others free to use it meanwhile, as DeleteFileW does.
inline constexpr DWORD kDeleteAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Where the system opened the entry: "\\?\C:\dir\name", links on the way
// resolved; empty when it cannot say.
std::wstring FinalPathOf(HANDLE entry);

// The full path without trailing separators, so that "C:\" and "C:" or
// "D:\app\" and "D:\app" read the same, and "C:\x\link\" names the link
// rather than its target.  The path itself when it cannot be made full.
std::wstring FullPathWithoutTrailingSeparators(const std::wstring& path);

// Opens an existing entry at a final path and judges it by the handle.
EntryCheck OpenOwnedEntry(const std::wstring& finalPath, DWORD access, DWORD share, ScopedFileHandle& entry);

// Opens the folder a piece of work starts from, as its caller spells it, and
// gives its final path.  Owned only for a plain folder: the folder itself
// being a link (as the handle or as the path reports it) is refused.
EntryCheck OpenOwnedRoot(const std::wstring& path, DWORD access, DWORD share, ScopedFileHandle& root,
                         std::wstring& finalPath);

// Creates the folder at a final path, or opens the one there, held as
// kHoldFolderAccess/kHoldShare.  Owned only for a plain folder at that path;
// nothing is created unless the folder above is a plain folder at its own
// final path, held meanwhile.
EntryCheck CreateOwnedFolder(const std::wstring& finalPath, ScopedFileHandle& folder);

// Creates the file at a final path for writing, or opens the one there
// without truncating it yet.  Owned only for a plain file at that path; an
// existing link is neither written through nor replaced, nor is a file that
// shares its data with another name (a hard link), and nothing is
// created unless the folder above is judged and held as for CreateOwnedFolder.
EntryCheck CreateOwnedFile(const std::wstring& finalPath, DWORD access, DWORD share, ScopedFileHandle& file);

// Calls visit with the name and listing of each entry of the folder ("." and
// ".." left out) until it returns false.  What the listing says is a hint for
// what to open next, never a judgement: entries are judged by handle.
using ListedEntryVisitor = std::function<bool(const std::wstring& name, const WIN32_FIND_DATAW& found)>;
void ForEachListedEntry(const std::wstring& folder, const ListedEntryVisitor& visit);

// Whether the handle shows a folder.
bool IsFolder(HANDLE entry);

// Whether two handles show the same file or folder (volume and file index).
bool SameEntry(HANDLE first, HANDLE second);

// Clears the read-only attribute through the handle (opened with
// FILE_WRITE_ATTRIBUTES); true when it is not set afterwards.
bool ClearReadOnly(HANDLE entry);

// Deletes the entry through its handle (opened with DELETE): a file, an empty
// folder, or a link as the link.  A read-only file is made writable first.
bool DeleteOwnedEntry(HANDLE entry);

// A test seam: called with the final path of each entry after it has been
// judged and before it is acted on, so that a test can swap folders for links
// at exactly that moment.  Empty in the programs.
using BeforeActHook = std::function<void(const std::wstring& finalPath)>;
void SetBeforeActHook(BeforeActHook hook);
void RunBeforeActHook(const std::wstring& finalPath);
