// Product constants of the updater: the texts it shows, its defaults and its
// timings.  Each text is spelled exactly as the user sees it.
#pragma once

#include <windows.h>

inline constexpr wchar_t kUpdaterCaption[] = L"VLUpdater";

inline constexpr wchar_t kUsageMessage[] =
    L"参数无效。用法：VLUpdater.exe --pid <pid> --install-root <path> --staging-dir <path> --exe-subdir <subdir> --restart <exe>";
inline constexpr wchar_t kWaitTimedOutMessage[] = L"等待主程序退出超时，更新中止。";
inline constexpr wchar_t kPartialCopyMessage[] =
    L"部分文件覆盖失败，请关闭所有 Orvicap 进程后重试，或手动从官网下载。";
inline constexpr wchar_t kRestartFailedMessage[] = L"更新已完成，但自动重启失败，请手动启动 Orvicap。";

inline constexpr wchar_t kPidOption[] = L"--pid";
inline constexpr wchar_t kInstallRootOption[] = L"--install-root";
inline constexpr wchar_t kStagingDirOption[] = L"--staging-dir";
inline constexpr wchar_t kExeSubdirOption[] = L"--exe-subdir";
inline constexpr wchar_t kRestartOption[] = L"--restart";

inline constexpr wchar_t kDefaultExeSubdir[] = L"bin/64bit";
inline constexpr wchar_t kDefaultRestartExe[] = L"Orvicap.exe";

inline constexpr wchar_t kDebugLinePrefix[] = L"[VLUpdater] ";
inline constexpr wchar_t kCopyFailedText[] = L"CopyFile failed: ";
inline constexpr wchar_t kCreateProcessFailedText[] = L"CreateProcess failed: ";
inline constexpr wchar_t kErrorNumberText[] = L"  err=";

inline constexpr DWORD kWaitForExitMs = 60000;
inline constexpr DWORD kPauseBeforeCopyMs = 500;

// Exit codes of the updater process.
inline constexpr int kExitRestarted = 0;
inline constexpr int kExitInvalidArguments = 1;
inline constexpr int kExitWaitTimedOut = 2;
inline constexpr int kExitRestartFailed = 3;
