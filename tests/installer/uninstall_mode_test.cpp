#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "box_watcher.h"
#include "directory_links.h"
#include "linked_tree.h"
#include "install_location.h"
#include "installer_constants.h"
#include "test_files.h"
#include "test_processes.h"
#include "uninstall_entry_fixture.h"
#include "uninstall_mode.h"

namespace {

// Only the runs that leave everything in place are made in this process: a
// confirmed run deletes the program that started it, so that one is driven
// from outside (installer_program_test).
struct UninstallModeTest : testing::Test {
    ScopedUninstallEntry entry;
    ScopedTempDir temp;

    std::wstring PlantInstallation(const std::wstring& dir)
    {
        EXPECT_TRUE(CreateDirectories(ProgramDir(dir)));
        EXPECT_TRUE(WriteFileBytes(MainProgramPath(dir), "installed program"));
        return dir;
    }

    static std::vector<WatchedBox> Run(BoxWatcher::Answer answer = {})
    {
        BoxWatcher watcher(std::move(answer));
        EXPECT_EQ(RunUninstallMode(), 0);
        return watcher.Boxes();
    }
};

struct NothingToUninstallCase {
    const char* description;
    // A folder of the case's own planted as an installation (main program
    // and all), or one that merely holds a file; null for none.
    const wchar_t* plantedInstallation;
    const wchar_t* folderWithoutProgram;
    // InstallLocation: absent when null; '*' stands for the case's folder.
    const wchar_t* installLocation;
};

// No entry, an entry whose folder lacks the main program, and a relative
// location: the last would be resolved against whatever folder the installer
// was started in (here the case's folder, where an installation lies), and the whole-tree
// deletion takes its path from the registry.
TEST_F(UninstallModeTest, WithoutAnInstallationTheEntryNamesThereIsNothingToUninstall)
{
    const NothingToUninstallCase cases[] = {
        {"no entry", nullptr, nullptr, nullptr},
        {"entry without the main program", nullptr, L"Orvicap", L"*\\Orvicap"},
        {"relative install location", L"relative\\Orvicap", nullptr, L"relative\\Orvicap"},
    };
    for (const NothingToUninstallCase& c : cases) {
        SCOPED_TRACE(c.description);
        ScopedUninstallEntry::Remove();
        ScopedTempDir machine;
        std::wstring kept;
        if (c.plantedInstallation != nullptr) {
            kept = MainProgramPath(PlantInstallation(machine / c.plantedInstallation));
        }
        if (c.folderWithoutProgram != nullptr) {
            kept = machine / (std::wstring(c.folderWithoutProgram) + L"\\keep.txt");
            ASSERT_TRUE(CreateDirectories(machine / c.folderWithoutProgram));
            ASSERT_TRUE(WriteFileBytes(kept, "kept"));
        }
        if (c.installLocation != nullptr) {
            std::wstring location = c.installLocation;
            if (location[0] == L'*') {
                location.replace(0, 1, machine.path);
            }
            WriteEntryString(KEY_WOW64_32KEY, L"InstallLocation", location);
        }
        wchar_t previous[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, previous);
        ASSERT_TRUE(SetCurrentDirectoryW(machine.path.c_str()));

        // A question, should one come, is confirmed.
        const std::vector<WatchedBox> boxes = Run([](WatchedBox&) { return IDYES; });
        SetCurrentDirectoryW(previous);

        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kNothingToUninstallMessage);
        EXPECT_EQ(boxes[0].caption, L"Orvicap");
        EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
        EXPECT_EQ(boxes[0].owner, nullptr);
        EXPECT_TRUE(kept.empty() || FileExists(kept)) << "something was deleted";
        EXPECT_EQ(ReadEntryValue(KEY_WOW64_32KEY, L"InstallLocation").present, c.installLocation != nullptr);
    }
}

// The installer's last fallback default directory has no drive: it lies on
// the current drive, and its installation is one like any other.
TEST_F(UninstallModeTest, InstallLocationWithoutADriveIsOfferedForRemoval)
{
    const std::wstring dir = PlantInstallation(temp / L"Orvicap");
    ASSERT_EQ(dir.compare(1, 2, L":\\"), 0);
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(temp.path.c_str()));
    WriteEntryString(KEY_WOW64_32KEY, L"InstallLocation", dir.substr(2));

    const std::vector<WatchedBox> boxes = Run([](WatchedBox&) { return IDNO; });
    SetCurrentDirectoryW(previous);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, std::wstring(kUninstallConfirmPrefix) + kProductId + kUninstallConfirmSuffix);
    EXPECT_TRUE(FileExists(MainProgramPath(dir)));
    EXPECT_TRUE(ReadEntryValue(KEY_WOW64_32KEY, L"InstallLocation").present);
}

