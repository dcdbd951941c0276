#include <gtest/gtest.h>

#include "staging_cleanup.h"
#include "test_files.h"

namespace {

// Wine keeps its Recycle Bin in the XDG trash; the test environment points
// XDG_DATA_HOME into the build folder.
std::wstring RecycledPath(const std::wstring& name)
{
    wchar_t buffer[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"XDG_DATA_HOME", buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    std::wstring unixPath(buffer, length);
    for (wchar_t& c : unixPath) {
        if (c == L'/') c = L'\\';
    }
    return L"Z:" + unixPath + L"\\Trash\\files\\" + name;
}

TEST(ClearStagingDir, FilesAreDeletedSubdirectoriesRecycledAndTheDirectoryRemoved)
{
    ScopedTempDir temp;
    std::wstring staging = temp / L"staging";
    std::wstring subdirName = L"recycled-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount());
    ASSERT_TRUE(CreateDirectories(staging + L"\\" + subdirName + L"\\inner"));
    ASSERT_TRUE(WriteFileBytes(staging + L"\\" + subdirName + L"\\inner\\f.dat", "x"));
    ASSERT_TRUE(WriteFileBytes(staging + L"\\" + subdirName + L".txt", "x"));
    ASSERT_TRUE(WriteFileBytes(staging + L"\\readonly.txt", "x"));
    ASSERT_TRUE(SetFileAttributesW((staging + L"\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));

    ClearStagingDir(staging);

    EXPECT_FALSE(DirectoryExists(staging));
    std::wstring recycled = RecycledPath(subdirName);
    if (recycled.empty()) {
        GTEST_SKIP() << "XDG_DATA_HOME is not set: the Recycle Bin cannot be looked at";
    }
    EXPECT_TRUE(FileExists(recycled + L"\\inner\\f.dat")) << "subdirectories go to the Recycle Bin";
    EXPECT_FALSE(FileExists(RecycledPath(subdirName + L".txt"))) << "files are deleted outright";
    RemoveTree(recycled);
}

TEST(ClearStagingDir, MissingStagingDirectoryIsLeftAlone)
{
    ScopedTempDir temp;
    ClearStagingDir(temp / L"absent");
    EXPECT_TRUE(DirectoryExists(temp.path));
}

}  // namespace
