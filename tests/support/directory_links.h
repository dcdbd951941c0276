#pragma once

#include <string>

// Directory symbolic links for the tests.  Under Wine a Unix symbolic link in
// the prefix shows as a directory with FILE_ATTRIBUTE_REPARSE_POINT, which is
// how the tests build one there (Wine's CreateSymbolicLinkW makes nothing).
bool RunningUnderWine();
bool MakeDirectoryLink(const std::wstring& target, const std::wstring& link);
void RemoveDirectoryLink(const std::wstring& link);

// The same path reached through Wine's Z: drive, which maps the Unix root: a
// second drive letter onto the same folder.  Empty where Wine is not running.
std::wstring UnixDriveSpellingOf(const std::wstring& path);
