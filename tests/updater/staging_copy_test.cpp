#include <gtest/gtest.h>

#include "directory_links.h"
#include "linked_tree.h"
#include "staging_copy.h"
#include "test_files.h"

namespace {

struct FileInTree {
    const wchar_t* relativePath;
    const char* content;
};

void WriteTree(const std::wstring& root, std::initializer_list<FileInTree> files)
{
    for (const FileInTree& file : files) {
        std::wstring path = root + L"\\" + file.relativePath;
        ASSERT_TRUE(CreateDirectories(path.substr(0, path.find_last_of(L'\\'))));
        ASSERT_TRUE(WriteFileBytes(path, file.content));
    }
}

struct CopyTreeTest : testing::Test {
    ScopedTempDir temp;
    std::wstring staging = temp / L"staging";
    std::wstring install = temp / L"install";

    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectories(staging));
        ASSERT_TRUE(CreateDirectories(install));
    }
};

TEST_F(CopyTreeTest, StagingTreeIsLaidOverInstallTreeWithoutDeletingAnything)
{
    WriteTree(staging, {{L"Orvicap.exe", "new main"},
                        {L"bin\\64bit\\x.dll", "new dll"},
                        {L"bin\\64bit\\plugins\\deep.dat", "deep"},
                        {L".config", "dot file"},
                        {L"empty.txt", ""}});
    ASSERT_TRUE(CreateDirectories(staging + L"\\only\\empty\\dirs"));
    WriteTree(install, {{L"Orvicap.exe", "old main"}, {L"bin\\64bit\\keep.dll", "keep"}, {L"keep.txt", "kept"}});

    EXPECT_TRUE(CopyTree(staging, install, L""));

    EXPECT_EQ(ReadFileBytes(install + L"\\Orvicap.exe"), "new main");
    EXPECT_EQ(ReadFileBytes(install + L"\\bin\\64bit\\x.dll"), "new dll");
    EXPECT_EQ(ReadFileBytes(install + L"\\bin\\64bit\\plugins\\deep.dat"), "deep");
    EXPECT_EQ(ReadFileBytes(install + L"\\.config"), "dot file");
    EXPECT_TRUE(FileExists(install + L"\\empty.txt"));
    EXPECT_TRUE(DirectoryExists(install + L"\\only\\empty\\dirs"));
    EXPECT_EQ(ReadFileBytes(install + L"\\bin\\64bit\\keep.dll"), "keep");
    EXPECT_EQ(ReadFileBytes(install + L"\\keep.txt"), "kept");
    EXPECT_EQ(ReadFileBytes(staging + L"\\Orvicap.exe"), "new main") << "the staging tree is only read";
}

TEST_F(CopyTreeTest, ReadOnlyInstallFileIsReplaced)
{
    WriteTree(staging, {{L"app.dll", "new"}});
    WriteTree(install, {{L"app.dll", "old"}});
    ASSERT_TRUE(SetFileAttributesW((install + L"\\app.dll").c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_TRUE(CopyTree(staging, install, L""));
    EXPECT_EQ(ReadFileBytes(install + L"\\app.dll"), "new");
}

TEST_F(CopyTreeTest, FileHeldWithoutSharingFailsWhileTheRestIsCopied)
{
    WriteTree(staging, {{L"a.txt", "new a"}, {L"sub\\locked.dll", "new lock"}, {L"sub\\z.txt", "new z"}});
    WriteTree(install, {{L"sub\\locked.dll", "old lock"}});
    HANDLE held = CreateFileW((install + L"\\sub\\locked.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    bool allCopied = CopyTree(staging, install, L"");
    CloseHandle(held);

    EXPECT_FALSE(allCopied) << "a failure in a subdirectory makes the whole result false";
    EXPECT_EQ(ReadFileBytes(install + L"\\sub\\locked.dll"), "old lock");
    EXPECT_EQ(ReadFileBytes(install + L"\\a.txt"), "new a");
    EXPECT_EQ(ReadFileBytes(install + L"\\sub\\z.txt"), "new z");
}

TEST_F(CopyTreeTest, MissingStagingDirectoryIsNothingToCopy)
{
    WriteTree(install, {{L"keep.txt", "kept"}});
    EXPECT_TRUE(CopyTree(temp / L"no-such-staging", install, L""));
    EXPECT_EQ(ReadFileBytes(install + L"\\keep.txt"), "kept");
}

TEST_F(CopyTreeTest, RelativePathSelectsTheSubtreeToCopy)
{
    WriteTree(staging, {{L"top.txt", "top"}, {L"bin\\a.txt", "a"}, {L"bin\\inner\\b.txt", "b"}});
    ASSERT_TRUE(CreateDirectories(install + L"\\bin"));

    EXPECT_TRUE(CopyTree(staging, install, L"bin"));

    EXPECT_EQ(ReadFileBytes(install + L"\\bin\\a.txt"), "a");
    EXPECT_EQ(ReadFileBytes(install + L"\\bin\\inner\\b.txt"), "b");
    EXPECT_FALSE(FileExists(install + L"\\top.txt"));
}

// A link planted in staging to a folder the user cannot read must not carry
// that folder's files into the install tree, which everyone can read.
TEST_F(CopyTreeTest, LinkInStagingIsNeitherCopiedNorFollowed)
{
    LinkedTree links{staging, temp / L"secret"};
    ASSERT_TRUE(links.Build());
    WriteTree(staging, {{L"app.dll", "new"}});

    EXPECT_TRUE(CopyTree(staging, install, L""));

    EXPECT_EQ(ReadFileBytes(install + L"\\app.dll"), "new");
    EXPECT_FALSE(FileExists(install + L"\\shared\\precious.txt"));
    EXPECT_FALSE(FileExists(install + L"\\data\\cache\\precious.txt"));
    EXPECT_TRUE(links.OutsideUntouched());
    links.RemoveLinks();
}

// A link planted in a user-writable install tree must not make the elevated
// copy write there: the files below it fail and say so.
TEST_F(CopyTreeTest, LinkInInstallTreeIsNotWrittenThrough)
{
    LinkedTree links{install, temp / L"elsewhere"};
    ASSERT_TRUE(links.Build());
    WriteTree(staging, {{L"shared\\precious.txt", "overwritten"}, {L"shared\\new.dll", "new"},
                        {L"data\\cache\\inner\\deep.txt", "overwritten"}, {L"app.dll", "new"}});

    EXPECT_FALSE(CopyTree(staging, install, L""));

    EXPECT_TRUE(links.OutsideUntouched());
    EXPECT_FALSE(FileExists(links.outside + L"\\new.dll"));
    EXPECT_EQ(ReadFileBytes(install + L"\\app.dll"), "new");
    links.RemoveLinks();
}

// A file link in the install tree where an update file goes.
TEST_F(CopyTreeTest, FileLinkInInstallTreeIsNotWrittenThrough)
{
    ASSERT_TRUE(WriteFileBytes(temp / L"victim.txt", "keep"));
    if (!MakeFileLink(temp / L"victim.txt", install + L"\\app.dll")) {
        GTEST_SKIP() << "file symbolic links need an administrator or developer mode here";
    }
    WriteTree(staging, {{L"app.dll", "new"}});

    EXPECT_FALSE(CopyTree(staging, install, L""));

    EXPECT_EQ(ReadFileBytes(temp / L"victim.txt"), "keep");
    RemoveDirectoryLink(install + L"\\app.dll");
}

}  // namespace
