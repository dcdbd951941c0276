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

// The window mode: its class, its single-instance mutex (session-local) and
// the box a second start shows.
inline constexpr wchar_t kInstallerWindowClass[] = L"VelorinVidronaInstallerWnd";
inline constexpr wchar_t kInstanceMutexName[] = L"Local\\Velorin.Installer.Orvicap.Running";
inline constexpr wchar_t kAlreadyRunningMessage[] = L"安装程序正在运行，请勿重复点击。";

// Either switch, in any letter case and anywhere after the program name,
// selects the uninstall mode.
inline constexpr wchar_t kUninstallSwitch[] = L"/uninstall";
inline constexpr wchar_t kUninstallLongSwitch[] = L"--uninstall";

// Texts of the window.  The small title reads Orvicap V<version> 安装.
inline constexpr wchar_t kTitleVersionPrefix[] = L" V";
inline constexpr wchar_t kTitleSuffix[] = L" 安装";
inline constexpr wchar_t kInstallButtonText[] = L"一键安装";
inline constexpr wchar_t kAgreementLabel[] = L"已阅读并同意";
inline constexpr wchar_t kLicenseLinkText[] = L"最终用户许可协议";
inline constexpr wchar_t kCustomInstallText[] = L"自定义安装";
inline constexpr wchar_t kInstallLocationLabel[] = L"安装位置：";
inline constexpr wchar_t kChangeDirText[] = L"更改目录...";
inline constexpr wchar_t kAgreeFirstMessage[] = L"请先阅读并同意协议。";
inline constexpr wchar_t kInstallCompleteMessage[] = L"安装完成！";

// The uninstall mode's boxes; the confirmation is prefix + kProductId + suffix.
inline constexpr wchar_t kNothingToUninstallMessage[] = L"未检测到安装信息，无需卸载。";
inline constexpr wchar_t kUninstallConfirmPrefix[] = L"确定要完全卸载 ";
inline constexpr wchar_t kUninstallConfirmSuffix[] = L" 吗？\n\n卸载后安装目录下的所有文件将被删除。";
inline constexpr wchar_t kUninstallCompleteMessage[] = L"卸载完成！";
// cmd.exe's parameters for deleting the installer's own file about a second
// after it has ended: followed by the file's path and a closing quote.
inline constexpr wchar_t kSelfDeleteParameters[] = L"/c ping 127.0.0.1 -n 2 >nul & del \"";
