#pragma once

#include <string>

// Links for the tests.  On Windows a folder link is a junction, which any user
// may make; a file link is a symbolic link, which needs an administrator or
// developer mode.  Wine 8 makes neither (CreateSymbolicLinkW reports success
// and makes nothing, FSCTL_SET_REPARSE_POINT is not supported): a Unix
// symbolic link in the prefix is what it reports as a link, a folder one with
// FILE_ATTRIBUTE_REPARSE_POINT, a file one without it.
bool RunningUnderWine();
bool MakeDirectoryLink(const std::wstring& target, const std::wstring& link);
bool MakeFileLink(const std::wstring& target, const std::wstring& link);
// Removes a folder or file link made above.
void RemoveDirectoryLink(const std::wstring& link);

// What another process does between a program's look and its act: the
// folder is renamed to folder + ".moved" through Windows (so sharing rules
// apply) and a folder link to target takes its place.
bool SwapForDirectoryLink(const std::wstring& folder, const std::wstring& target);

// The same path reached through Wine's Z: drive, which maps the Unix root: a
// second drive letter onto the same folder.  Empty where Wine is not running.
std::wstring UnixDriveSpellingOf(const std::wstring& path);
