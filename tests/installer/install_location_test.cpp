#include <gtest/gtest.h>

#include "install_location.h"
#include "test_files.h"

namespace {

TEST(InstallLocation, DerivedPathsArePlainConcatenations)
{
    EXPECT_EQ(ProgramDir(L"C:\\X"), L"C:\\X\\bin\\64bit");
    EXPECT_EQ(MainProgramPath(L"C:\\X"), L"C:\\X\\bin\\64bit\\Orvicap.exe");
    EXPECT_EQ(InstallDirForPickedFolder(L"D:\\Apps"), L"D:\\Apps\\Orvicap");
    EXPECT_EQ(InstallDirForPickedFolder(L"D:\\"), L"D:\\\\Orvicap") << "the doubled separator is used unchanged";
}

TEST(InstallLocation, DefaultIsTheFolderFor32BitProgramsOf64BitWindows)
{
    EXPECT_EQ(DefaultInstallDir(), L"C:\\Program Files (x86)\\Orvicap");
}

// Without the known folder the default lies below the Windows directory
// itself (C:\windows under Wine), not below the root of its drive.
TEST(InstallLocation, FallbackIsBelowTheWindowsDirectoryNotItsDrive)
{
    EXPECT_EQ(FallbackInstallDir(), L"C:\\windows\\Program Files\\Orvicap");
}

// This test program carries a version block of its own (ProductVersion
// 7.8.9.10 for 0804/04B0), as the installer does.
TEST(InstallLocation, ProductVersionComesFromTheProgramsOwnVersionBlock)
{
    EXPECT_EQ(ProductVersion(), L"7.8.9.10");
}

TEST(InstallLocation, ProductVersionFollowsTheFirstTranslation)
{
    const struct {
        const wchar_t* program;
        const wchar_t* version;
    } cases[] = {
        {L"version_fixture_en.exe", L"4.0.409.1"},      // 0409/04B0 first, before a decoy 0804 table
        {L"version_fixture_no_translation.exe", L""},  // a string table, but no translation names it
        {L"version_fixture_none.exe", L""},            // no version block at all
        {L"no-such-file.exe", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.program)));
        EXPECT_EQ(ProductVersionOfFile(ModuleDirectory() + L"\\" + c.program), c.version);
    }
}

}  // namespace
