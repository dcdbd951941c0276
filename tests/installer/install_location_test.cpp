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

// What the system itself says in the environment it gives every process,
// spelled its own way (Wine writes "C:\windows", Windows "C:\WINDOWS", and
// neither need be on drive C).
std::wstring EnvironmentValue(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

bool SamePathIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

TEST(InstallLocation, DefaultIsTheFolderFor32BitPrograms)
{
    // 64-bit Windows names that folder "ProgramFiles(x86)"; 32-bit Windows
    // has only the one program folder.
    std::wstring programs = EnvironmentValue(L"ProgramFiles(x86)");
    if (programs.empty()) {
        programs = EnvironmentValue(L"ProgramFiles");
    }
    ASSERT_FALSE(programs.empty());
    EXPECT_PRED2(SamePathIgnoringCase, DefaultInstallDir(), programs + L"\\Orvicap");
}

// Without the known folder the default lies below the Windows directory
// itself, not below the root of its drive.
TEST(InstallLocation, FallbackIsBelowTheWindowsDirectoryNotItsDrive)
{
    const std::wstring windows = EnvironmentValue(L"SystemRoot");
    ASSERT_GT(windows.size(), 3u) << "the Windows directory is no drive root";
    EXPECT_PRED2(SamePathIgnoringCase, FallbackInstallDir(), windows + L"\\Program Files\\Orvicap");
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
