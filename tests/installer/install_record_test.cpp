#include <gtest/gtest.h>

#include "install_location.h"
#include "install_record.h"
#include "test_files.h"
#include "uninstall_entry_fixture.h"

namespace {

TEST(InstallRecord, FileHoldsTheMarkAndFourLinesEndedByCrLf)
{
    ScopedTempDir temp;
    WriteInstallRecord(temp.path);
    EXPECT_EQ(ReadFileBytes(temp / L"uninstall.ini"), kExpectedInstallRecord);
}

TEST(InstallRecord, ExistingRecordIsReplacedAndAMissingDirectoryIsSkipped)
{
    ScopedTempDir temp;
    ASSERT_TRUE(WriteFileBytes(temp / L"uninstall.ini", std::string(500, 'x')));
    WriteInstallRecord(temp.path);
    EXPECT_EQ(ReadFileBytes(temp / L"uninstall.ini"), kExpectedInstallRecord);

    WriteInstallRecord(temp / L"absent");
    EXPECT_FALSE(FileExists(temp / L"absent\\uninstall.ini"));
}

TEST(UninstallEntry, EightValuesInThe32BitViewOnly)
{
    ScopedUninstallEntry entry;
    InstallerState state;
    state.productVersion = L"2.5.0.1";
    const std::wstring installDir = L"D:\\测试 目录\\Orvicap";

    ASSERT_TRUE(RegisterUninstallEntry(installDir, state));

    struct Expected {
        const wchar_t* name;
        DWORD type;
        std::string data;
    };
    const Expected values[] = {
        {L"DisplayName", REG_SZ, StringData(L"Orvicap")},
        {L"DisplayVersion", REG_SZ, StringData(L"2.5.0.1")},
        {L"InstallLocation", REG_SZ, StringData(installDir)},
        {L"UninstallString", REG_SZ, StringData(L"\"D:\\测试 目录\\Orvicap\\uninstall.exe\"")},
        {L"DisplayIcon", REG_SZ, StringData(L"D:\\测试 目录\\Orvicap\\app.ico")},
        {L"Publisher", REG_SZ, StringData(L"维洛电子商务有限公司")},
        {L"NoModify", REG_DWORD, DwordData(1)},
        {L"NoRepair", REG_DWORD, DwordData(1)},
    };
    for (const Expected& expected : values) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(expected.name)));
        EntryValue value = ReadEntryValue(KEY_WOW64_32KEY, expected.name);
        ASSERT_TRUE(value.present);
        EXPECT_EQ(value.type, expected.type);
        EXPECT_EQ(value.data, expected.data) << "data and size, terminator included";
        EXPECT_FALSE(ReadEntryValue(KEY_WOW64_64KEY, expected.name).present) << "written to the 64-bit view";
    }
}

TEST(UninstallEntry, RegisteringAgainReplacesTheValuesAndKeepsOthers)
{
    ScopedUninstallEntry entry;
    WriteEntryString(KEY_WOW64_32KEY, L"InstallLocation", L"C:\\Old");
    WriteEntryString(KEY_WOW64_32KEY, L"Comments", L"kept");
    InstallerState state;
    state.productVersion = L"1.0.0.0";

    ASSERT_TRUE(RegisterUninstallEntry(L"C:\\New", state));

    EXPECT_EQ(ReadEntryValue(KEY_WOW64_32KEY, L"InstallLocation").data, StringData(L"C:\\New"));
    EXPECT_EQ(ReadEntryValue(KEY_WOW64_32KEY, L"Comments").data, StringData(L"kept"));
}

struct FindCase {
    const char* description;
    void (*arrange)(const std::wstring& installDir);
    bool found;
    // 0: the install directory is temp\Orvicap; otherwise a "\\?\" path
    // below it of exactly this many characters, so that its main program
    // can exist although the directory alone fills the registry buffer.
    size_t locationLength = 0;
};

// SHCreateDirectoryExW takes no "\\?\" path: each level is made in turn
// (the levels that cannot be made, such as the drive, already exist).
bool CreateDirectoryLevels(const std::wstring& path)
{
    for (size_t end = path.find(L'\\', 4);; end = path.find(L'\\', end + 1)) {
        CreateDirectoryW(path.substr(0, end).c_str(), nullptr);
        if (end == std::wstring::npos) {
            return DirectoryExists(path);
        }
    }
}

