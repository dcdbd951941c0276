#include "staging_cleanup.h"

#include <windows.h>
#include <shellapi.h>

#include "file_system.h"
#include "path_join.h"
#include "scoped_handles.h"

static void RecycleDirectory(const std::wstring& path)
{
    // pFrom is a list of paths ended by an empty one: the path's own NUL plus one more.
    std::wstring from = path;
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
    SHFileOperationW(&operation);  // best effort: a subtree that stays is left alone
}

static void DeleteStagingFile(const std::wstring& path)
{
    ClearReadOnlyAttribute(path);
    DeleteFileW(path.c_str());  // best effort, like every step of the clean-up
}

static void DeleteStagingEntries(const std::wstring& stagingDir)
{
    WIN32_FIND_DATAW entry{};
    ScopedFindHandle find(FindFirstFileW(JoinPath(stagingDir, L"*").c_str(), &entry));
    if (!find.valid()) {
        return;
    }
    do {
        if (IsDotEntry(entry.cFileName)) {
            continue;
        }
        std::wstring path = JoinPath(stagingDir, entry.cFileName);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RecycleDirectory(path);
        } else {
            DeleteStagingFile(path);
        }
    } while (FindNextFileW(find.handle, &entry));
}

void ClearStagingDir(const std::wstring& stagingDir)
{
    DeleteStagingEntries(stagingDir);
    RemoveDirectoryW(stagingDir.c_str());  // succeeds only once the directory is empty
}