TEST_F(UninstallModeTest, DecliningTheConfirmationChangesNothing)
{
    const std::wstring dir = PlantInstallation(temp / L"Orvicap");
    WriteEntryString(KEY_WOW64_32KEY, L"InstallLocation", dir);

    for (int answer : {IDNO, IDCANCEL}) {
        SCOPED_TRACE(answer);
        const std::vector<WatchedBox> boxes = Run([answer](WatchedBox&) { return answer; });
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, std::wstring(L"确定要完全卸载 Orvicap 吗？\n\n卸载后安装目录下的所有文件将被删除。"));
        EXPECT_EQ(boxes[0].caption, L"Orvicap");
        EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONQUESTION));
        EXPECT_EQ(boxes[0].buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_TRUE(FileExists(MainProgramPath(dir)));
        EXPECT_TRUE(ReadEntryValue(KEY_WOW64_32KEY, L"InstallLocation").present);
    }
}

// An installation holding directory links, at its top and further down, to a
// folder outside it: the links go, the folder they lead to keeps its files.
struct LinkedInstallationTest : testing::Test {
    ScopedTempDir temp;
    std::wstring installDir = temp / L"Orvicap";
    LinkedTree links{installDir, temp / L"outside"};
    const std::wstring& topLink = links.topLink;

    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectories(ProgramDir(installDir)));
        ASSERT_TRUE(WriteFileBytes(MainProgramPath(installDir), "installed program"));
        ASSERT_TRUE(CreateDirectories(installDir + L"\\data"));
        ASSERT_TRUE(WriteFileBytes(installDir + L"\\data\\settings.ini", "installed"));
        ASSERT_TRUE(WriteFileBytes(installDir + L"\\uninstall.ini", "record"));
        ASSERT_TRUE(links.Build());
    }

    void TearDown() override { links.RemoveLinks(); }

    void ExpectOutsideUntouched() const { EXPECT_TRUE(links.OutsideUntouched()); }
};

TEST_F(LinkedInstallationTest, RemovalDeletesTheInstallationButNotThroughItsLinks)
{
    DeleteInstallDir(installDir);

    ExpectOutsideUntouched();
    EXPECT_FALSE(FileExists(MainProgramPath(installDir)));
    EXPECT_FALSE(FileExists(installDir + L"\\data\\settings.ini"));
    EXPECT_FALSE(FileExists(installDir + L"\\uninstall.ini"));
    EXPECT_FALSE(DirectoryExists(installDir + L"\\bin"));
    // Windows opens a link as the link and deletes it so; Wine cannot open a
    // Unix link as the link, so it is left (still a link, not followed) and
    // the directories holding one stay.
    if (RunningUnderWine()) {
        EXPECT_TRUE(GetFileAttributesW(topLink.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
        EXPECT_TRUE(DirectoryExists(installDir));
    } else {
        EXPECT_EQ(GetFileAttributesW(topLink.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(DirectoryExists(installDir));
    }
}

TEST_F(LinkedInstallationTest, InstallDirectoryThatIsALinkIsRemovedAsALink)
{
    // The registry may name the link itself: only the link may go.
    DeleteInstallDir(topLink);

    ExpectOutsideUntouched();
    EXPECT_TRUE(FileExists(MainProgramPath(installDir)));
    if (RunningUnderWine()) {
        EXPECT_TRUE(GetFileAttributesW(topLink.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    } else {
        EXPECT_EQ(GetFileAttributesW(topLink.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

// The command the mode starts, run on a copy of a program in a folder whose
// name cmd.exe would split without the quotes.
TEST(UninstallMode, SelfDeletionWaitsAboutASecondThenDeletesTheQuotedFile)
{
    EXPECT_EQ(SelfDeletionParameters(L"C:\\Users\\me\\Downloads\\VLInstaller.exe"),
              L"/c ping 127.0.0.1 -n 2 >nul & del \"C:\\Users\\me\\Downloads\\VLInstaller.exe\"");

    ScopedTempDir temp;
    const std::wstring downloads = temp / L"Down loads & more";
    ASSERT_TRUE(CreateDirectories(downloads));
    const std::wstring copy = downloads + L"\\VLInstaller.exe";
    const std::wstring neighbour = downloads + L"\\VLInstaller.exe.txt";
    wchar_t program[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    ASSERT_TRUE(CopyFileW(program, copy.c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(neighbour, "stays"));

    const ULONGLONG started = GetTickCount64();
    StartSelfDeletion(copy);
    ASSERT_TRUE(WaitUntilGone(copy, 15000)) << "the copy was not deleted";
    const ULONGLONG elapsed = GetTickCount64() - started;

    EXPECT_GE(elapsed, 800u) << "deleted without the pause of the two pings";
    EXPECT_LT(elapsed, 10000u);
    EXPECT_TRUE(FileExists(neighbour));
    EXPECT_TRUE(DirectoryExists(downloads));
}

}  // namespace
