#include "debug_log.h"

#include "updater_constants.h"

void WriteDebugLine(const std::wstring& text)
{
    OutputDebugStringW(kDebugLinePrefix);
    OutputDebugStringW(text.c_str());
    OutputDebugStringW(L"\n");
}

// The error number is the unsigned 32-bit value in plain decimal.
static std::wstring FailureText(const wchar_t* what, const std::wstring& path, DWORD error)
{
    return what + path + kErrorNumberText + std::to_wstring(static_cast<unsigned long>(error));
}

std::wstring CopyFailureText(const std::wstring& targetPath, DWORD error)
{
    return FailureText(kCopyFailedText, targetPath, error);
}

std::wstring RestartFailureText(const std::wstring& programPath, DWORD error)
{
    return FailureText(kCreateProcessFailedText, programPath, error);
}
