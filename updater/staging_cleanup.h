#pragma once

#include <string>

// Empties and removes the staging directory after the copy: subdirectories go
// to the Recycle Bin (where the volume has one), files are deleted outright.
// Whatever cannot be deleted is silently left in place.
void ClearStagingDir(const std::wstring& stagingDir);
