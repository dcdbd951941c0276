// Texts and names of the uninstaller.  Nothing about the product is built in:
// its name, registry key and main program come from the installation record.
#pragma once

#include <windows.h>

inline constexpr wchar_t kInstallRecordFileName[] = L"uninstall.ini";
inline constexpr wchar_t kIconFileName[] = L"app.ico";

// The uninstall entries of all products; the record's ArpSubkey names one
// key below it, always in the 32-bit registry view.
inline constexpr wchar_t kUninstallKeyParent[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

inline constexpr wchar_t kWindowClassName[] = L"VelorinVidronaUninstallerWnd";
inline constexpr wchar_t kHeaderSmallTitle[] = L"卸载";

inline constexpr wchar_t kRecordMissingMessage[] = L"未找到卸载配置文件 uninstall.ini，无法卸载。";
inline constexpr wchar_t kRecordMissingCaption[] = L"卸载";
// The confirmation question is these two pieces around the product's name.
inline constexpr wchar_t kConfirmTextBeforeName[] = L"确定要完全卸载 ";
inline constexpr wchar_t kConfirmTextAfterName[] = L" 吗？" L"\n\n" L"卸载后安装目录下的所有文件将被删除。";

inline constexpr wchar_t kStatusClosingPrograms[] = L"正在关闭程序...";
inline constexpr wchar_t kStatusDeletingFiles[] = L"正圠删除文件...";
inline constexpr wchar_t kStatusCleaningRegistry[] = L"正圠清理注册表...";
inline constexpr wchar_t kStatusDone[] = L"卸载完成！";

// The record is read whole with a 32-bit count: a file of 2 GiB or more
// counts as no record at all.
inline constexpr LONGLONG kRecordSizeLimit = 2LL * 1024 * 1024 * 1024;

// Stopping the application: cmd.exe /c taskkill with the record's MainExe
// between these two pieces, waited for at most kStopMainExeWaitMs.
inline constexpr wchar_t kCommandInterpreter[] = L"cmd.exe";
inline constexpr wchar_t kStopCommandBeforeName[] = L"cmd.exe /c taskkill /F /T /IM ";
inline constexpr wchar_t kStopCommandAfterName[] = L" >nul 2>nul";
inline constexpr DWORD kStopMainExeWaitMs = 5000;

// The self-deletion command's parameters: these pieces around the
// uninstaller's own path and the install directory.  The two pings take
// about a second, by which time the uninstaller has ended.
inline constexpr wchar_t kSelfDeleteBeforeOwnPath[] = L"/c ping 127.0.0.1 -n 2 >nul & del \"";
inline constexpr wchar_t kSelfDeleteBeforeInstallDir[] = L"\" & rmdir \"";
inline constexpr wchar_t kSelfDeleteEnd[] = L"\"";
