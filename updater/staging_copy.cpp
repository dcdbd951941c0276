#include "staging_copy.h"

#include <windows.h>

#include "debug_log.h"
#include "file_system.h"
#include "path_join.h"
#include "scoped_handles.h"

// A read-only target makes the first copy fail; the second attempt is made
// whether or not an attribute was changed, since a passing lock may be gone.
static bool CopyOneFile(const std::wstring& sourcePath, const std::wstring& targetPath)
{
    if (CopyFileW(sourcePath.c_str(), targetPath.c_str(), FALSE)) {
        return true;
    }
    ClearReadOnlyAttribute(targetPath);
    if (CopyFileW(sourcePath.c_str(), targetPath.c_str(), FALSE)) {
        return true;
    }
    WriteDebugLine(CopyFailureText(targetPath, GetLastError()));
    return false;
}

static bool CopyEntry(const std::wstring& sourceRoot, const std::wstring& targetRoot,
                      const std::wstring& relativePath, const WIN32_FIND_DATAW& entry)
{
    std::wstring childPath = relativePath.empty() ? std::wstring(entry.cFileName)
                                                  : JoinPath(relativePath, entry.cFileName);
    std::wstring targetPath = JoinPath(targetRoot, childPath);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        // Usually the directory exists already; a real failure shows up as
        // failures of the files below it.
        CreateDirectoryW(targetPath.c_str(), nullptr);
        return CopyTree(sourceRoot, targetRoot, childPath);
    }
    return CopyOneFile(JoinPath(sourceRoot, childPath), targetPath);
}

bool CopyTree(const std::wstring& sourceRoot, const std::wstring& targetRoot,
              const std::wstring& relativePath)
{
    std::wstring directory = relativePath.empty() ? sourceRoot : JoinPath(sourceRoot, relativePath);
    WIN32_FIND_DATAW entry{};
    ScopedFindHandle find(FindFirstFileW(JoinPath(directory, L"*").c_str(), &entry));
    if (!find.valid()) {
        return true;  // a missing or unreadable directory has nothing to copy
    }
    bool allCopied = true;
    do {
        if (!IsDotEntry(entry.cFileName) && !CopyEntry(sourceRoot, targetRoot, relativePath, entry)) {
            allCopied = false;
        }
    } while (FindNextFileW(find.handle, &entry));
    return allCopied;
}
