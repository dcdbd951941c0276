#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "program_resources.h"

// What one of the kit's programs must carry in its version block and
// manifest: each program's test gives its own row.
struct ExpectedProgramResources {
    std::wstring stringTable;  // "080404b0": Chinese (PRC) and the table's code page
    WORD codePage;             // of the one translation, whose language is 0x0804
    std::vector<std::pair<std::wstring, std::wstring>> strings;
    const char* executionLevel;  // "requireAdministrator" or "asInvoker"
    bool dpiAware;
};

inline std::wstring ExpectedString(const ExpectedProgramResources& expected, const std::wstring& name)
{
    for (const auto& [key, value] : expected.strings) {
        if (key == name) return value;
    }
    ADD_FAILURE() << "the row gives no " << testing::PrintToString(name);
    return {};
}

// Fixed file and product versions that say what the FileVersion and
// ProductVersion strings say, an application for Windows NT,
// the given strings and translation, the manifest's execution level without
// UI access, and DPI awareness declared or not.
inline void ExpectVersionBlockAndManifest(const std::wstring& program, const ExpectedProgramResources& expected)
{
    for (const auto& [name, value] : expected.strings) {
        SCOPED_TRACE(testing::PrintToString(name));
        EXPECT_EQ(VersionString(program, expected.stringTable, name), value);
    }
    EXPECT_EQ(VersionTranslations(program), (std::vector<std::pair<WORD, WORD>>{{0x0804, expected.codePage}}));
    VS_FIXEDFILEINFO fixed{};
    ASSERT_TRUE(FixedVersion(program, fixed));
    EXPECT_EQ(FixedVersionText(fixed.dwFileVersionMS, fixed.dwFileVersionLS), ExpectedString(expected, L"FileVersion"));
    EXPECT_EQ(FixedVersionText(fixed.dwProductVersionMS, fixed.dwProductVersionLS),
              ExpectedString(expected, L"ProductVersion"));
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed.dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));

    const std::string manifest = ProgramManifest(program);
    EXPECT_NE(manifest.find(std::string("level=\"") + expected.executionLevel + "\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos) << manifest;
    EXPECT_EQ(manifest.find("dpiAware") != std::string::npos, expected.dpiAware) << manifest;
}
