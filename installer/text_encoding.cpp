#include "text_encoding.h"

#include <windows.h>

#include <vector>

static bool ConvertToWide(UINT codePage, DWORD measureFlags, const std::string& bytes, std::wstring& wide)
{
    int length = MultiByteToWideChar(codePage, measureFlags, bytes.c_str(), -1, nullptr, 0);
    if (length <= 0) {
        return false;
    }
    std::vector<wchar_t> buffer(length);
    if (MultiByteToWideChar(codePage, 0, bytes.c_str(), -1, buffer.data(), length) <= 0) {
        return false;
    }
    wide.assign(buffer.data());
    return true;
}

std::wstring Utf8ToWide(const std::string& bytes)
{
    std::wstring wide;
    if (bytes.empty()) {
        return wide;
    }
    if (ConvertToWide(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, wide) || ConvertToWide(CP_ACP, 0, bytes, wide)) {
        return wide;
    }
    return {};
}

std::string WideToUtf8(const std::wstring& text)
{
    if (text.empty()) {
        return {};
    }
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::vector<char> buffer(size);
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buffer.data(), size, nullptr, nullptr);
    return std::string(buffer.data());
}
