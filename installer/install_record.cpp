#include "install_record.h"

#include <shlwapi.h>

#include "file_writing.h"
#include "install_location.h"
#include "installer_constants.h"
#include "text_encoding.h"

void WriteRecordLine(HANDLE file, const char* key, const std::wstring& value)
{
    std::string line = std::string(key) + "=" + WideToUtf8(value) + "\r\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);  // best effort
}

void WriteInstallRecord(const std::wstring& installDir)
{
    HANDLE file = CreateFileForWriting((installDir + L"\\" + kInstallRecordFileName).c_str());
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    static const char kByteOrderMark[] = "\xEF\xBB\xBF";
    DWORD written = 0;
    WriteFile(file, kByteOrderMark, 3, &written, nullptr);
    WriteRecordLine(file, "Name", kProductId);
    WriteRecordLine(file, "Subtitle", kDisplayName);
    WriteRecordLine(file, "ArpSubkey", kProductId);
    WriteRecordLine(file, "MainExe", kMainProgramName);
    CloseHandle(file);
}

namespace {

// String data is stored with its terminating NUL.
void SetStringValue(HKEY key, const wchar_t* name, const std::wstring& data)
{
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

void SetDwordValue(HKEY key, const wchar_t* name, DWORD data)
{
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}

}  // namespace

bool RegisterUninstallEntry(const std::wstring& installDir, const InstallerState& state)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    // Single values that fail are not reported: the entry only helps Windows
    // list the product and the next installer run find it.
    SetStringValue(key, L"DisplayName", kProductId);
    SetStringValue(key, L"DisplayVersion", state.productVersion);
    SetStringValue(key, L"InstallLocation", installDir);
    SetStringValue(key, L"UninstallString", L"\"" + installDir + L"\\" + kUninstallerFileName + L"\"");
    SetStringValue(key, L"DisplayIcon", installDir + L"\\" + kIconFileName);
    SetStringValue(key, L"Publisher", kPublisher);
    SetDwordValue(key, L"NoModify", 1);
    SetDwordValue(key, L"NoRepair", 1);
    RegCloseKey(key);
    return true;
}

bool FindInstalledDir(std::wstring& installDir)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeyPath, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t location[MAX_PATH] = {};
    DWORD size = sizeof(location);
    DWORD type = 0;
    LSTATUS status = RegQueryValueExW(key, L"InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(location), &size);
    RegCloseKey(key);
    // A value that filled the buffer to the last character had no room for
    // its terminator and counts as too long.
    if (status != ERROR_SUCCESS || type != REG_SZ || location[MAX_PATH - 1] != L'\0') {
        return false;
    }
    std::wstring found = location;
    if (!PathFileExistsW(MainProgramPath(found).c_str())) {
        return false;
    }
    installDir = found;
    return true;
}
