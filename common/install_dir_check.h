#pragma once

#include <string>

// A directory the removal may delete as a whole: a path from a root ("X:\...",
// "\\server\share\..." or "\..." on the current drive) that, with "." and
// ".." resolved, is not the root of a drive or share.  Both removers ask
// before deleting, since the directory comes from a registry value or from
// where the program sits.  On success fullPath receives the resolved path,
// drive included, which is what the removal should then work on.
bool ResolveDeletableInstallDir(const std::wstring& installDir, std::wstring& fullPath);
bool IsDeletableInstallDir(const std::wstring& installDir);
