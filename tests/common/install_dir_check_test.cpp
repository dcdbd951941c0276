#include <gtest/gtest.h>

#include "install_dir_check.h"

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
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.dir)));
        EXPECT_EQ(IsDeletableInstallDir(row.dir), row.deletable);
    }
}

}  // namespace
