#pragma once

#include <string>

// True when candidate opens as the directory that path names or as one of
// the directories above it, compared by volume serial number and file index:
// "\\?\" and "\\.\" prefixes, 8.3 short names, other drive letters and links
// onto the same directory all count as that directory.  The directories above
// path are those of its own spelling and those of where it resolves to.  A
// candidate that cannot be opened (it does not exist, or may not be opened)
// is never such a directory here; its spelling is all there is to judge.
bool OpensAsSameOrAncestorDirectory(const std::wstring& candidate, const std::wstring& path);
