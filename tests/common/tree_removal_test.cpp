#include <gtest/gtest.h>

#include <vector>

#include "directory_links.h"
#include "linked_tree.h"
#include "owned_entry.h"
#include "test_files.h"
#include "tree_removal.h"

namespace {

// A tree to remove, with a folder outside it that holds files of the same
// names as the tree's "a" folder: a deletion steered through a link there
// would take them.
struct TreeRemovalTest : testing::Test {
    ScopedTempDir temp;
    std::wstring tree = temp / L"tree";
    std::wstring outside = temp / L"outside";

    void SetUp() override
    {
        for (const std::wstring& folder : {tree + L"\\a", outside}) {
            ASSERT_TRUE(CreateDirectories(folder));
            ASSERT_TRUE(WriteFileBytes(folder + L"\\1.txt", "one"));
            ASSERT_TRUE(WriteFileBytes(folder + L"\\2.txt", "two"));
        }
        ASSERT_TRUE(CreateDirectories(outside + L"\\b"));
        ASSERT_TRUE(WriteFileBytes(outside + L"\\b\\3.txt", "three"));
        ASSERT_TRUE(WriteFileBytes(tree + L"\\top.txt", "top"));
    }

    void TearDown() override
    {
        SetBeforeActHook(nullptr);
        RemoveDirectoryLink(tree + L"\\a");
    }

    void ExpectOutsideUntouched() const
    {
        EXPECT_EQ(ReadFileBytes(outside + L"\\1.txt"), "one");
        EXPECT_EQ(ReadFileBytes(outside + L"\\2.txt"), "two");
        EXPECT_EQ(ReadFileBytes(outside + L"\\b\\3.txt"), "three");
    }
};

// The uninstaller lists the tree, then deletes entry by entry while its
// window repaints: a folder swapped for a link in that gap must not carry
// the deletions out of the tree.
TEST_F(TreeRemovalTest, FolderSwappedForALinkAfterTheListingIsNotDeletedThrough)
{
    RemovalRoot root;
    ASSERT_EQ(OpenRemovalRoot(tree, root), EntryCheck::Owned);
    std::vector<FileEntry> entries;
    CollectFiles(root.path, L"", entries);
    ASSERT_EQ(entries.size(), 3u);

    ASSERT_TRUE(SwapForDirectoryLink(tree + L"\\a", outside));
    for (const FileEntry& entry : entries) {
        DeleteTreeEntry(root, entry);
    }
    DeleteRemainingDirectories(root, L"");

    ExpectOutsideUntouched();
    EXPECT_FALSE(FileExists(tree + L"\\top.txt"));
}

// Between judging an entry and deleting it: the seam swaps the folder that
// holds the next entries at exactly that moment.
TEST_F(TreeRemovalTest, FolderSwappedBetweenLookAndActIsNotDeletedThrough)
{
    bool swapped = false;
    SetBeforeActHook([&](const std::wstring& finalPath) {
        if (!swapped && finalPath.size() > 6 && finalPath.substr(finalPath.size() - 6) == L"\\1.txt") {
            swapped = SwapForDirectoryLink(tree + L"\\a", outside);
        }
    });
    DeleteDirectoryTree(tree);
    SetBeforeActHook(nullptr);

    ASSERT_TRUE(swapped);
    ExpectOutsideUntouched();
    EXPECT_FALSE(FileExists(tree + L"\\top.txt"));
    EXPECT_FALSE(FileExists(tree + L"\\a.moved\\1.txt")) << "the entry judged before the swap still went";
}

// The bottom-up pass holds each folder while it empties it: the swap of a
// folder for a link at the moment its first entry goes is refused.
TEST_F(TreeRemovalTest, FolderBeingEmptiedCannotBeSwappedForALink)
{
    RemovalRoot root;
    ASSERT_EQ(OpenRemovalRoot(tree, root), EntryCheck::Owned);
    bool swapped = false;
    int tries = 0;
    SetBeforeActHook([&](const std::wstring& finalPath) {
        if (finalPath.find(L".txt") != std::wstring::npos) {
            ++tries;
            swapped = swapped || MoveFileW((tree + L"\\a").c_str(), (tree + L"\\a.moved").c_str());
        }
    });
    DeleteRemainingDirectories(root, L"");
    SetBeforeActHook(nullptr);

    EXPECT_EQ(tries, 2);
    EXPECT_FALSE(swapped);
    EXPECT_FALSE(DirectoryExists(tree + L"\\a"));
    ExpectOutsideUntouched();
}

TEST_F(TreeRemovalTest, WholeTreeGoesReadOnlyFilesAndEmptyFoldersIncluded)
{
    ASSERT_TRUE(CreateDirectories(tree + L"\\empty\\deeper"));
    ASSERT_TRUE(SetFileAttributesW((tree + L"\\a\\2.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    DeleteDirectoryTree(tree);
    EXPECT_FALSE(DirectoryExists(tree));
    ExpectOutsideUntouched();
}

TEST_F(TreeRemovalTest, LinkedRootIsRefusedAsARoot)
{
    ASSERT_TRUE(MakeDirectoryLink(outside, tree + L"\\a.link"));
    RemovalRoot root;
    EXPECT_NE(OpenRemovalRoot(tree + L"\\a.link", root), EntryCheck::Owned);
    EXPECT_NE(OpenRemovalRoot(tree + L"\\a.link\\", root), EntryCheck::Owned);
    DeleteDirectoryTree(tree + L"\\a.link\\");
    ExpectOutsideUntouched();
    RemoveDirectoryLink(tree + L"\\a.link");
}

// The common linked-tree fixture: links at the top and further down.
struct LinkedTreeRemovalTest : testing::Test {
    ScopedTempDir temp;
    std::wstring tree = temp / L"tree";
    LinkedTree links{tree, temp / L"outside"};

    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectories(tree + L"\\data"));
        ASSERT_TRUE(WriteFileBytes(tree + L"\\data\\own.dat", "own"));
        ASSERT_TRUE(links.Build());
    }

    void TearDown() override { links.RemoveLinks(); }
};

TEST_F(LinkedTreeRemovalTest, LinksAreRemovedAsLinksOrLeftButNeverFollowed)
{
    DeleteDirectoryTree(tree);

    EXPECT_TRUE(links.OutsideUntouched());
    EXPECT_FALSE(FileExists(tree + L"\\data\\own.dat"));
    if (RunningUnderWine()) {
        // Wine cannot open a Unix link as the link: it is left, still a link.
        EXPECT_TRUE(GetFileAttributesW(links.topLink.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
        EXPECT_TRUE(DirectoryExists(tree));
    } else {
        EXPECT_EQ(GetFileAttributesW(links.topLink.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(DirectoryExists(tree));
    }
}

}  // namespace
