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

// This test program carries a version block of its own (ProductVersion
// 7.8.9.10 for 0804/04B0), as the installer does.
TEST(InstallLocation, ProductVersionComesFromTheProgramsOwnVersionBlock)
{
    EXPECT_EQ(ProductVersion(), L"7.8.9.10");
}

TEST(InstallLocation, ProductVersionFollowsTheFirstTranslation)
{
    std::wstring fixtures = ModuleDirectory();
    EXPECT_EQ(ProductVersionOfFile(fixtures + L"\\version_fixture_en.exe"), L"4.0.409.1");
    EXPECT_EQ(ProductVersionOfFile(fixtures + L"\\version_fixture_none.exe"), L"") << "no version block at all";
    EXPECT_EQ(ProductVersionOfFile(fixtures + L"\\no-such-file.exe"), L"");
}

}  // namespace
