#pragma once

#include <string>

#include "tree_removal.h"

// Takes hold of the staging directory for the whole run: held open so that
// nobody can rename it away or put a link in its place.  Owned when held;
// Link or Elsewhere when it is itself a link; Missing when it is not there or
// cannot be opened.
EntryCheck HoldStagingDir(const std::wstring& stagingDir, RemovalRoot& staging);

// Whether the path still opens as the very directory held, at the same place.
bool IsStillStagingDir(const RemovalRoot& staging);

// Empties and removes the held staging directory after the copy, entry by
// entry through handles: files and folders that really lie in it are deleted
// outright, a link in it is removed as the link or left, never followed.
// Whatever cannot be deleted is silently left in place.
void ClearStagingDir(RemovalRoot& staging);
