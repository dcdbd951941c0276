#include <gtest/gtest.h>

#include "directory_links.h"
#include "owned_entry.h"
#include "test_files.h"

namespace {

// A folder of our own beside a folder outside it, named by final paths.
struct OwnedEntryTest : testing::Test {
    ScopedTempDir temp;
    std::wstring tree = temp / L"tree";
    std::wstring outside = temp / L"outside";
    std::wstring treeFinal;
    ScopedFileHandle treeHold;

    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectories(tree + L"\\sub"));
        ASSERT_TRUE(WriteFileBytes(tree + L"\\sub\\own.txt", "own"));
        ASSERT_TRUE(CreateDirectories(outside));
        ASSERT_TRUE(WriteFileBytes(outside + L"\\own.txt", "outside"));
        ASSERT_EQ(OpenOwnedRoot(tree, kHoldFolderAccess, kHoldShare, treeHold, treeFinal), EntryCheck::Owned);
        ASSERT_EQ(treeFinal.rfind(L"\\\\?\\", 0), 0u) << "final paths are what the checks compare";
    }

    void TearDown() override { RemoveDirectoryLink(tree + L"\\link"); }

    EntryCheck Open(const std::wstring& relative, ScopedFileHandle& entry, DWORD access = FILE_READ_ATTRIBUTES)
    {
        return OpenOwnedEntry(treeFinal + L"\\" + relative, access, kShareAll, entry);
    }
};

TEST_F(OwnedEntryTest, PlainEntriesAreOwnedAndAbsentOnesMissing)
{
    ScopedFileHandle entry;
    EXPECT_EQ(Open(L"sub", entry), EntryCheck::Owned);
    EXPECT_TRUE(IsFolder(entry.handle));
    EXPECT_EQ(Open(L"sub\\own.txt", entry), EntryCheck::Owned);
    EXPECT_FALSE(IsFolder(entry.handle));
    EXPECT_EQ(Open(L"nothing", entry), EntryCheck::Missing);
    EXPECT_EQ(Open(L"SUB\\OWN.TXT", entry), EntryCheck::Owned) << "names compare without regard to case";
}

// Windows opens the link itself and reports it as one; Wine follows it and
// the final path shows where.  Either way the entry is never taken for ours.
TEST_F(OwnedEntryTest, LinkIsNeverOwnedNorIsWhatLiesBehindIt)
{
    ASSERT_TRUE(MakeDirectoryLink(outside, tree + L"\\link"));
    ScopedFileHandle entry;
    const EntryCheck link = Open(L"link", entry);
    EXPECT_TRUE(link == EntryCheck::Link || link == EntryCheck::Elsewhere);
    EXPECT_EQ(link, RunningUnderWine() ? EntryCheck::Elsewhere : EntryCheck::Link);
    EXPECT_EQ(Open(L"link\\own.txt", entry), EntryCheck::Elsewhere);

    ScopedFileHandle root;
    std::wstring finalPath;
    EXPECT_NE(OpenOwnedRoot(tree + L"\\link", kHoldFolderAccess, kHoldShare, root, finalPath), EntryCheck::Owned);
    EXPECT_NE(OpenOwnedRoot(tree + L"\\link\\", kHoldFolderAccess, kHoldShare, root, finalPath), EntryCheck::Owned)
        << "a trailing separator must not turn the link into its target";
}

TEST_F(OwnedEntryTest, FileIsCreatedOnlyWhereNoLinkLeadsAway)
{
    ASSERT_TRUE(MakeDirectoryLink(outside, tree + L"\\link"));
    ScopedFileHandle file;
    EXPECT_EQ(CreateOwnedFile(treeFinal + L"\\sub\\new.txt", GENERIC_WRITE, 0, file), EntryCheck::Owned);
    file.reset(INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FileExists(tree + L"\\sub\\new.txt"));

    EXPECT_NE(CreateOwnedFile(treeFinal + L"\\link\\new.txt", GENERIC_WRITE, 0, file), EntryCheck::Owned);
    EXPECT_NE(CreateOwnedFile(treeFinal + L"\\link\\own.txt", GENERIC_WRITE, 0, file), EntryCheck::Owned);
    file.reset(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FileExists(outside + L"\\new.txt")) << "nothing is left where the link leads";
    EXPECT_EQ(ReadFileBytes(outside + L"\\own.txt"), "outside");
}

