#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

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

// The names of a folder's entries, in listing order.
std::vector<std::wstring> EntriesOf(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry{};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (wcscmp(entry.cFileName, L".") != 0 && wcscmp(entry.cFileName, L"..") != 0) {
            names.push_back(entry.cFileName);
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return names;
}

// Nothing to list and nothing to remove: the folder that would have held it
// keeps all it has, names that begin like the missing one included, and no
// directory of that name appears.
TEST(ClearStagingDir, MissingStagingDirectoryIsLeftAlone)
{
    ScopedTempDir temp;
    ASSERT_TRUE(WriteFileBytes(temp / L"staging.txt", "kept"));
    ASSERT_TRUE(CreateDirectories(temp / L"staging-old\\inner"));
    ASSERT_TRUE(WriteFileBytes(temp / L"staging-old\\inner\\f.dat", "kept"));
    const std::vector<std::wstring> before = EntriesOf(temp.path);

    ClearStagingDir(temp / L"staging");

    EXPECT_EQ(EntriesOf(temp.path), before);
    EXPECT_FALSE(DirectoryExists(temp / L"staging"));
    EXPECT_EQ(ReadFileBytes(temp / L"staging.txt"), "kept");
    EXPECT_EQ(ReadFileBytes(temp / L"staging-old\\inner\\f.dat"), "kept");
}

}  // namespace
