#pragma once

#include <string>

// Joins two path pieces with exactly one backslash.  Neither piece is looked
// at: a trailing separator on the left doubles, forward slashes stay, so that
// every path the updater builds is predictable from its inputs.
inline std::wstring JoinPath(const std::wstring& left, const std::wstring& right)
{
    return left + L"\\" + right;
}
