#pragma once

#include <string>

// Lays the tree below sourceRoot\relativePath over targetRoot\relativePath:
// creates every directory, replaces or adds every file, deletes nothing.
// Only what really lies in the staging tree is copied: a link met there is
// neither copied nor followed.  Only what really lies in the install tree is
// written: a file whose target is a link, or lies behind one, fails.  A file
// that fails twice (the second time after its read-only bit was cleared) is
// named in a debugger line and makes the result false; the copy goes on with
// the other entries.  relativePath is empty at the top level.
bool CopyTree(const std::wstring& sourceRoot, const std::wstring& targetRoot,
              const std::wstring& relativePath);
