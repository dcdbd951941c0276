#include <gtest/gtest.h>

#include <string>

#include "installer_entry.h"

namespace {

struct SwitchCase {
    const wchar_t* commandLine;
    bool uninstall;
};

TEST(InstallerEntry, UninstallSwitchIsAWholeArgumentInAnyCaseAnywhereAfterTheProgram)
{
    const SwitchCase cases[] = {
        {L"VLInstaller.exe", false},
        {L"VLInstaller.exe /uninstall", true},
        {L"VLInstaller.exe /UNINSTALL", true},
        {L"VLInstaller.exe --Uninstall", true},
        {L"\"C:\\Down loads\\VLInstaller.exe\" -x /UnInstall more", true},
        {L"VLInstaller.exe first second --uninstall", true},
        {L"VLInstaller.exe -uninstall", false},
        {L"VLInstaller.exe /uninstall:yes", false},
        {L"VLInstaller.exe uninstall", false},
        {L"VLInstaller.exe \"/uninstall \"", false},
        {L"VLInstaller.exe \"/uninstall\"", true},
        // The program name itself is never an argument.
        {L"/uninstall", false},
    };
    for (const SwitchCase& row : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.commandLine)));
        EXPECT_EQ(HasUninstallSwitch(row.commandLine), row.uninstall);
    }
}

}  // namespace
