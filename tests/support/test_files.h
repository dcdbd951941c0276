#pragma once

#include <windows.h>

#include <string>

// A fresh directory below the temporary folder, removed with all it holds
// when the test ends.
struct ScopedTempDir {
    std::wstring path;

    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    std::wstring operator/(const std::wstring& relative) const { return path + L"\\" + relative; }
};

// The folder of the running program: helpers are built beside the tests.
std::wstring ModuleDirectory();

bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// The whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
// Creates the directory and every missing parent.
bool CreateDirectories(const std::wstring& path);
// Deletes a tree, read-only files included; a reparse point is removed as a
// link and never followed.
void RemoveTree(const std::wstring& path);

std::wstring Utf8ToWideForTest(const std::string& text);
std::string WideToUtf8ForTest(const std::wstring& text);
