// Product constants of the stand-in application: its names, switches and the
// texts it shows, each spelled exactly as the user or a test sees it.
#pragma once

#include <windows.h>

#include "standin_version.h"

inline constexpr wchar_t kDisplayName[] = L"维洛录屏";
inline constexpr wchar_t kProductId[] = L"Orvicap";
inline constexpr wchar_t kVersionText[] = L"" ORVICAP_VERSION_TEXT;

inline constexpr wchar_t kWindowClass[] = L"OrvicapStandInWindow";
inline constexpr int kHandOffButtonId = 101;

inline constexpr wchar_t kRecordVariable[] = L"ORVICAP_STANDIN_RECORD";
inline constexpr wchar_t kExitAfterRecordSwitch[] = L"--exit-after-record";
inline constexpr wchar_t kHandOffSwitch[] = L"--hand-off";

// Where the program sits in an installation: <install root>\bin\64bit.
inline constexpr wchar_t kProgramFolder[] = L"64bit";
inline constexpr wchar_t kProgramFolderParent[] = L"bin";
inline constexpr wchar_t kUpdaterName[] = L"VLUpdater.exe";
inline constexpr wchar_t kStagingPrefix[] = L"Orvicap-update-";
// The one changed file of the demonstration update, relative to the install root.
inline constexpr wchar_t kUpdateFolder[] = L"bin\\64bit";
inline constexpr wchar_t kUpdateFileName[] = L"standin-update.txt";
inline constexpr char kUpdateFileHeading[] = "Orvicap stand-in update";

inline constexpr wchar_t kProductIdLabel[] = L"产品标识：";
inline constexpr wchar_t kVersionLabel[] = L"版本：";
inline constexpr wchar_t kFolderLabel[] = L"位置：";
inline constexpr wchar_t kInstalledNote[] = L"安装成功。这是安装包自带的演示程序。";
inline constexpr wchar_t kHandOffButtonText[] = L"演示更新(&U)";
inline constexpr wchar_t kUiFontFace[] = L"Microsoft YaHei";

inline constexpr wchar_t kNotInstalledText[] = L"演示更新需要在安装目录中运行：Orvicap.exe 应位于 bin\\64bit 文件夹。当前位置：";
inline constexpr wchar_t kUpdaterMissingText[] = L"找不到更新程序：";
inline constexpr wchar_t kStagingFailedText[] = L"无法创建更新暂存目录：";
inline constexpr wchar_t kUpdaterStartFailedText[] = L"无法启动更新程序：";
inline constexpr wchar_t kErrorNumberText[] = L"  错误代码 ";

// Exit codes of the stand-in process.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRecordFailed = 1;
inline constexpr int kExitHandOffFailed = 2;
inline constexpr int kExitWindowFailed = 3;
