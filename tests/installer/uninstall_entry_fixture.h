#pragma once

#include <windows.h>

#include <string>

#include "installer_constants.h"

// uninstall.ini as an installation writes it: the UTF-8 mark and four lines.
inline constexpr char kExpectedInstallRecord[] =
    "\xEF\xBB\xBF"
    "Name=Orvicap\r\n"
    "Subtitle=\xE7\xBB\xB4\xE6\xB4\x9B\xE5\xBD\x95\xE5\xB1\x8F\r\n"
    "ArpSubkey=Orvicap\r\n"
    "MainExe=Orvicap.exe\r\n";

// The product's uninstall entry is one machine-wide key: each test starts
// and ends without it, in both registry views.  Tests that touch it share a
// CTest resource lock so that they never run at the same time.
struct ScopedUninstallEntry {
    ScopedUninstallEntry() { Remove(); }
    ~ScopedUninstallEntry() { Remove(); }
    ScopedUninstallEntry(const ScopedUninstallEntry&) = delete;
    ScopedUninstallEntry& operator=(const ScopedUninstallEntry&) = delete;

    static void Remove()
    {
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeyPath, KEY_WOW64_32KEY, 0);
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeyPath, KEY_WOW64_64KEY, 0);
    }
};

// Writes one value into the entry in the given view, creating the key.
inline void WriteEntryValue(REGSAM view, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeyPath, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
}

inline void WriteEntryString(REGSAM view, const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ)
{
    WriteEntryValue(view, name, type, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

struct EntryValue {
    bool present = false;
    DWORD type = 0;
    std::string data;
};

inline EntryValue ReadEntryValue(REGSAM view, const wchar_t* name)
{
    EntryValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeyPath, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) {
        return value;
    }
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.resize(size);
        value.present = RegQueryValueExW(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(value.data.data()),
                                         &size) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return value;
}

inline std::string StringData(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

inline std::string DwordData(DWORD value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}
