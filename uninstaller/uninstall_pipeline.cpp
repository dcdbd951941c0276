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

int FirstPassPercent(unsigned long long done, unsigned long long total)
{
    unsigned long long percent = total == 0 ? 100 : done * 100 / total;
    return percent < 99 ? static_cast<int>(percent) : 99;
}

// Characters that make a name more than one plain file name on taskkill's
// command line: blanks split it into further arguments, '/' starts a switch,
// '*' and '?' are wildcards, a backslash or ':' makes a path, and the rest
// are what cmd.exe acts on before taskkill sees anything.
constexpr wchar_t kImageNameRefusedCharacters[] = L" \\/:*?&|<>^\"%!(),;=`";

bool IsRefusedInImageName(wchar_t c)
{
    return c < L' ' || c == 0x7F || wcschr(kImageNameRefusedCharacters, c) != nullptr;
}

}  // namespace

void DeleteInstallTree(const std::wstring& installDir, const std::wstring& excludedPath, UninstallerState& state,
                       HWND window)
{
    // Held for the whole removal; a directory that is a link, or cannot be
    // opened, has nothing the removal may delete.
    RemovalRoot root;
    std::vector<FileEntry> files;
    if (OpenRemovalRoot(installDir, root) == EntryCheck::Owned) {
        CollectFiles(root.path, excludedPath, files);
    }
    unsigned long long total = 0;
    for (const FileEntry& entry : files) {
        total += entry.size;
    }
    unsigned long long done = 0;
    for (const FileEntry& entry : files) {
        // The window is repainted and other messages handled between
        // entries: each one is judged again when it goes.
        DeleteTreeEntry(root, entry);
        done += entry.size;
        state.progress = FirstPassPercent(done, total);
        Repaint(window);
        PumpMessages();
    }
    DeleteRemainingDirectories(root, excludedPath);
    state.progress = 100;
}

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
