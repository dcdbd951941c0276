#include "uninstall_pipeline.h"

#include <shellapi.h>

#include <cwchar>

#include "message_pump.h"
#include "system_paths.h"
#include "uninstaller_constants.h"

namespace {

void Repaint(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

bool IsDotEntry(const wchar_t* name)
{
    return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

bool IsReparsePoint(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsDirectory(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

// A link is removed as the link: RemoveDirectoryW on a junction or directory
// symbolic link and DeleteFileW on a file symbolic link leave the target
// alone.  Its attributes are not reset first, since SetFileAttributesW would
// reach through the link and change the target's.
void DeleteEntry(const FileEntry& entry)
{
    if (IsReparsePoint(entry.attributes)) {
        if (IsDirectory(entry.attributes)) {
            RemoveDirectoryW(entry.path.c_str());
        } else {
            DeleteFileW(entry.path.c_str());
        }
        return;
    }
    // Read-only, hidden and system files would refuse the deletion.
    SetFileAttributesW(entry.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A file in use stays; its bytes count as done all the same.
    DeleteFileW(entry.path.c_str());
}

int FirstPassPercent(unsigned long long done, unsigned long long total)
{
    unsigned long long percent = total == 0 ? 100 : done * 100 / total;
    return percent < 99 ? static_cast<int>(percent) : 99;
}

// Whether a reparse point lies anywhere below the directory (links are not
// descended into).  Such a link is one the first pass failed to remove.
bool HoldsReparsePoint(const std::wstring& directory)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool holds = false;
    do {
        if (IsDotEntry(found.cFileName)) {
            continue;
        }
        holds = IsReparsePoint(found.dwFileAttributes) ||
                (IsDirectory(found.dwFileAttributes) && HoldsReparsePoint(directory + L"\\" + found.cFileName));
    } while (!holds && FindNextFileW(search, &found));
    FindClose(search);
    return holds;
}

// SHFileOperationW walks the whole tree it is given, and would walk through a
// link inside it into the link's target; a directory that still holds a link
// is therefore left in place instead.
void DeleteRemainingDirectory(const std::wstring& path, DWORD attributes)
{
    if (IsReparsePoint(attributes)) {
        RemoveDirectoryW(path.c_str());
        return;
    }
    if (HoldsReparsePoint(path)) {
        return;
    }
    std::wstring from = path;
    from.append(2, L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    // A directory that cannot be deleted stays, silently.
    SHFileOperationW(&operation);
}

void DeleteTopLevelDirectories(const std::wstring& installDir, const std::wstring& excludedPath)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((installDir + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (IsDotEntry(found.cFileName)) {
            continue;
        }
        std::wstring path = installDir + L"\\" + found.cFileName;
        if (!SamePath(path, excludedPath) && IsDirectory(found.dwFileAttributes)) {
            DeleteRemainingDirectory(path, found.dwFileAttributes);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

void CollectFiles(const std::wstring& directory, const std::wstring& excludedPath, std::vector<FileEntry>& files)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (IsDotEntry(found.cFileName)) {
            continue;
        }
        std::wstring path = directory + L"\\" + found.cFileName;
        if (SamePath(path, excludedPath)) {
            continue;
        }
        // A junction or directory link may lead out of the install
        // directory: it is listed itself, never descended into.
        if (IsDirectory(found.dwFileAttributes) && !IsReparsePoint(found.dwFileAttributes)) {
            CollectFiles(path, excludedPath, files);
            continue;
        }
        unsigned long long size = IsDirectory(found.dwFileAttributes)
                                      ? 0
                                      : (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) |
                                            found.nFileSizeLow;
        files.push_back(FileEntry{path, size, found.dwFileAttributes});
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

void DeleteInstallTree(const std::wstring& installDir, const std::wstring& excludedPath, UninstallerState& state,
                       HWND window)
{
    std::vector<FileEntry> files;
    CollectFiles(installDir, excludedPath, files);
    unsigned long long total = 0;
    for (const FileEntry& entry : files) {
        total += entry.size;
    }
    unsigned long long done = 0;
    for (const FileEntry& entry : files) {
        DeleteEntry(entry);
        done += entry.size;
        state.progress = FirstPassPercent(done, total);
        Repaint(window);
        PumpMessages();
    }
    DeleteTopLevelDirectories(installDir, excludedPath);
    state.progress = 100;
}

namespace {

// Characters that make a name more than one plain file name on taskkill's
// command line: blanks split it into further arguments, '/' starts a switch,
// '*' and '?' are wildcards, '\\' and ':' make a path, and the rest are
// what cmd.exe acts on before taskkill sees anything.
constexpr wchar_t kImageNameRefusedCharacters[] = L" \\/:*?&|<>^\"%!(),;=`";

bool IsRefusedInImageName(wchar_t c)
{
    return c < L' ' || c == 0x7F || wcschr(kImageNameRefusedCharacters, c) != nullptr;
}

}  // namespace

bool IsPlainImageName(const std::wstring& imageName)
{
    // A leading '-' is read as a switch as well as a leading '/'.
    if (imageName.empty() || imageName.front() == L'-') {
        return false;
    }
    for (wchar_t c : imageName) {
        if (IsRefusedInImageName(c)) {
            return false;
        }
    }
    return true;
}

CommandStart StopMainExeCommand(const std::wstring& imageName)
{
    return CommandStart{SystemProgramPath(kCommandInterpreter),
                        kStopCommandBeforeName + imageName + kStopCommandAfterName, SystemDirectory()};
}

void StopMainExe(const std::wstring& imageName)
{
    // The name comes from a file that others may be able to write and goes
    // unquoted into the command line of an elevated cmd.exe: anything but a
    // plain file name (a second /IM, a wildcard, a path) is not run at all,
    // as if the record had named no program.
    if (!IsPlainImageName(imageName)) {
        return;
    }
    CommandStart command = StopMainExeCommand(imageName);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(command.applicationName.c_str(), command.commandLine.data(), nullptr, nullptr, FALSE,
                       CREATE_NO_WINDOW, nullptr, command.currentDirectory.c_str(), &startup, &process)) {
        // A taskkill still running after the wait is left to itself; a file
        // it keeps open simply survives the deletion.
        WaitForSingleObject(process.hProcess, kStopMainExeWaitMs);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
}

void DeleteUninstallEntry(const std::wstring& subkey)
{
    if (subkey.empty()) {
        return;
    }
    std::wstring keyPath = kUninstallKeyParent + subkey;
    // A missing key, or one that cannot be deleted, is no reason to stop.
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_WOW64_32KEY, 0);
}

ShellStart SelfDeleteCommand(const std::wstring& ownPath, const std::wstring& installDir)
{
    std::wstring parameters = kSelfDeleteBeforeOwnPath + ownPath + kSelfDeleteBeforeInstallDir + installDir +
                              kSelfDeleteEnd;
    return ShellStart{L"open", SystemProgramPath(kCommandInterpreter), parameters, SystemDirectory(), SW_HIDE};
}

void ScheduleSelfDelete(const std::wstring& ownPath, const std::wstring& installDir)
{
    ShellStart start = SelfDeleteCommand(ownPath, installDir);
    // Without the interpreter the uninstaller and the directory simply remain.
    ShellExecuteW(nullptr, start.verb.c_str(), start.file.c_str(), start.parameters.c_str(), start.directory.c_str(),
                  start.show);
}

void RunUninstallPipeline(HWND window, UninstallerState& state)
{
    state.statusText = kStatusClosingPrograms;
    Repaint(window);
    PumpMessages();
    StopMainExe(state.mainExe);
    // The first deleted file repaints with this text.
    state.statusText = kStatusDeletingFiles;
    DeleteInstallTree(state.installDir, state.selfPath, state, window);
    state.statusText = kStatusCleaningRegistry;
    Repaint(window);
    PumpMessages();
    DeleteUninstallEntry(state.arpSubkey);
    // No pump after the last repaint: the window's closing timer follows.
    state.statusText = kStatusDone;
    Repaint(window);
    ScheduleSelfDelete(state.selfPath, state.installDir);
}
