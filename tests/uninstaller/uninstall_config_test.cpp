#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>

#include <atomic>
#include <new>

#include "test_files.h"
#include "uninstall_config.h"

// While a test sets a cap, larger allocations fail as they do in a 32-bit
// process whose address space cannot hold another copy of a huge record
// line: that is how a record of hundreds of megabytes behaves, made
// deterministic and cheap.
static std::atomic<size_t> allocationCap{0};

void* operator new(size_t size)
{
    const size_t cap = allocationCap.load();
    void* block = cap != 0 && size > cap ? nullptr : HeapAlloc(GetProcessHeap(), 0, size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void operator delete(void* block) noexcept
{
    if (block != nullptr) {
        HeapFree(GetProcessHeap(), 0, block);
    }
}

void operator delete(void* block, size_t) noexcept
{
    operator delete(block);
}

namespace {

struct AllocationCap {
    explicit AllocationCap(size_t bytes) { allocationCap = bytes; }
    ~AllocationCap() { allocationCap = 0; }
};

// The record exactly as the installer writes it.
const std::string kInstallerRecord =
    "\xEF\xBB\xBF"
    "Name=Orvicap\r\nSubtitle=\xE7\xBB\xB4\xE6\xB4\x9B\xE5\xBD\x95\xE5\xB1\x8F\r\nArpSubkey=Orvicap\r\n"
    "MainExe=Orvicap.exe\r\n";
const wchar_t kSubtitle[] = L"维洛录屏";

// Comment lines of 64 bytes each, CRLF included, filling `bytes` bytes
// (a multiple of 64) in front of the given lines.
std::string AfterComments(size_t bytes, const std::string& lines)
{
    std::string comment(62, '-');
    comment.front() = '#';
    comment += "\r\n";
    std::string file;
    file.reserve(bytes + lines.size());
    while (file.size() < bytes) {
        file += comment;
    }
    return file + lines;
}

struct RecordCase {
    const char* label;
    std::string file;
    bool loads;
    UninstallConfig expected;
};

const RecordCase kRecordCases[] = {
    {"installer's own record", kInstallerRecord, true, {L"Orvicap", kSubtitle, L"Orvicap", L"Orvicap.exe"}},
    {"LF endings without mark",
     "Name=Orvicap\nSubtitle=\xE7\xBB\xB4\xE6\xB4\x9B\xE5\xBD\x95\xE5\xB1\x8F\nArpSubkey=Orvicap\nMainExe=Orvicap.exe",
     true,
     {L"Orvicap", kSubtitle, L"Orvicap", L"Orvicap.exe"}},
    // Only the first byte is looked at: three bytes go, here "\xEFNa" and with it the key.
    {"0xEF without a mark", "\xEFName=Orvicap\r\n", false, {L"", L"", L"", L""}},
    {"0xEF and two more bytes in front", "\xEF\x41\x42Name=Orvicap\r\n", true, {L"Orvicap", L"", L"", L""}},
    {"spaces, tabs and a stray CR around key and value", " \tName \t= \tOrvicap \t\r\r\nMainExe=\t a.exe \r\n", true,
     {L"Orvicap", L"", L"", L"a.exe"}},
    {"lower-case key", "name=Orvicap\r\n", false, {L"", L"", L"", L""}},
    {"two Name lines, the first empty", "Name=\r\nName=Orvicap\r\n", false, {L"", L"", L"", L""}},
    {"two Name lines, the first wins", "Name=First\r\nName=Second\r\n", true, {L"First", L"", L"", L""}},
    {"comment and section characters in front", "#Name=A\r\n;Name=B\r\n[Name=C\r\nName=D\r\n", true, {L"D", L"", L"", L""}},
    {"comment characters after a space are ordinary keys", " #Name=A\r\n ;Name=B\r\n [Name=C\r\n", false, {L"", L"", L"", L""}},
    {"section line before the keys", "[Orvicap]\r\nName=Orvicap\r\n", true, {L"Orvicap", L"", L"", L""}},
    {"value containing '='", "Name=N\r\nSubtitle=a=b\r\n", true, {L"N", L"a=b", L"", L""}},
    {"lines without '=' and blank lines", "\r\n\nName\r\nMainExe\r\nName=N\r\n", true, {L"N", L"", L"", L""}},
    {"value of spaces only", "Name=N\r\nSubtitle= \t \r\n", true, {L"N", L"", L"", L""}},
    {"extra keys", "Version=9\r\nName=N\r\nArpSubkey=K\r\n", true, {L"N", L"", L"K", L""}},
    {"empty file", "", false, {L"", L"", L"", L""}},
    {"mark only", "\xEF\xBB\xBF", false, {L"", L"", L"", L""}},
    // The whole file is read, however far down the keys stand.
    {"Name after 1.1 MB of comment lines", AfterComments(1100032, "Name=Orvicap\r\nMainExe=Orvicap.exe\r\n"), true,
     {L"Orvicap", L"", L"", L"Orvicap.exe"}},
    {"Name line across the first MiB", AfterComments(1048576 - 64, std::string(56, ' ') + "Name=Orvicap\r\n"), true,
     {L"Orvicap", L"", L"", L""}},
};

TEST(UninstallConfig, RecordsReadAsTheLenientFormatSays)
{
    for (const RecordCase& row : kRecordCases) {
        SCOPED_TRACE(row.label);
        ScopedTempDir dir;
        ASSERT_TRUE(WriteFileBytes(dir / L"uninstall.ini", row.file));
        UninstallConfig config;
        EXPECT_EQ(LoadUninstallConfig(dir.path, config), row.loads);
        if (row.loads) {
            EXPECT_EQ(config.name, row.expected.name);
            EXPECT_EQ(config.subtitle, row.expected.subtitle);
            EXPECT_EQ(config.arpSubkey, row.expected.arpSubkey);
            EXPECT_EQ(config.mainExe, row.expected.mainExe);
        }
    }
}

TEST(UninstallConfig, MissingRecordDoesNotLoad)
{
    ScopedTempDir dir;
    UninstallConfig config;
    EXPECT_FALSE(LoadUninstallConfig(dir.path, config));
    std::string content = "untouched";
    EXPECT_FALSE(ReadRecordFile(dir / L"uninstall.ini", content));
    EXPECT_EQ(content, "untouched");
}

// A record is held whole in memory: one of 2 GiB or more counts as missing,
// whatever its beginning says.
TEST(UninstallConfig, RecordOf2GiBOrMoreDoesNotLoad)
{
    ScopedTempDir dir;
    const std::wstring path = dir / L"uninstall.ini";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const char lines[] = "Name=Orvicap\r\nMainExe=Orvicap.exe\r\n";
    DWORD written = 0;
    WriteFile(file, lines, sizeof(lines) - 1, &written, nullptr);
    // Sparse where the file system allows it, so that the size costs no disk.
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER size{};
    size.QuadPart = 2LL * 1024 * 1024 * 1024;
    const bool extended = SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    ASSERT_TRUE(extended);

    UninstallConfig config;
    EXPECT_FALSE(LoadUninstallConfig(dir.path, config));
    std::string content = "untouched";
    EXPECT_FALSE(ReadRecordFile(path, content));
    EXPECT_TRUE(content == "untouched") << content.size() << " bytes were read";
}

// A line far larger than any record is looked at where it lies, never
// copied: the lines after it are still found.
TEST(UninstallConfig, HugeLineIsNotCopiedToFindTheKeysAfterIt)
{
    const std::string content = "Name=Orvicap\r\n#" + std::string(32 * 1024 * 1024, 'x') + "\r\nMainExe=Orvicap.exe\r\n";
    AllocationCap cap(1024 * 1024);
    EXPECT_EQ(FindRecordValue(content, "MainExe"), L"Orvicap.exe");
}

// A value too large to hold counts as no record: the uninstaller then shows
// its missing-record box instead of ending through an exception.
TEST(UninstallConfig, RecordTooLargeToHoldDoesNotLoad)
{
    ScopedTempDir dir;
    const std::string record = "Name=Orvicap\r\nSubtitle=" + std::string(16 * 1024 * 1024, 'x') + "\r\n";
    ASSERT_TRUE(WriteFileBytes(dir / L"uninstall.ini", record));
    UninstallConfig config;
    bool loaded = true;
    {
        // Room for the record itself, not for its value as UTF-16.
        AllocationCap cap(record.size() + 1024 * 1024);
        loaded = LoadUninstallConfig(dir.path, config);
    }
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(config.name.empty());
}

TEST(UninstallConfig, ReadingDropsOnlyALeadingMark)
{
    const struct {
        std::string file;
        std::string content;
    } cases[] = {
        {"\xEF\xBB\xBFName=x", "Name=x"},
        {"Name=x\xEF\xBB\xBF", "Name=x\xEF\xBB\xBF"},
        {"\xEF\xBB", "\xEF\xBB"},
        {"\xEF\x01\x02rest", "rest"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::PrintToString(row.file));
        ScopedTempDir dir;
        ASSERT_TRUE(WriteFileBytes(dir / L"r.ini", row.file));
        std::string content;
        ASSERT_TRUE(ReadRecordFile(dir / L"r.ini", content));
        EXPECT_EQ(content, row.content);
    }
}

TEST(UninstallConfig, TrimmingRemovesBlanksInFrontAndLineEndsBehind)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {" \tkey\t ", "key"}, {"a b", "a b"},   {"\r\nkey", "\r\nkey"}, {"key\r\n", "key"},
        {" \t ", ""},         {" \r", ""},      {"", ""},               {"\"q\" ", "\"q\""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::PrintToString(row.in));
        std::string token = row.in;
        TrimRecordToken(token);
        EXPECT_EQ(token, row.out);
    }
}

TEST(UninstallConfig, ValueLookupIsExactAboutTheKey)
{
    std::string content = "NameX=a\nName =b\n";
    EXPECT_EQ(FindRecordValue(content, "Name"), L"b");
    EXPECT_EQ(FindRecordValue(content, "Nam"), L"");
    EXPECT_EQ(FindRecordValue("MainExe=x", "MainExe"), L"x") << "a last line without LF counts";
}

TEST(UninstallConfig, InstallDirIsTheUninstallersOwnFolder)
{
    EXPECT_EQ(DirectoryOfPath(L"C:\\Program Files (x86)\\Orvicap\\uninstall.exe"), L"C:\\Program Files (x86)\\Orvicap");
    EXPECT_EQ(DirectoryOfPath(L"D:\\应用\\Orvicap\\uninstall.exe"), L"D:\\应用\\Orvicap");
    EXPECT_EQ(DirectoryOfPath(OwnModulePath()), ModuleDirectory());
}

}  // namespace