void MakeMainProgram(const std::wstring& installDir)
{
    ASSERT_TRUE(CreateDirectoryLevels(ProgramDir(installDir)));
    ASSERT_TRUE(WriteFileBytes(MainProgramPath(installDir), "MZ"));
}

std::wstring PathOfLength(const std::wstring& base, size_t length)
{
    std::wstring path = L"\\\\?\\" + base;
    while (length > path.size() + 150) {
        path += L"\\" + std::wstring(100, L'x');
    }
    path += L"\\" + std::wstring(length - path.size() - 1, L'y');
    return path;
}

// A REG_SZ value stored without its terminating NUL.
void WriteUnterminatedLocation(const std::wstring& dir)
{
    WriteEntryValue(KEY_WOW64_32KEY, L"InstallLocation", REG_SZ, dir.c_str(),
                    static_cast<DWORD>(dir.size() * sizeof(wchar_t)));
}

const FindCase kFindCases[] = {
    {"a complete installation",
     [](const std::wstring& dir) { MakeMainProgram(dir); WriteEntryString(KEY_WOW64_32KEY, L"InstallLocation", dir); },
     true},
    {"no uninstall entry", [](const std::wstring& dir) { MakeMainProgram(dir); }, false},
    {"InstallLocation missing",
     [](const std::wstring& dir) { MakeMainProgram(dir); WriteEntryString(KEY_WOW64_32KEY, L"DisplayName", L"Orvicap"); },
     false},
    {"InstallLocation of type REG_EXPAND_SZ",
     [](const std::wstring& dir) { MakeMainProgram(dir); WriteEntryString(KEY_WOW64_32KEY, L"InstallLocation", dir, REG_EXPAND_SZ); },
     false},
    {"InstallLocation longer than MAX_PATH",
     [](const std::wstring& dir) { MakeMainProgram(dir); WriteEntryString(KEY_WOW64_32KEY, L"InstallLocation", dir + L"\\" + std::wstring(300, L'x')); },
     false},
    {"no main program in the directory",
     [](const std::wstring& dir) { CreateDirectories(dir); WriteEntryString(KEY_WOW64_32KEY, L"InstallLocation", dir); },
     false},
    {"entry in the 64-bit view only",
     [](const std::wstring& dir) { MakeMainProgram(dir); WriteEntryString(KEY_WOW64_64KEY, L"InstallLocation", dir); },
     false},
    // 259 characters and the terminator fill the 260-character buffer exactly.
    {"InstallLocation of 259 characters",
     [](const std::wstring& dir) { MakeMainProgram(dir); WriteEntryString(KEY_WOW64_32KEY, L"InstallLocation", dir); },
     true, 259},
    {"InstallLocation of 260 characters",
     [](const std::wstring& dir) { MakeMainProgram(dir); WriteEntryString(KEY_WOW64_32KEY, L"InstallLocation", dir); },
     false, 260},
    {"InstallLocation of 260 characters stored without its terminator",
     [](const std::wstring& dir) { MakeMainProgram(dir); WriteUnterminatedLocation(dir); },
     false, 260},
};

TEST(FindInstalledDir, RecognisesOnlyAnEntryNamingADirectoryWithTheMainProgram)
{
    for (const FindCase& c : kFindCases) {
        SCOPED_TRACE(c.description);
        ScopedUninstallEntry entry;
        ScopedTempDir temp;
        const std::wstring installDir =
            c.locationLength == 0 ? temp / L"Orvicap" : PathOfLength(temp / L"Orvicap", c.locationLength);
        if (c.locationLength != 0) {
            ASSERT_EQ(installDir.size(), c.locationLength);
        }
        c.arrange(installDir);

        std::wstring found = L"unchanged";
        EXPECT_EQ(FindInstalledDir(found), c.found);
        EXPECT_EQ(found, c.found ? installDir : L"unchanged");
        // Paths past MAX_PATH are removed only through the "\\?\" form.
        RemoveTree(L"\\\\?\\" + temp.path);
    }
}

}  // namespace
