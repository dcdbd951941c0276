#include "uninstall_config.h"

#include <windows.h>
#include <shlwapi.h>

#include <new>
#include <string_view>

#include "uninstaller_constants.h"

namespace {

std::wstring Utf8ToWide(const std::string& text)
{
    if (text.empty()) {
        return std::wstring();
    }
    int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (size <= 1) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(size - 1), L'\0');
    if (MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), size) == 0) {
        return std::wstring();
    }
    return wide;
}

bool IsCommentStart(char c)
{
    return c == '#' || c == ';' || c == '[';
}

// Spaces and tabs in front, and spaces, tabs, CR and LF behind, left off.
std::string_view TrimmedView(std::string_view token)
{
    const size_t first = token.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = token.find_last_not_of(" \t\r\n");
    return last == std::string_view::npos || last < first ? std::string_view() : token.substr(first, last - first + 1);
}

// The value of this line when its key is the one asked for.  The line is
// looked at in place: a record line may be hundreds of megabytes long, and
// only the value asked for is ever copied.
bool MatchRecordLine(std::string_view line, const std::string& key, std::string_view& value)
{
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.empty() || IsCommentStart(line.front())) {
        return false;
    }
    size_t separator = line.find('=');
    if (separator == std::string_view::npos || TrimmedView(line.substr(0, separator)) != key) {
        return false;
    }
    value = TrimmedView(line.substr(separator + 1));
    return true;
}

}  // namespace

std::wstring OwnModulePath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring DirectoryOfPath(const std::wstring& path)
{
    wchar_t buffer[MAX_PATH] = {};
    lstrcpynW(buffer, path.c_str(), MAX_PATH);
    PathRemoveFileSpecW(buffer);
    return buffer;
}

bool ReadRecordFile(const std::wstring& path, std::string& content)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return false;
    }
    // The record is read whole, in one ReadFile of a 32-bit count.  A file
    // too large for that, or for this process's memory, is no record.
    std::string bytes;
    if (size.QuadPart >= kRecordSizeLimit || static_cast<ULONGLONG>(size.QuadPart) > bytes.max_size()) {
        CloseHandle(file);
        return false;
    }
    const DWORD wanted = static_cast<DWORD>(size.QuadPart);
    try {
        bytes.resize(wanted);
    } catch (const std::bad_alloc&) {
        CloseHandle(file);
        return false;
    }
    DWORD read = 0;
    // A failed read leaves what it got, possibly nothing: the record then
    // simply lacks its keys.
    ReadFile(file, bytes.data(), wanted, &read, nullptr);
    CloseHandle(file);
    bytes.resize(read < wanted ? read : wanted);
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF) {
        bytes.erase(0, 3);
    }
    content = std::move(bytes);
    return true;
}

std::wstring FindRecordValue(const std::string& content, const std::string& key)
{
    const std::string_view all(content);
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find('\n', start);
        size_t length = (end == std::string_view::npos ? all.size() : end) - start;
        std::string_view value;
        if (MatchRecordLine(all.substr(start, length), key, value)) {
            return Utf8ToWide(std::string(value));
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return std::wstring();
}

void TrimRecordToken(std::string& token)
{
    token = std::string(TrimmedView(token));
}

bool LoadUninstallConfig(const std::wstring& installDir, UninstallConfig& config)
{
    // A value too large to copy or convert is a record that cannot be held,
    // which counts as no record at all.
    try {
        std::string content;
        if (!ReadRecordFile(installDir + L"\\" + kInstallRecordFileName, content)) {
            return false;
        }
        config.name = FindRecordValue(content, "Name");
        config.subtitle = FindRecordValue(content, "Subtitle");
        config.arpSubkey = FindRecordValue(content, "ArpSubkey");
        config.mainExe = FindRecordValue(content, "MainExe");
    } catch (const std::bad_alloc&) {
        config = UninstallConfig();
        return false;
    }
    return !config.name.empty();
}
