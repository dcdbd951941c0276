#include "hand_off.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "standin_constants.h"

static std::wstring ModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

static std::wstring ParentOf(const std::wstring& path)
{
    size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

static bool LastComponentIs(const std::wstring& path, const wchar_t* name)
{
    std::wstring last = path.substr(path.find_last_of(L"\\/") + 1);
    return CompareStringOrdinal(last.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
}

InstallLocation LocateInstallation()
{
    InstallLocation location;
    location.programFolder = ParentOf(ModulePath());
    std::wstring binFolder = ParentOf(location.programFolder);
    location.installRoot = ParentOf(binFolder);
    // A drive root keeps its backslash: "C:" alone names a current directory.
    if (location.installRoot.size() == 2 && location.installRoot[1] == L':') {
        location.installRoot += L'\\';
    }
    location.installed = !location.installRoot.empty() && LastComponentIs(location.programFolder, kProgramFolder) &&
                         LastComponentIs(binFolder, kProgramFolderParent);
    return location;
}

// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
static std::wstring QuoteArgument(const std::wstring& argument)
{
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count double only where a quote follows them.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

static std::wstring TempFolder()
{
    std::wstring folder(MAX_PATH + 1, L'\0');
    folder.resize(GetTempPathW(static_cast<DWORD>(folder.size()), folder.data()));
    while (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    return folder;
}

// A folder nobody else uses: one left over from an earlier run of a process
// with the same id would carry its files into this update.
static bool CreateFreshFolder(const std::wstring& base, std::wstring& created)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate = attempt == 0 ? base : base + L"-" + std::to_wstring(attempt);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            created = candidate;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return false;
}

static std::string UpdateFileContent()
{
    SYSTEMTIME now{};
    GetSystemTime(&now);
    char text[160] = {};
    std::snprintf(text, sizeof(text), "%s\r\nstaged %04u-%02u-%02uT%02u:%02u:%02uZ by process %lu\r\n",
                  kUpdateFileHeading, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                  GetCurrentProcessId());
    return text;
}

static bool WriteNewFile(const std::wstring& path, const std::string& content)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
              written == content.size();
    CloseHandle(file);
    return ok;
}

// The staging tree: <staging>\bin\64bit\standin-update.txt.
struct StagingTree {
    std::wstring root;
    std::wstring binFolder;
    std::wstring programFolder;
    std::wstring file;
};

static bool CreateStagingTree(const std::wstring& base, StagingTree& tree)
{
    if (!CreateFreshFolder(base, tree.root)) {
        return false;
    }
    tree.programFolder = tree.root + L"\\" + kUpdateFolder;
    tree.binFolder = ParentOf(tree.programFolder);
    tree.file = tree.programFolder + L"\\" + kUpdateFileName;
    return CreateDirectoryW(tree.binFolder.c_str(), nullptr) && CreateDirectoryW(tree.programFolder.c_str(), nullptr) &&
           WriteNewFile(tree.file, UpdateFileContent());
}

static void RemoveStagingTree(const StagingTree& tree)
{
    if (tree.root.empty()) {
        return;
    }
    DeleteFileW(tree.file.c_str());
    RemoveDirectoryW(tree.programFolder.c_str());
    RemoveDirectoryW(tree.binFolder.c_str());
    RemoveDirectoryW(tree.root.c_str());
}

// Through the shell, so that Windows asks for the elevation the updater's
// manifest requires; CreateProcess would fail with ERROR_ELEVATION_REQUIRED.
static DWORD StartUpdater(const std::wstring& updater, const std::wstring& parameters, const std::wstring& folder)
{
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    // The caller exits right after: the start must be complete on return.
    execute.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    execute.lpFile = updater.c_str();
    execute.lpParameters = parameters.c_str();
    execute.lpDirectory = folder.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&execute)) {
        DWORD error = GetLastError();
        return error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error;
    }
    return ERROR_SUCCESS;
}

HandOffResult StartUpdateHandOff()
{
    HandOffResult result;
    InstallLocation location = LocateInstallation();
    if (!location.installed) {
        result.problem = kNotInstalledText + location.programFolder;
        return result;
    }
    std::wstring updater = location.programFolder + L"\\" + kUpdaterName;
    if (GetFileAttributesW(updater.c_str()) == INVALID_FILE_ATTRIBUTES) {
        result.problem = kUpdaterMissingText + updater;
        return result;
    }
    std::wstring stagingBase = TempFolder() + L"\\" + kStagingPrefix + std::to_wstring(GetCurrentProcessId());
    StagingTree tree;
    if (!CreateStagingTree(stagingBase, tree)) {
        DWORD error = GetLastError();
        RemoveStagingTree(tree);
        result.problem = kStagingFailedText + stagingBase + kErrorNumberText + std::to_wstring(error);
        return result;
    }
    std::wstring parameters = L"--pid " + std::to_wstring(GetCurrentProcessId()) + L" --install-root " +
                              QuoteArgument(location.installRoot) + L" --staging-dir " + QuoteArgument(tree.root);
    DWORD error = StartUpdater(updater, parameters, location.programFolder);
    if (error != ERROR_SUCCESS) {
        RemoveStagingTree(tree);
        result.problem = kUpdaterStartFailedText + updater + kErrorNumberText + std::to_wstring(error);
        return result;
    }
    result.started = true;
    return result;
}
