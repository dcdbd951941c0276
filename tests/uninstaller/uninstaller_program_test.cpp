#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "native_dll_override.h"
#include "pixel_canvas.h"
#include "process_driver.h"
#include "program_resource_checks.h"
#include "program_resources.h"
#include "test_files.h"
#include "test_processes.h"
#include "uninstaller_constants.h"
#include "uninstaller_layout.h"
#include "uninstaller_painting.h"
#include "uninstaller_watch.h"

namespace {

std::wstring BuiltUninstaller()
{
    return ModuleDirectory() + L"\\uninstall.exe";
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInResource;
    WORD id;
};
#pragma pack(pop)

TEST(UninstallerResources, VersionBlockNamesTheGeneralUninstallerAndManifestRequiresAdministrator)
{
    const std::wstring program = BuiltUninstaller();
    ExpectVersionBlockAndManifest(program, {L"080404b0",
                                            0x04B0,
                                            {{L"CompanyName", L"Velorin"},
                                             {L"FileDescription", L"通用卸载程序"},
                                             {L"FileVersion", L"1.0.0.0"},
                                             {L"InternalName", L"VLUninstaller"},
                                             {L"OriginalFilename", L"uninstall.exe"},
                                             {L"ProductName", L"通用卸载程序"},
                                             {L"ProductVersion", L"1.0.0.0"}},
                                            "requireAdministrator",
                                            false});
    EXPECT_EQ(ProgramSubsystem(program), IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

TEST(UninstallerResources, IconIsOne32PixelImageStoredAsPng)
{
    std::string group = ResourceBytes(BuiltUninstaller(), RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_EQ(group.size(), 6 + sizeof(GroupIconEntry));
    WORD header[3];
    std::memcpy(header, group.data(), sizeof(header));
    EXPECT_EQ(header[1], 1);
    ASSERT_EQ(header[2], 1) << "exactly one image";
    GroupIconEntry entry;
    std::memcpy(&entry, group.data() + 6, sizeof(entry));
    EXPECT_EQ(entry.width, 32);
    EXPECT_EQ(entry.height, 32);
    EXPECT_EQ(entry.bitCount, 32);
    std::string image = ResourceBytes(BuiltUninstaller(), RT_ICON, MAKEINTRESOURCEW(entry.id));
    ASSERT_GE(image.size(), 26u);
    EXPECT_EQ(image.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(image[25], 6) << "colour type: RGB with alpha";
}

// An installed copy of the uninstaller in a temporary install directory with
// a record of its own (scratch registry key, scratch application name), run
// as the system runs it: the quoted path, nothing more.
struct UninstallerProgramTest : testing::Test {
    ScopedTempDir temp;
    std::wstring installDir = temp / L"Orvicap";
    std::wstring program = installDir + L"\\uninstall.exe";
    std::wstring subkey = L"OrvicapProgramTest-" + std::to_wstring(GetCurrentProcessId());
    std::wstring keyPath = std::wstring(kUninstallKeyParent) + subkey;
    std::string record = "\xEF\xBB\xBFName=Orvicap\r\nSubtitle=\xE7\xBB\xB4\xE6\xB4\x9B\xE5\xBD\x95\xE5\xB1\x8F\r\nArpSubkey=" +
                         WideToUtf8ForTest(subkey) + "\r\nMainExe=OrvicapProgramTestApp.exe\r\n";

    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectories(installDir + L"\\bin\\64bit"));
        ASSERT_TRUE(CopyFileW(BuiltUninstaller().c_str(), program.c_str(), FALSE));
        ASSERT_TRUE(WriteFileBytes(installDir + L"\\bin\\64bit\\core.dll", std::string(4096, 'c')));
        ASSERT_TRUE(WriteFileBytes(installDir + L"\\readme.txt", "read me"));
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    void TearDown() override { RegDeleteKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_WOW64_32KEY, 0); }

    bool EntryExists() const
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }

    ProcessRunResult Run(int answer, std::function<void(DWORD)> whileRunning = nullptr,
                         const std::wstring& currentDirectory = L"")
    {
        ProcessRunOptions options;
        options.applicationPath = program;
        options.commandLine = L"\"" + program + L"\"";
        options.currentDirectory = currentDirectory;
        options.answerBox = [answer](const SeenMessageBox&) { return answer; };
        options.whileRunning = std::move(whileRunning);
        return RunProcess(options);
    }
};

TEST_F(UninstallerProgramTest, UnusableRecordGivesTheErrorBoxAndExitCode1)
{
    const struct {
        const char* label;
        const char* file;  // null: no record at all
    } cases[] = {{"missing", nullptr}, {"empty", ""}, {"lower-case key", "name=Orvicap\r\n"}, {"empty name", "Name= \r\n"}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        DeleteFileW((installDir + L"\\uninstall.ini").c_str());
        if (row.file != nullptr) {
            ASSERT_TRUE(WriteFileBytes(installDir + L"\\uninstall.ini", row.file));
        }
        ProcessRunResult run = Run(IDOK);
        ASSERT_TRUE(run.exited);
        EXPECT_EQ(run.exitCode, 1u);
        ASSERT_EQ(run.boxes.size(), 1u);
        EXPECT_EQ(run.boxes[0].caption, L"卸载");
        EXPECT_EQ(run.boxes[0].text, L"未找到卸载配置文件 uninstall.ini，无法卸载。");
        EXPECT_EQ(run.boxes[0].icon, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(run.boxes[0].buttons, std::vector<int>{IDOK});
        EXPECT_TRUE(FileExists(installDir + L"\\readme.txt"));
        EXPECT_TRUE(EntryExists());
    }
}

TEST_F(UninstallerProgramTest, DecliningTheQuestionLeavesEverything)
{
    ASSERT_TRUE(WriteFileBytes(installDir + L"\\uninstall.ini", record));
    int defaultButton = 0;
    ProcessRunOptions options;
    options.applicationPath = program;
    options.commandLine = L"\"" + program + L"\"";
    options.answerBox = [&defaultButton](const SeenMessageBox& box) {
        // The default push button is the one with BS_DEFPUSHBUTTON.
        for (int id : box.buttons) {
            LONG_PTR style = GetWindowLongPtrW(GetDlgItem(box.window, id), GWL_STYLE);
            if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                defaultButton = id;
            }
        }
        return IDNO;
    };
    ProcessRunResult run = RunProcess(options);

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, L"Orvicap");
    EXPECT_EQ(run.boxes[0].text, L"确定要完全卸载 Orvicap 吗？\n\n卸载后安装目录下的所有文件将被删除。");
    EXPECT_EQ(run.boxes[0].icon, static_cast<UINT>(MB_ICONQUESTION));
    EXPECT_EQ(run.boxes[0].buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(defaultButton, IDNO) << "Enter declines";
    EXPECT_TRUE(FileExists(installDir + L"\\readme.txt"));
    EXPECT_TRUE(FileExists(program));
    EXPECT_TRUE(EntryExists());
}

// Writes an .ico file of one 32 x 32 opaque image of one colour.
std::string SolidIconFile(uint32_t rgb)
{
    const int size = 32;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = size;
    header.biHeight = size * 2;
    header.biPlanes = 1;
    header.biBitCount = 32;
    std::string image(reinterpret_cast<const char*>(&header), sizeof(header));
    for (int i = 0; i < size * size; ++i) {
        uint32_t pixel = 0xFF000000 | rgb;
        image.append(reinterpret_cast<const char*>(&pixel), 4);
    }
    image.append(size * 4, '\0');  // AND mask: all opaque
    std::string file;
    const WORD directory[3] = {0, 1, 1};
    file.append(reinterpret_cast<const char*>(directory), sizeof(directory));
    const BYTE dims[4] = {size, size, 0, 0};
    file.append(reinterpret_cast<const char*>(dims), 4);
    const WORD planesBits[2] = {1, 32};
    file.append(reinterpret_cast<const char*>(planesBits), 4);
    const DWORD sizeOffset[2] = {static_cast<DWORD>(image.size()), 22};
    file.append(reinterpret_cast<const char*>(sizeOffset), 8);
    return file + image;
}

TEST_F(UninstallerProgramTest, ConfirmedRunRemovesTheInstallationAndThenItself)
{
    ASSERT_TRUE(WriteFileBytes(installDir + L"\\uninstall.ini", record));
    ScopedTempDir elsewhere;
    std::wstring application = elsewhere / L"OrvicapProgramTestApp.exe";
    ASSERT_TRUE(CopyFileW((ModuleDirectory() + L"\\probe_app.exe").c_str(), application.c_str(), FALSE));
    StartedProcess running;
    ASSERT_TRUE(StartProcess(L"\"" + application + L"\" --sleep 60000", running));

    UninstallerWatch watched;
    ProcessRunResult run = Run(IDYES, watched.Observer());
    watched.SaveScreenshots(L"uninstaller-module-icon");

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_TRUE(running.WaitForExit(2000)) << "the record's MainExe is stopped";
    EXPECT_FALSE(EntryExists());
    EXPECT_FALSE(FileExists(installDir + L"\\readme.txt"));
    EXPECT_FALSE(DirectoryExists(installDir + L"\\bin"));
    EXPECT_TRUE(WaitUntilGone(program, 15000)) << "the interpreter deletes the uninstaller";
    EXPECT_TRUE(WaitUntilGone(installDir, 5000)) << "and the emptied directory";

    ASSERT_NE(watched.window, nullptr) << "the window was shown";
    EXPECT_EQ(watched.title, L"Orvicap");
    EXPECT_EQ(watched.rect.right - watched.rect.left, kWindowWidth);
    EXPECT_EQ(watched.rect.bottom - watched.rect.top, kWindowHeight);
    EXPECT_EQ(watched.rect.left, (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2);
    EXPECT_EQ(watched.rect.top, (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2);
    EXPECT_TRUE(watched.style & WS_POPUP);
    EXPECT_FALSE(watched.style & WS_CAPTION);
    EXPECT_TRUE(watched.exStyle & WS_EX_APPWINDOW);
    EXPECT_TRUE(watched.capturedDuring) << "the window was seen while the removal ran";
    ASSERT_GT(watched.frames, 0);
    // Without app.ico the header shows the program's own icon: the red
    // record dot of the mark sits where the fallback's white triangle would be.
    uint32_t dot = watched.last.At(240, 59);
    EXPECT_GT(Red(dot), 150) << std::hex << dot;
    EXPECT_LT(Green(dot), 120) << std::hex << dot;
    EXPECT_TRUE(NearColor(watched.last.At(430, kProgressRect.top + 4), 0x2D7DF6, 8)) << "the bar ended full";
    EXPECT_GT(PixelsDifferingFrom(watched.last, RECT{40, 214, 120, 232}, kBodyColor & 0xFFFFFF, 60), 20) << "a status line is shown";
}

TEST_F(UninstallerProgramTest, HeaderShowsTheInstalledIconFile)
{
    ASSERT_TRUE(WriteFileBytes(installDir + L"\\uninstall.ini", record));
    ASSERT_TRUE(WriteFileBytes(installDir + L"\\app.ico", SolidIconFile(0x20C040)));

    UninstallerWatch watched;
    ProcessRunResult run = Run(IDYES, watched.Observer());
    watched.SaveScreenshots(L"uninstaller-app-ico");

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_GT(watched.frames, 0);
    EXPECT_TRUE(NearColor(watched.last.At(240, 64), 0x20C040, 8)) << std::hex << watched.last.At(240, 64);
    EXPECT_TRUE(NearColor(watched.last.At(213, 37), 0x20C040, 8)) << "scaled to the whole 56 x 56 square";
    EXPECT_FALSE(FileExists(installDir + L"\\app.ico"));
}

// Copies of a marking program and DLL planted beside the uninstaller under
// the names it might be tricked into running or loading.  They are held
// open, so that the removal cannot delete them before the last command runs.
struct PlantedFiles {
    std::vector<HANDLE> held;
    ~PlantedFiles()
    {
        for (HANDLE file : held) {
            CloseHandle(file);
        }
    }

    bool Plant(const std::wstring& source, const std::wstring& target)
    {
        if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) {
            return false;
        }
        HANDLE file = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        held.push_back(file);
        return file != INVALID_HANDLE_VALUE;
    }
};

std::vector<std::wstring> Marks(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                names.push_back(found.cFileName);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(UninstallerProgramTest, NothingPlantedBesideTheProgramRunsOrLoads)
{
    ASSERT_TRUE(WriteFileBytes(installDir + L"\\uninstall.ini", record));
    ScopedTempDir marks;
    ASSERT_TRUE(SetEnvironmentVariableW(L"ORVICAP_PLANTED_MARKS", marks.path.c_str()));
    PlantedFiles planted;
    for (const wchar_t* name : {L"cmd.exe", L"taskkill.exe", L"ping.exe"}) {
        ASSERT_TRUE(planted.Plant(ModuleDirectory() + L"\\planted_mark.exe", installDir + L"\\" + name)) << name;
    }
    for (const wchar_t* name : {L"gdiplus.dll", L"version.dll"}) {
        ASSERT_TRUE(planted.Plant(ModuleDirectory() + L"\\planted_mark_dll.dll", installDir + L"\\" + name)) << name;
    }
    // Without this the run below could not fail: the plants leave their
    // marks when they run, and a program in this folder that loads
    // gdiplus.dll by name with the default search order loads the plant.
    // (Wine's own user32 imports version.dll, so under Wine that plant could
    // only be shown by making every windowed program in the folder load it;
    // it is here for Windows.)
    StartedProcess probe;
    ASSERT_TRUE(StartProcess(L"\"" + installDir + L"\\ping.exe\"", probe));
    ASSERT_TRUE(probe.WaitForExit(10000));
    ASSERT_TRUE(LoadByNameFromFolder(installDir, L"gdiplus"));
    EXPECT_EQ(Marks(marks.path), (std::vector<std::wstring>{L"gdiplus.dll.loaded", L"ping.exe.ran"}));
    DeleteFileW((marks / L"ping.exe.ran").c_str());
    DeleteFileW((marks / L"gdiplus.dll.loaded").c_str());

    // Started from its own folder, as a double click in Explorer does, and
    // told to prefer a native gdiplus.dll as the probe was.
    ScopedNativeDll nativeForUninstaller(L"uninstall.exe", L"gdiplus");
    ProcessRunResult run = Run(IDYES, nullptr, installDir);

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(FileExists(installDir + L"\\readme.txt"));
    EXPECT_TRUE(WaitUntilGone(program, 15000)) << "the final command ran";
    Sleep(500);
    EXPECT_TRUE(Marks(marks.path).empty()) << testing::PrintToString(Marks(marks.path));
    SetEnvironmentVariableW(L"ORVICAP_PLANTED_MARKS", nullptr);
}

}  // namespace
