#pragma once

#include <windows.h>

#include <string>

// Writes "[VLUpdater] " + text + "\n" to the debugger output as three separate
// OutputDebugStringW calls; nothing is buffered or written anywhere else.
void WriteDebugLine(const std::wstring& text);

// "CopyFile failed: <target>  err=<error>"
std::wstring CopyFailureText(const std::wstring& targetPath, DWORD error);

// "CreateProcess failed: <program>  err=<error>"
std::wstring RestartFailureText(const std::wstring& programPath, DWORD error);
