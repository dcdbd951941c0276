#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

#include "directory_links.h"
#include "linked_tree.h"
#include "staging_cleanup.h"
#include "test_files.h"

namespace {

// Clears the staging folder as the updater does: held first, then emptied.
void HoldAndClear(const std::wstring& staging)
{
    RemovalRoot held;
    if (HoldStagingDir(staging, held) == EntryCheck::Owned) {
        ClearStagingDir(held);
    }
}

TEST(ClearStagingDir, FilesAndSubdirectoriesAreDeletedAndTheDirectoryRemoved)
{
    ScopedTempDir temp;
    std::wstring staging = temp / L"staging";
    ASSERT_TRUE(CreateDirectories(staging + L"\\sub\\inner"));
    ASSERT_TRUE(WriteFileBytes(staging + L"\\sub\\inner\\f.dat", "x"));
    ASSERT_TRUE(WriteFileBytes(staging + L"\\sub.txt", "x"));
    ASSERT_TRUE(WriteFileBytes(staging + L"\\readonly.txt", "x"));
    ASSERT_TRUE(SetFileAttributesW((staging + L"\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));

    HoldAndClear(staging);

    EXPECT_FALSE(DirectoryExists(staging));
}

// The staging folder is written by the unelevated application: a link in it
// to a folder the user cannot touch must not make the clean-up delete there.
TEST(ClearStagingDir, LinkInStagingIsNeverFollowed)
{
    ScopedTempDir temp;
    std::wstring staging = temp / L"staging";
    LinkedTree links{staging, temp / L"secret"};
    ASSERT_TRUE(CreateDirectories(staging));
    ASSERT_TRUE(links.Build());

    HoldAndClear(staging);

    EXPECT_TRUE(links.OutsideUntouched());
    links.RemoveLinks();
}

TEST(ClearStagingDir, StagingThatIsALinkIsRefused)
{
    ScopedTempDir temp;
    ASSERT_TRUE(CreateDirectories(temp / L"install"));
    ASSERT_TRUE(WriteFileBytes(temp / L"install\\app.dll", "installed"));
    ASSERT_TRUE(MakeDirectoryLink(temp / L"install", temp / L"staging"));
    RemovalRoot held;
    for (const std::wstring& spelling : {temp / L"staging", temp / L"staging\\"}) {
        SCOPED_TRACE(testing::PrintToString(spelling));
        const EntryCheck check = HoldStagingDir(spelling, held);
        EXPECT_TRUE(check == EntryCheck::Link || check == EntryCheck::Elsewhere) << static_cast<int>(check);
    }
    EXPECT_EQ(ReadFileBytes(temp / L"install\\app.dll"), "installed");
    RemoveDirectoryLink(temp / L"staging");
}

// Between the start and the clean-up the updater waits up to a minute: the
// staging folder is held all that time, so it cannot be renamed away and
// replaced by a link to the install folder.  Where it is replaced anyway
// (from outside Windows' rules), the identity check sees it.
TEST(ClearStagingDir, HeldStagingCannotBeSwappedForALink)
{
    ScopedTempDir temp;
    std::wstring staging = temp / L"staging";
    ASSERT_TRUE(CreateDirectories(staging));
    ASSERT_TRUE(CreateDirectories(temp / L"install"));
    ASSERT_TRUE(WriteFileBytes(temp / L"install\\app.dll", "installed"));
    RemovalRoot held;
    ASSERT_EQ(HoldStagingDir(staging, held), EntryCheck::Owned);
    EXPECT_TRUE(IsStillStagingDir(held));

    EXPECT_FALSE(SwapForDirectoryLink(staging, temp / L"install"));
    EXPECT_TRUE(IsStillStagingDir(held));
    EXPECT_EQ(ReadFileBytes(temp / L"install\\app.dll"), "installed");
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

    HoldAndClear(temp / L"staging");

    EXPECT_EQ(EntriesOf(temp.path), before);
    EXPECT_FALSE(DirectoryExists(temp / L"staging"));
    EXPECT_EQ(ReadFileBytes(temp / L"staging.txt"), "kept");
    EXPECT_EQ(ReadFileBytes(temp / L"staging-old\\inner\\f.dat"), "kept");
}

}  // namespace
