#include <gtest/gtest.h>

#include "program_resource_checks.h"
#include "program_resources.h"
#include "test_files.h"

namespace {

std::wstring UpdaterProgram()
{
    return ModuleDirectory() + L"\\VLUpdater.exe";
}

TEST(UpdaterResources, VersionBlockUsesCodePage03B0AndTheProductStringsAndRequiresAdministrator)
{
    ExpectVersionBlockAndManifest(UpdaterProgram(), {L"080403B0",
                                                     0x03B0,
                                                     {{L"CompanyName", L"Velorin"},
                                                      {L"FileDescription", L"Orvicap Auto Updater"},
                                                      {L"ProductName", L"Orvicap Updater"},
                                                      {L"InternalName", L"VLUpdater"},
                                                      {L"OriginalFilename", L"VLUpdater.exe"},
                                                      {L"FileVersion", L"1.0.0.0"},
                                                      {L"ProductVersion", L"1.0.0.0"}},
                                                     "requireAdministrator",
                                                     false});
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
