#pragma once

#include <string>

// UTF-8 to UTF-16; bytes that are not valid UTF-8 are read in the system's
// ANSI code page instead, as older archivers stored names.  Empty when
// neither works.
std::wstring Utf8ToWide(const std::string& bytes);

// UTF-16 to UTF-8; empty for empty input or when the conversion fails.
std::string WideToUtf8(const std::wstring& text);
