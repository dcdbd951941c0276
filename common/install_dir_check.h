#pragma once

#include <string>

// A directory the removal may delete as a whole: an absolute path ("X:\..."
// or "\\server\share\...") that, with "." and ".." resolved, is not the root
// of a drive or share.  Both removers ask before deleting, since the
// directory comes from a registry value or from where the program sits.
bool IsDeletableInstallDir(const std::wstring& installDir);
