// Planted beside the uninstaller under the names of system programs and
// DLLs (cmd.exe, taskkill.exe, ping.exe, gdiplus.dll, version.dll): run or
// loaded, it leaves "<its file name>.ran" or ".loaded" in the folder that
// ORVICAP_PLANTED_MARKS names.  Built as a program and as a DLL.
#include <windows.h>

#include <string>

namespace {

void LeaveMark(HMODULE module, const wchar_t* suffix)
{
    wchar_t folder[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"ORVICAP_PLANTED_MARKS", folder, MAX_PATH) == 0) {
        return;
    }
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring name = path;
    name = name.substr(name.find_last_of(L'\\') + 1);
    HANDLE mark = CreateFileW((std::wstring(folder) + L"\\" + name + suffix).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark != INVALID_HANDLE_VALUE) {
        CloseHandle(mark);
    }
}

}  // namespace

#ifdef PLANTED_MARK_DLL
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        LeaveMark(instance, L".loaded");
    }
    return TRUE;
}
#else
int wmain()
{
    LeaveMark(nullptr, L".ran");
    return 0;
}
#endif
