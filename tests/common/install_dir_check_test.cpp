#include <gtest/gtest.h>

#include "install_dir_check.h"
#include "linked_tree.h"
#include "test_files.h"
#include "tree_removal.h"

namespace {

TEST(InstallDirCheck, OnlyNonRootDirectoriesNamedFromARootAreDeleted)
{
    struct Case {
        const wchar_t* dir;
        bool deletable;
    };
    const Case cases[] = {
        {L"C:\\Program Files (x86)\\Orvicap", true},
        {L"D:\\\\Orvicap", true},
        {L"\\\\server\\share\\Orvicap", true},
        {L"C:\\", false},
        {L"C:", false},
        {L"C:Orvicap", false},
        // A path from the root of the current drive, as the installer's last
        // fallback default directory is, names a directory on that drive.
        {L"\\Orvicap", true},
        {L"\\Program Files\\Orvicap", true},
        {L"\\Orvicap\\..", false},
        {L"\\.", false},
        {L"\\\\server\\share", false},
        {L"\\", false},
        {L"Orvicap", false},
        {L"..\\Orvicap", false},
        {L"C:\\Orvicap\\..", false},
        {L"C:\\Orvicap\\.\\..\\", false},
        {L"\\\\server\\share\\Orvicap\\..", false},
        {L"C:\\Program Files\\..\\Orvicap", true},
        {L"", false},
        // Long-path and device spellings of a share or of the system's
        // namespace are roots too, or no folder at all.
        {L"\\\\?\\UNC\\server\\share", false},
        {L"\\\\?\\UNC\\server\\share\\", false},
        {L"\\\\?\\UNC\\server\\share\\Orvicap", true},
        {L"\\\\?\\C:\\", false},
        {L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\Orvicap", false},
        {L"\\\\?\\globalroot\\Device\\HarddiskVolume1", false},
        {L"\\\\.\\C:\\Orvicap", false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.dir)));
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
