#include <gtest/gtest.h>

#include <windows.h>

#include "install_dir_check.h"
#include "linked_tree.h"
#include "test_files.h"
#include "tree_removal.h"

namespace {

// "C:" or whichever drive the current directory lies on.
std::wstring CurrentDrive()
{
    wchar_t directory[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, directory);
    return std::wstring(directory, 2);
}

// The deletion is given the resolved path, so that is checked as well as the
// answer: a path from the current drive's root gains that drive, and ".." and
// doubled separators are gone.
TEST(InstallDirCheck, OnlyNonRootDirectoriesNamedFromARootAreDeletedByTheirFullPath)
{
    struct Case {
        const wchar_t* dir;
        bool deletable;
        std::wstring resolved;  // with the current drive for a leading '*'
    };
    const Case cases[] = {
        {L"C:\\Program Files (x86)\\Orvicap", true, L"C:\\Program Files (x86)\\Orvicap"},
        {L"D:\\\\Orvicap", true, L"D:\\Orvicap"},
        {L"\\\\server\\share\\Orvicap", true, L"\\\\server\\share\\Orvicap"},
        {L"C:\\", false, L""},
        {L"C:", false, L""},
        {L"C:Orvicap", false, L""},
        // A path from the root of the current drive, as the installer's last
        // fallback default directory is, names a directory on that drive.
        {L"\\Orvicap", true, L"*\\Orvicap"},
        {L"\\Program Files\\Orvicap", true, L"*\\Program Files\\Orvicap"},
        {L"\\Orvicap\\..", false, L""},
        {L"\\.", false, L""},
        {L"\\\\server\\share", false, L""},
        {L"\\", false, L""},
        {L"Orvicap", false, L""},
        {L"..\\Orvicap", false, L""},
        {L"C:\\Orvicap\\..", false, L""},
        {L"C:\\Orvicap\\.\\..\\", false, L""},
        {L"\\\\server\\share\\Orvicap\\..", false, L""},
        {L"C:\\Program Files\\..\\Orvicap", true, L"C:\\Orvicap"},
        {L"", false, L""},
        // Long-path and device spellings of a share or of the system's
        // namespace are roots too, or no folder at all.
        {L"\\\\?\\UNC\\server\\share", false, L""},
        {L"\\\\?\\UNC\\server\\share\\", false, L""},
        {L"\\\\?\\UNC\\server\\share\\Orvicap", true, L"\\\\?\\UNC\\server\\share\\Orvicap"},
        {L"\\\\?\\C:\\", false, L""},
        {L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\Orvicap", false, L""},
        {L"\\\\?\\globalroot\\Device\\HarddiskVolume1", false, L""},
        {L"\\\\.\\C:\\Orvicap", false, L""},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.dir)));
        std::wstring expected = row.resolved;
        if (!expected.empty() && expected[0] == L'*') {
            expected.replace(0, 1, CurrentDrive());
        }
        std::wstring resolved;
        EXPECT_EQ(ResolveDeletableInstallDir(row.dir, resolved), row.deletable);
        EXPECT_EQ(resolved, expected);
        EXPECT_EQ(IsDeletableInstallDir(row.dir), row.deletable);
    }
}

// The removal must see a link as the link: "C:\x\link\" names what the
// link leads to, so the separator goes once the path is resolved.
TEST(InstallDirCheck, ResolvedPathLosesItsTrailingSeparators)
{
    struct Case {
        const wchar_t* dir;
        const wchar_t* resolved;
    };
    const Case cases[] = {
        {L"C:\\x\\link\\", L"C:\\x\\link"},
        {L"C:\\x\\link\\\\", L"C:\\x\\link"},
        {L"C:\\x\\link\\.\\", L"C:\\x\\link"},
        {L"\\\\server\\share\\Orvicap\\", L"\\\\server\\share\\Orvicap"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.dir)));
        std::wstring resolved;
        ASSERT_TRUE(ResolveDeletableInstallDir(row.dir, resolved));
        EXPECT_EQ(resolved, row.resolved);
    }
}

// End to end: a registered location that is a link written with a closing
// separator removes at most the link, never what it leads to.
TEST(InstallDirCheck, LinkWithATrailingSeparatorIsNotRemovedThrough)
{
    ScopedTempDir temp;
    LinkedTree links{temp / L"Orvicap", temp / L"outside"};
    ASSERT_TRUE(CreateDirectories(temp / L"Orvicap"));
    ASSERT_TRUE(links.Build());
    std::wstring resolved;
    ASSERT_TRUE(ResolveDeletableInstallDir(links.topLink + L"\\", resolved));
    DeleteDirectoryTree(resolved);
    EXPECT_TRUE(links.OutsideUntouched());
    links.RemoveLinks();
}

}  // namespace
