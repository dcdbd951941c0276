#include <gtest/gtest.h>

#include "program_resources.h"
#include "test_files.h"

namespace {

std::wstring UpdaterProgram()
{
    return ModuleDirectory() + L"\\VLUpdater.exe";
}

TEST(UpdaterResources, VersionBlockUsesCodePage03B0AndTheProductStrings)
{
    struct Expected {
        const wchar_t* name;
        const wchar_t* value;
    };
    const Expected strings[] = {
        {L"CompanyName", L"Velorin"},         {L"FileDescription", L"Orvicap Auto Updater"},
        {L"ProductName", L"Orvicap Updater"}, {L"InternalName", L"VLUpdater"},
        {L"OriginalFilename", L"VLUpdater.exe"}, {L"FileVersion", L"1.0.0.0"},
        {L"ProductVersion", L"1.0.0.0"},
    };
    for (const Expected& s : strings) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(s.name)));
        EXPECT_EQ(VersionString(UpdaterProgram(), L"080403B0", s.name), s.value);
    }
    EXPECT_EQ(VersionTranslations(UpdaterProgram()), (std::vector<std::pair<WORD, WORD>>{{0x0804, 0x03B0}}));

    VS_FIXEDFILEINFO fixed{};
    ASSERT_TRUE(FixedVersion(UpdaterProgram(), fixed));
    EXPECT_EQ(fixed.dwFileVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed.dwFileVersionLS, 0u);
    EXPECT_EQ(fixed.dwProductVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed.dwProductVersionLS, 0u);
}

TEST(UpdaterResources, ManifestRequiresAdministratorWithoutUiAccess)
{
    std::string manifest = ProgramManifest(UpdaterProgram());
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos) << manifest;
}

TEST(UpdaterResources, WindowedProgramWithoutIconDialogOrStringTable)
{
    EXPECT_EQ(ProgramSubsystem(UpdaterProgram()), IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_FALSE(HasResourceType(UpdaterProgram(), RT_GROUP_ICON));
    EXPECT_FALSE(HasResourceType(UpdaterProgram(), RT_ICON));
    EXPECT_FALSE(HasResourceType(UpdaterProgram(), RT_DIALOG));
    EXPECT_FALSE(HasResourceType(UpdaterProgram(), RT_STRING));
    EXPECT_TRUE(HasResourceType(UpdaterProgram(), RT_VERSION)) << "the negative checks must see resources at all";
}

}  // namespace
