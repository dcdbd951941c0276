#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// Reads back what a built program carries, the way Windows itself reads it.

// A value of the version block's string table, e.g. ("080404b0", "ProductName");
// empty when absent.
std::wstring VersionString(const std::wstring& program, const std::wstring& tableKey, const std::wstring& name);
// The (language, code page) pairs of the version block's translation entry.
std::vector<std::pair<WORD, WORD>> VersionTranslations(const std::wstring& program);
// The fixed part of the version block; false when there is none.
bool FixedVersion(const std::wstring& program, VS_FIXEDFILEINFO& info);
// A fixed version's two double words as the text "A.B.C.D".
std::wstring FixedVersionText(DWORD mostSignificant, DWORD leastSignificant);
// The manifest the loader reads (RT_MANIFEST, id 1) as text; empty when absent.
std::string ProgramManifest(const std::wstring& program);
// Whether the program has any resource of this type.
bool HasResourceType(const std::wstring& program, LPCWSTR type);
// The raw bytes of one resource; empty when absent.
std::string ResourceBytes(const std::wstring& program, LPCWSTR type, LPCWSTR name);
// The Subsystem field of the program's PE header; 0 when it cannot be read.
WORD ProgramSubsystem(const std::wstring& program);