// A file link standing where a file is to be written: it is not written
// through, and what it leads to keeps its content.
TEST_F(OwnedEntryTest, FileLinkIsNotWrittenThrough)
{
    const std::wstring link = tree + L"\\sub\\linked.txt";
    if (!MakeFileLink(outside + L"\\own.txt", link)) {
        GTEST_SKIP() << "file symbolic links need an administrator or developer mode here";
    }
    ScopedFileHandle file;
    EXPECT_NE(CreateOwnedFile(treeFinal + L"\\sub\\linked.txt", GENERIC_WRITE, 0, file), EntryCheck::Owned);
    file.reset(INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadFileBytes(outside + L"\\own.txt"), "outside");
    RemoveDirectoryLink(link);
}

// A hard link planted in the tree shares its data with the file outside:
// writing it would change that file.
TEST_F(OwnedEntryTest, HardLinkIsNotWrittenThrough)
{
    ASSERT_TRUE(CreateHardLinkW((tree + L"\\sub\\shared.txt").c_str(), (outside + L"\\own.txt").c_str(), nullptr));
    ScopedFileHandle file;
    EXPECT_NE(CreateOwnedFile(treeFinal + L"\\sub\\shared.txt", GENERIC_WRITE, 0, file), EntryCheck::Owned);
    file.reset(INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadFileBytes(outside + L"\\own.txt"), "outside");
}

TEST_F(OwnedEntryTest, FolderIsCreatedOrOpenedOnlyAsAPlainFolder)
{
    ScopedFileHandle folder;
    EXPECT_EQ(CreateOwnedFolder(treeFinal + L"\\made", folder), EntryCheck::Owned);
    EXPECT_EQ(CreateOwnedFolder(treeFinal + L"\\made", folder), EntryCheck::Owned) << "an existing one is opened";
    EXPECT_NE(CreateOwnedFolder(treeFinal + L"\\sub\\own.txt", folder), EntryCheck::Owned) << "a file is no folder";
    ASSERT_TRUE(MakeDirectoryLink(outside, tree + L"\\link"));
    EXPECT_NE(CreateOwnedFolder(treeFinal + L"\\link", folder), EntryCheck::Owned);
    EXPECT_NE(CreateOwnedFolder(treeFinal + L"\\link\\made", folder), EntryCheck::Owned);
    folder.reset(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DirectoryExists(outside + L"\\made"));
}

TEST_F(OwnedEntryTest, ReadOnlyFileIsDeletedThroughItsHandle)
{
    ASSERT_TRUE(SetFileAttributesW((tree + L"\\sub\\own.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ScopedFileHandle entry;
    ASSERT_EQ(Open(L"sub\\own.txt", entry, kDeleteAccess), EntryCheck::Owned);
    EXPECT_TRUE(DeleteOwnedEntry(entry.handle));
    entry.reset(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FileExists(tree + L"\\sub\\own.txt"));
}

// The hold is what keeps a folder where it is while work goes on inside it:
// another process cannot rename it away to put a link in its place.
TEST_F(OwnedEntryTest, HeldFolderCannotBeRenamedAway)
{
    EXPECT_FALSE(MoveFileW(tree.c_str(), (temp / L"moved").c_str()));
    treeHold.reset(INVALID_HANDLE_VALUE);
    EXPECT_TRUE(MoveFileW(tree.c_str(), (temp / L"moved").c_str())) << "released, it can";
}

TEST_F(OwnedEntryTest, SameEntryComparesIdentityNotSpelling)
{
    ScopedFileHandle first;
    ScopedFileHandle second;
    ScopedFileHandle other;
    ASSERT_EQ(Open(L"sub", first), EntryCheck::Owned);
    ASSERT_EQ(Open(L"SUB", second), EntryCheck::Owned);
    ASSERT_EQ(Open(L"sub\\own.txt", other), EntryCheck::Owned);
    EXPECT_TRUE(SameEntry(first.handle, second.handle));
    EXPECT_FALSE(SameEntry(first.handle, other.handle));
}

TEST(OwnedEntryPaths, TrailingSeparatorsGoAndRootsStayRoots)
{
    EXPECT_EQ(FullPathWithoutTrailingSeparators(L"C:\\x\\link\\"), L"C:\\x\\link");
    EXPECT_EQ(FullPathWithoutTrailingSeparators(L"C:\\x\\link\\\\/"), L"C:\\x\\link");
    EXPECT_EQ(FullPathWithoutTrailingSeparators(L"C:\\x\\.\\y\\..\\"), L"C:\\x");
}

}  // namespace
