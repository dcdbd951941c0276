#include "staging_copy.h"

#include <windows.h>

#include <vector>

#include "debug_log.h"
#include "owned_entry.h"
#include "path_join.h"
#include "scoped_handles.h"

namespace {

constexpr DWORD kCopyBufferSize = 65536;
// Written while the target is open without sharing, as CopyFileW would.
constexpr DWORD kWriteAccess = GENERIC_WRITE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
// Others may go on reading a staged file, but not change, rename or delete
// it while it is copied.
constexpr DWORD kReadAccess = GENERIC_READ;

// One side of the copy: where a folder is spelt for the diagnostic lines, and
// its final path once confirmed (empty when it could not be: everything
// written below it then fails).
struct TreePlace {
    std::wstring spelled;
    std::wstring finalPath;
};

TreePlace Child(const TreePlace& parent, const std::wstring& name)
{
    return {JoinPath(parent.spelled, name), parent.finalPath.empty() ? std::wstring() : parent.finalPath + L"\\" + name};
}

bool CopyData(HANDLE source, HANDLE target)
{
    std::vector<char> buffer(kCopyBufferSize);
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(source, start, nullptr, FILE_BEGIN) || !SetEndOfFile(target)) {
        return false;
    }
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source, buffer.data(), kCopyBufferSize, &read, nullptr)) {
            return false;
        }
        if (read == 0) {
            return true;
        }
        DWORD written = 0;
        if (!WriteFile(target, buffer.data(), read, &written, nullptr) || written != read) {
            return false;
        }
    }
}

// The staged file's attributes and times go with it, as CopyFileW takes them.
bool CopyBasicInfo(HANDLE source, HANDLE target)
{
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(source, FileBasicInfo, &basic, sizeof(basic))) {
        return false;
    }
    basic.ChangeTime.QuadPart = 0;  // left to the system
    basic.FileAttributes &= ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    return SetFileInformationByHandle(target, FileBasicInfo, &basic, sizeof(basic)) != 0;
}

// One attempt to write the target from the opened source.  Sets the error
// that the diagnostic line reports.
bool WriteTarget(HANDLE source, const std::wstring& targetFinalPath, DWORD& error)
{
    if (targetFinalPath.empty()) {
        error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    ScopedFileHandle target;
    const EntryCheck check = CreateOwnedFile(targetFinalPath, kWriteAccess, 0, target);
    if (check == EntryCheck::Missing) {
        error = GetLastError();
        return false;
    }
    if (check != EntryCheck::Owned) {
        error = ERROR_CANT_ACCESS_FILE;  // a link, or a path through one
        return false;
    }
    RunBeforeActHook(targetFinalPath);
    if (!CopyData(source, target.handle) || !CopyBasicInfo(source, target.handle)) {
        error = GetLastError();
        return false;
    }
    return true;
}

// A read-only target refuses the first attempt; the second one is made
// whether or not an attribute was changed, since a passing lock may be gone.
void ClearReadOnlyTarget(const std::wstring& targetFinalPath)
{
    ScopedFileHandle target;
    if (!targetFinalPath.empty() &&
        OpenOwnedEntry(targetFinalPath, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll, target) ==
            EntryCheck::Owned) {
        ClearReadOnly(target.handle);  // the next attempt shows whether it mattered
    }
}

bool CopyOneFile(HANDLE source, const TreePlace& target)
{
    DWORD error = ERROR_SUCCESS;
    if (WriteTarget(source, target.finalPath, error)) {
        return true;
    }
    ClearReadOnlyTarget(target.finalPath);
    if (WriteTarget(source, target.finalPath, error)) {
        return true;
    }
    WriteDebugLine(CopyFailureText(target.spelled, error));
    return false;
}

// The target folder, created where missing, held while its entries are
// written; an empty final path where it is not a plain folder of the tree.
TreePlace EnterTargetFolder(const TreePlace& target, ScopedFileHandle& hold)
{
    if (target.finalPath.empty() || CreateOwnedFolder(target.finalPath, hold) != EntryCheck::Owned) {
        return {target.spelled, std::wstring()};
    }
    return target;
}

bool CopyFolder(const std::wstring& sourceFinalPath, const TreePlace& target);

bool CopyEntry(const std::wstring& sourceFinalPath, const TreePlace& target, bool isFolder)
{
    ScopedFileHandle source;
    const DWORD access = isFolder ? kHoldFolderAccess : kReadAccess;
    const DWORD share = isFolder ? kHoldShare : FILE_SHARE_READ;
    const EntryCheck check = OpenOwnedEntry(sourceFinalPath, access, share, source);
    if (check == EntryCheck::Link || check == EntryCheck::Elsewhere) {
        return true;  // not part of the update: neither copied nor followed
    }
    if (check == EntryCheck::Missing) {
        if (isFolder) {
            return true;  // nothing that can be listed, nothing to copy
        }
        WriteDebugLine(CopyFailureText(target.spelled, GetLastError()));
        return false;
    }
    if (IsFolder(source.handle)) {
        ScopedFileHandle targetHold;
        return CopyFolder(sourceFinalPath, EnterTargetFolder(target, targetHold));
    }
    return CopyOneFile(source.handle, target);
}

// The source folder is held by the caller; its entries are judged one by one.
bool CopyFolder(const std::wstring& sourceFinalPath, const TreePlace& target)
{
    bool allCopied = true;
    ForEachListedEntry(sourceFinalPath, [&](const std::wstring& name, const WIN32_FIND_DATAW& found) {
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!CopyEntry(sourceFinalPath + L"\\" + name, Child(target, name), isFolder)) {
            allCopied = false;
        }
        return true;
    });
    return allCopied;  // a missing or unreadable folder has nothing to copy
}

// Opens a top folder of the copy and gives its final path, empty when it is
// a link or cannot be opened.
std::wstring OpenTopFolder(const std::wstring& path, ScopedFileHandle& hold)
{
    std::wstring finalPath;
    if (OpenOwnedRoot(path, kHoldFolderAccess, kShareAll, hold, finalPath) != EntryCheck::Owned) {
        finalPath.clear();
    }
    return finalPath;
}

}  // namespace

bool CopyTree(const std::wstring& sourceRoot, const std::wstring& targetRoot,
              const std::wstring& relativePath)
{
    ScopedFileHandle sourceHold;
    ScopedFileHandle targetHold;
    const std::wstring sourceFinalPath = OpenTopFolder(sourceRoot, sourceHold);
    if (sourceFinalPath.empty()) {
        return true;  // a missing staging directory has nothing to copy
    }
    TreePlace target{targetRoot, OpenTopFolder(targetRoot, targetHold)};
    if (relativePath.empty()) {
        return CopyFolder(sourceFinalPath, target);
    }
    return CopyEntry(sourceFinalPath + L"\\" + relativePath, Child(target, relativePath), true);
}
