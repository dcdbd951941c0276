#pragma once

#include <windows.h>

#include <string>

#include "test_files.h"
#include "test_processes.h"

// Wine prefers its own build of a system DLL wherever a native one lies.
// Told to prefer a native one for a program (the per-program DllOverrides of
// its registry), it searches for it the way Windows does, so that a copy
// planted beside the program is found wherever Windows would find it.
// Windows ignores the key.
struct ScopedNativeDll {
    std::wstring key;

    ScopedNativeDll(const std::wstring& programName, const wchar_t* dllName)
        : key(L"Software\\Wine\\AppDefaults\\" + programName)
    {
        HKEY overrides = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, (key + L"\\DllOverrides").c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &overrides, nullptr) != ERROR_SUCCESS) {
            return;
        }
        const wchar_t order[] = L"native,builtin";
        RegSetValueExW(overrides, dllName, 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof(order));
        RegCloseKey(overrides);
    }
    ~ScopedNativeDll() { RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str()); }
    ScopedNativeDll(const ScopedNativeDll&) = delete;
    ScopedNativeDll& operator=(const ScopedNativeDll&) = delete;
};

// The control of a planted-DLL test, without which the test could not fail:
// a copy of the search-order probe in folder, told to prefer a native
// <dllName>.dll, loads it by name with the default search order, and so
// loads a copy planted there.  False when the probe could not run.
inline bool LoadByNameFromFolder(const std::wstring& folder, const wchar_t* dllName)
{
    const std::wstring probe = folder + L"\\search_order_probe.exe";
    if (!CopyFileW((ModuleDirectory() + L"\\search_order_probe.exe").c_str(), probe.c_str(), FALSE)) {
        return false;
    }
    bool ran = false;
    {
        ScopedNativeDll nativeForProbe(L"search_order_probe.exe", dllName);
        StartedProcess loader;
        ran = StartProcess(L"\"" + probe + L"\" --load " + dllName + L".dll", loader) && loader.WaitForExit(10000);
    }
    return DeleteFileW(probe.c_str()) && ran;
}
