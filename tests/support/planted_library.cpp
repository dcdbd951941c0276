// Planted under a system DLL's name (gdiplus.dll, uxtheme.dll) beside a program under
// test: loading it leaves "<its path>.loaded" behind, the mark the security tests look for.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 8] = {};
        DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
        lstrcpyW(path + length, L".loaded");
        HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (mark != INVALID_HANDLE_VALUE) {
            CloseHandle(mark);
        }
    }
    return TRUE;
}
