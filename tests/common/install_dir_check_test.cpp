#include <gtest/gtest.h>

#include <windows.h>

#include "install_dir_check.h"

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

}  // namespace
