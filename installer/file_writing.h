#pragma once

#include <windows.h>

#include <cstddef>

// Writes the whole buffer to an open file, calling WriteFile until nothing is
// left.  A failed call or one that writes nothing is a write failure.
bool WriteAllBytes(HANDLE file, const void* data, size_t size);

// CreateFileW the way every file of the installation is made: write access,
// no sharing, replacing any file of that name, normal attributes.
HANDLE CreateFileForWriting(const wchar_t* path);
