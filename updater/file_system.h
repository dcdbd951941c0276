#pragma once

#include <windows.h>

#include <cwchar>
#include <string>

// The "." and ".." entries of a directory listing; a name that merely starts
// with a dot is an ordinary entry.
inline bool IsDotEntry(const wchar_t* name)
{
    return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
}

// Writes the attributes back without FILE_ATTRIBUTE_READONLY, when they can be
// read and have it; the result is deliberately not reported, since the caller's
// next step (copy or delete) shows whether it mattered.
inline void ClearReadOnlyAttribute(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}
