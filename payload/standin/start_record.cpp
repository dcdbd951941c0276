#include "start_record.h"

#include <windows.h>

#include <string>

#include "standin_constants.h"

static std::wstring EnvironmentValue(const wchar_t* name)
{
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return L"";
    }
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

static std::wstring CurrentDirectory()
{
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring directory(size, L'\0');
    directory.resize(GetCurrentDirectoryW(size, directory.data()));
    return directory;
}

static std::string ToUtf8(const std::wstring& text)
{
    if (text.empty()) {
        return {};
    }
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr, nullptr);
    return utf8;
}

bool AppendStartRecord()
{
    std::wstring path = EnvironmentValue(kRecordVariable);
    if (path.empty()) {
        return true;
    }
    // Append-only access makes each write land whole at the end, even while
    // the updater's restart of this program appends its own line.
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::string line = ToUtf8(std::wstring(GetCommandLineW()) + L"\t" + CurrentDirectory() + L"\n");
    DWORD written = 0;
    bool ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
              written == line.size();
    CloseHandle(file);
    return ok;
}
