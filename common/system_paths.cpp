#include "system_paths.h"

#include <windows.h>

std::wstring SystemDirectory()
{
    wchar_t buffer[MAX_PATH] = {};
    GetSystemDirectoryW(buffer, MAX_PATH);
    return buffer;
}

std::wstring SystemProgramPath(const wchar_t* fileName)
{
    return SystemDirectory() + L"\\" + fileName;
}
