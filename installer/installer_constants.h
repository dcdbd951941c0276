// Product constants of the installer: names, paths, registry key, resource
// identifiers and every text the user sees, spelled exactly as shown.
#pragma once

#include <windows.h>

inline constexpr wchar_t kProductId[] = L"Orvicap";
inline constexpr wchar_t kDisplayName[] = L"维洛录屏";
inline constexpr wchar_t kPublisher[] = L"维洛电子商务有限公司";
inline constexpr wchar_t kMainProgramSubdir[] = L"bin\\64bit";
inline constexpr wchar_t kMainProgramName[] = L"Orvicap.exe";
inline constexpr wchar_t kUninstallerFileName[] = L"uninstall.exe";
inline constexpr wchar_t kInstallRecordFileName[] = L"uninstall.ini";
inline constexpr wchar_t kIconFileName[] = L"app.ico";
inline constexpr wchar_t kShortcutExtension[] = L".lnk";
inline constexpr wchar_t kFallbackProductVersion[] = L"1.0.0.0";

// The uninstall entry: HKLM, always in the 32-bit registry view.
inline constexpr wchar_t kUninstallKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvicap";

// RT_RCDATA resources of the installer.
inline constexpr WORD kPayloadResourceId = 101;
inline constexpr WORD kUninstallerResourceId = 102;
inline constexpr WORD kIconFileResourceId = 103;

inline constexpr wchar_t kStopApplicationCommand[] = L"cmd.exe /c taskkill /F /T /IM Orvicap.exe >nul 2>nul";
inline constexpr DWORD kStopApplicationWaitMs = 5000;

inline constexpr wchar_t kPayloadDamagedMessage[] = L"安装包损坏，请重新下载。";
inline constexpr wchar_t kCannotCreateInstallDirMessage[] = L"无法创建安装目录。";
inline constexpr wchar_t kExtractionFailedMessage[] = L"解压失败，请重新安装。";
inline constexpr wchar_t kAlreadyInstalledNotice[] = L"软件已经安装，不允许更换目录。";
inline constexpr wchar_t kPickFolderTitle[] = L"选择安装目录";
