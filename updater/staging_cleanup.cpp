#include "staging_cleanup.h"

#include "owned_entry.h"
#include "scoped_handles.h"

EntryCheck HoldStagingDir(const std::wstring& stagingDir, RemovalRoot& staging)
{
    return OpenRemovalRoot(stagingDir, staging);
}

bool IsStillStagingDir(const RemovalRoot& staging)
{
    ScopedFileHandle again;
    std::wstring finalPath;
    return OpenOwnedRoot(staging.path, FILE_READ_ATTRIBUTES, kShareAll, again, finalPath) == EntryCheck::Owned &&
           finalPath == staging.finalPath && SameEntry(again.handle, staging.hold.handle);
}

void ClearStagingDir(RemovalRoot& staging)
{
    DeleteHeldTree(staging);
}
