#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <optional>
#include <random>

#include "directory_links.h"
#include "owned_entry.h"
#include "payload_extraction.h"
#include "progress_window.h"
#include "test_files.h"
#include "text_encoding.h"
#include "zip_fixture.h"

namespace {

std::vector<unsigned char> Bytes(const std::string& archive)
{
    return std::vector<unsigned char>(archive.begin(), archive.end());
}

// Every file below root, by path relative to it, with its content.
void CollectFiles(const std::wstring& root, const std::wstring& relative, std::map<std::wstring, std::string>& files)
{
    WIN32_FIND_DATAW entry{};
    std::wstring directory = relative.empty() ? root : root + L"\\" + relative;
    HANDLE find = FindFirstFileW((directory + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        std::wstring child = relative.empty() ? name : relative + L"\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files[child + L"\\"] = "";
            CollectFiles(root, child, files);
        } else {
            files[child] = ReadFileBytes(root + L"\\" + child);
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

std::map<std::wstring, std::string> TreeOf(const std::wstring& root)
{
    std::map<std::wstring, std::string> files;
    CollectFiles(root, L"", files);
    return files;
}

struct ExtractionTest : testing::Test {
    ScopedTempDir temp;
    // The install directory sits one level down, so that anything escaping it
    // shows up beside it.
    std::wstring installDir = temp / L"Orvicap";
    ProgressWindow progressWindow;

    bool Extract(const std::string& archive)
    {
        return ExtractPayload(Bytes(archive), installDir, ProgressTarget{progressWindow.window, &progressWindow.state});
    }

    // Extracts on a thread of its own, so that an extraction that never ends
    // fails the test instead of hanging the suite; false when it did not end
    // within the limit.
    bool ExtractWithinLimit(const std::string& archive, bool& extracted);

    std::map<std::wstring, std::string> OutsideInstallDir()
    {
        std::map<std::wstring, std::string> outside;
        for (const auto& [path, content] : TreeOf(temp.path)) {
            if (path.rfind(L"Orvicap\\", 0) != 0) {
                outside[path] = content;
            }
        }
        return outside;
    }
};

// What an extraction thread works on.  It owns copies of everything, so that
// a thread that has to be abandoned touches nothing of the test's.
struct ExtractionJob {
    std::vector<unsigned char> payload;
    std::wstring installDir;
    InstallerState state;
    bool extracted = false;
};

DWORD WINAPI RunExtractionJob(void* parameter)
{
    ExtractionJob* job = static_cast<ExtractionJob*>(parameter);
    // No window: repainting the test thread's window from here would wait for
    // that thread, which is busy waiting for this one.
    job->extracted = ExtractPayload(job->payload, job->installDir, ProgressTarget{nullptr, &job->state});
    return 0;
}

bool ExtractionTest::ExtractWithinLimit(const std::string& archive, bool& extracted)
{
    // Generous for an archive of a few hundred bytes on a busy machine.
    const DWORD kExtractionLimitMs = 20000;
    ExtractionJob* job = new ExtractionJob{Bytes(archive), installDir, {}, false};
    HANDLE thread = CreateThread(nullptr, 0, RunExtractionJob, job, 0, nullptr);
    if (thread == nullptr) {
        delete job;
        return false;
    }
    const bool ended = WaitForSingleObject(thread, kExtractionLimitMs) == WAIT_OBJECT_0;
    if (ended) {
        extracted = job->extracted;
        delete job;
    } else {
        // A thread that spins inside the inflater holds no lock; ending it
        // spares the rest of the suite a busy core.  Its job is left behind on
        // purpose: the thread may have been using it.
        TerminateThread(thread, 1);
    }
    CloseHandle(thread);
    return ended;
}

struct LayoutCase {
    const char* description;
    std::vector<ZipEntry> entries;
    std::map<std::wstring, std::string> expectedTree;
};

TEST_F(ExtractionTest, EntriesLandBelowTheInstallDirWithTheSharedTopFolderRemoved)
{
    const LayoutCase cases[] = {
        {"one top folder",
         {{"top/", ""}, {"top/bin/", ""}, {"top/bin/a.dll", "A"}, {"top/readme.txt", "R"}},
         {{L"bin\\", ""}, {L"bin\\a.dll", "A"}, {L"readme.txt", "R"}}},
        {"two first components: no top folder",
         {{"a/x.txt", "X"}, {"b/y.txt", "Y"}},
         {{L"a\\", ""}, {L"a\\x.txt", "X"}, {L"b\\", ""}, {L"b\\y.txt", "Y"}}},
        {"a file at the root: no top folder",
         {{"top/x.txt", "X"}, {"readme.txt", "R"}},
         {{L"top\\", ""}, {L"top\\x.txt", "X"}, {L"readme.txt", "R"}}},
        {"first components differing in case are different folders",
         {{"Top/x.txt", "X"}, {"top/y.txt", "Y"}},
         {{L"Top\\", ""}, {L"Top\\x.txt", "X"}, {L"Top\\y.txt", "Y"}}},
        {"leading dots and separators go before the top folder is found, not after",
         {{"./top/.cfg", "C"}, {"top/zero.bin", "", true}, {"top/说明.txt", "中文"}},
         {{L".cfg", "C"}, {L"zero.bin", ""}, {L"说明.txt", "中文"}}},
        {"a name through .. that stays inside",
         {{"top/bin/", ""}, {"top/bin/../bin/b.dll", "B"}},
         {{L"bin\\", ""}, {L"bin\\b.dll", "B"}}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.description);
        RemoveTree(installDir);
        EXPECT_TRUE(Extract(BuildZip(c.entries)));
        EXPECT_EQ(TreeOf(installDir), c.expectedTree);
    }
}

struct ExtractionOutcome {
    bool extracted;
    std::map<std::wstring, std::string> tree;
};

struct HostileNameCase {
    const char* storedName;
    ExtractionOutcome outcome;
    // Where Wine differs: it takes ':' in a file name, which Windows refuses.
    std::optional<ExtractionOutcome> underWine;
};

TEST_F(ExtractionTest, EntryNamesThatPointOutsideFailAndCreateNothingOutside)
{
    const ExtractionOutcome refused{false, {{L"first.txt", "first"}}};
    // Each hostile name is stored over a harmless placeholder of the same
    // length, after a good entry that stays.  A name that merely looks hostile
    // may resolve inside; then it is a file of the tree like any other.
    const HostileNameCase cases[] = {
        {"top/../../evil.dll", refused, {}},
        {"top/sub/..\\..\\..\\evil", refused, {}},
        {"top/C:/Windows/evil.dll", refused,
         ExtractionOutcome{true,
                           {{L"first.txt", "first"}, {L"C:\\", ""}, {L"C:\\Windows\\", ""},
                            {L"C:\\Windows\\evil.dll", "evil"}}}},
        // Not below top/: the archive has no top folder left to drop.
        {"C:/Windows/evil.dll.txt", {false, {{L"top\\", ""}, {L"top\\first.txt", "first"}}},
         ExtractionOutcome{true,
                           {{L"top\\", ""}, {L"top\\first.txt", "first"}, {L"C:\\", ""}, {L"C:\\Windows\\", ""},
                            {L"C:\\Windows\\evil.dll.txt", "evil"}}}},
        {"top/bin/../../../../evil", refused, {}},
        {"top/\\\\host\\share\\evil",
         {true, {{L"first.txt", "first"}, {L"host\\", ""}, {L"host\\share\\", ""}, {L"host\\share\\evil", "evil"}}},
         {}},
    };
    for (const HostileNameCase& c : cases) {
        SCOPED_TRACE(c.storedName);
        RemoveTree(installDir);
        const std::string hostile = c.storedName;
        const std::string placeholder = "top/" + std::string(hostile.size() - 4, 'p');
        std::string archive = BuildZip({{"top/", ""}, {"top/first.txt", "first"}, {placeholder, "evil"}});
        RenameEntry(archive, placeholder, hostile);
        const ExtractionOutcome& expected = RunningUnderWine() && c.underWine ? *c.underWine : c.outcome;

        EXPECT_EQ(Extract(archive), expected.extracted);

        EXPECT_TRUE(OutsideInstallDir().empty()) << "something landed outside the install directory";
        EXPECT_EQ(TreeOf(installDir), expected.tree);
    }
}

struct EntryNameCase {
    const char* description;
    UINT onlyInCodePage;      // 0: in any ANSI code page
    std::string storedName;  // unused when padded
    std::wstring decoded;    // unused when padded
    size_t targetLength;     // padded to make installDir\\name this long; 0: not padded
};

constexpr char kPadding = 'p';

// A stored name padded to make installDir\name exactly targetLength long: a
// folder of 150 characters (its parent path stays clear of the 248 that
// directory creation allows) and a file name for the rest.
std::string PaddedName(const std::wstring& installDir, size_t targetLength)
{
    const size_t kFolderLength = 150;
    const size_t fileLength = targetLength - installDir.size() - 1 - kFolderLength - 1;
    return std::string(kFolderLength, kPadding) + "/" + std::string(fileLength, kPadding);
}

std::wstring WithBackslashes(std::wstring path)
{
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// An entry name on its way to a file: decoded, normalised, resolved, and its
// folder created.  MAX_PATH holds 259 characters and the terminator.
TEST_F(ExtractionTest, EntryNamesAreDecodedAndResolvedUpToMaxPath)
{
    const EntryNameCase cases[] = {
        {"a target of 259 characters fits", 0, "", L"", MAX_PATH - 1},
        {"a target of 260 characters does not", 0, "", L"", MAX_PATH},
        {"UTF-8 is read as UTF-8", 0, "说明/读我.txt", L"说明/读我.txt", 0},
        {"bytes that are not UTF-8 are read in the ANSI code page (936)", 936, "\xD6\xD0\xCE\xC4/a.txt",
         L"中文/a.txt", 0},
        {"bytes that are not UTF-8 are read in the ANSI code page (1252)", 1252, "\xE9t\xE9/a.txt",
         L"\u00E9t\u00E9/a.txt", 0},
    };
    for (const EntryNameCase& c : cases) {
        SCOPED_TRACE(c.description);
        if (c.onlyInCodePage != 0 && c.onlyInCodePage != GetACP()) {
            std::cout << "not shown in ANSI code page " << GetACP() << ": " << c.description << "\n";
            continue;
        }
        RemoveTree(installDir);
        ASSERT_TRUE(CreateDirectories(installDir));
        const std::string stored = c.targetLength != 0 ? PaddedName(installDir, c.targetLength) : c.storedName;
        // The padding is plain ASCII; decoding and normalising know no length limit.
        const std::wstring decoded = c.targetLength != 0 ? std::wstring(stored.begin(), stored.end()) : c.decoded;
        EXPECT_EQ(Utf8ToWide(stored), decoded);
        const std::wstring normalized = NormalizeEntryName("./" + stored);
        EXPECT_EQ(normalized, WithBackslashes(decoded));
        const std::wstring target = installDir + L"\\" + normalized;
        ASSERT_TRUE(c.targetLength == 0 || target.size() == c.targetLength);
        const bool fits = target.size() < MAX_PATH;
        EXPECT_EQ(FullPathOf(target), fits ? target : L"");
        EXPECT_EQ(FullPathOf(installDir + L"\\sub\\..\\" + normalized), fits ? target : L"");
        const std::wstring folder = target.substr(0, target.rfind(L'\\'));
        EXPECT_EQ(EnsureParentDirectory(target), fits);
        EXPECT_EQ(DirectoryExists(folder), fits) << "a path past the limit creates nothing";
    }
}

TEST_F(ExtractionTest, EscapingEntryIsRefused)
{
    std::string archive = BuildZip({{"top/", ""}, {"top/a.txt", "a"}, {"top/ppppppp.dll", "evil"}});
    RenameEntry(archive, "top/ppppppp.dll", "top/../../x.dll");
    EXPECT_FALSE(Extract(archive));
    EXPECT_TRUE(OutsideInstallDir().empty());
    EXPECT_EQ(TreeOf(installDir), (std::map<std::wstring, std::string>{{L"a.txt", "a"}}));
}

// Damage done to the third entry's central directory record, which is what
// the reader trusts.
void FlipCrc(std::string& a) { WriteCentralField(a, 2, CentralField::Crc32, ReadCentralField(a, 2, CentralField::Crc32) ^ 1); }
void GrowRecordedSize(std::string& a) { WriteCentralField(a, 2, CentralField::UncompressedSize, ReadCentralField(a, 2, CentralField::UncompressedSize) + 1); }
void ShrinkRecordedSize(std::string& a) { WriteCentralField(a, 2, CentralField::UncompressedSize, ReadCentralField(a, 2, CentralField::UncompressedSize) - 1); }
void MarkEncrypted(std::string& a) { WriteCentralField(a, 2, CentralField::Flags, ReadCentralField(a, 2, CentralField::Flags) | 1); }
void UseUnsupportedMethod(std::string& a) { WriteCentralField(a, 2, CentralField::Method, 12); }
void RecordHugeCompressedSize(std::string& a) { WriteCentralField(a, 2, CentralField::CompressedSize, 0x7FFFFFF0); }
// The two below leave a deflate stream that has not ended when the entry's
// data runs out: the inflater then asks for more input than the entry has.
void HalveRecordedCompressedSize(std::string& a) { WriteCentralField(a, 2, CentralField::CompressedSize, ReadCentralField(a, 2, CentralField::CompressedSize) / 2); }
void OverwriteDataWithGarbage(std::string& a)
{
    // Bytes of 'Z' read as fixed-Huffman blocks that never reach an end.
    const size_t data = EntryDataOffset(a, 2);
    std::fill_n(a.begin() + static_cast<std::ptrdiff_t>(data), ReadCentralField(a, 2, CentralField::CompressedSize), 'Z');
}

struct DamageCase {
    const char* description;
    void (*damage)(std::string& archive);
    bool archiveRefusedWhole;  // the reader already refuses to open it
};

TEST_F(ExtractionTest, DamagedEntriesFailWithoutLeavingTheirFile)
{
    // Entry 0 is the top folder, 1 a good file, 2 the damaged one.
    const DamageCase cases[] = {
        {"wrong CRC-32", FlipCrc, false},
        {"data shorter than recorded", GrowRecordedSize, false},
        {"data longer than recorded", ShrinkRecordedSize, false},
        {"encrypted", MarkEncrypted, false},
        {"unsupported method", UseUnsupportedMethod, false},
        {"compressed size beyond the archive", RecordHugeCompressedSize, true},
        {"deflate data cut short by its recorded compressed size", HalveRecordedCompressedSize, false},
        {"garbage instead of deflate data", OverwriteDataWithGarbage, false},
    };
    std::string content(200000, 'x');
    for (size_t i = 0; i < content.size(); i += 7) {
        content[i] = static_cast<char>('a' + i % 23);
    }
    int caseNumber = 0;
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.description);
        // A directory of its own: an extraction that had to be abandoned keeps its file open.
        installDir = temp / (L"Orvicap" + std::to_wstring(++caseNumber));
        std::string archive = BuildZip({{"top/", ""}, {"top/good.txt", "good"}, {"top/damaged.bin", content}});
        c.damage(archive);
        bool extracted = true;
        if (!ExtractWithinLimit(archive, extracted)) {
            ADD_FAILURE() << "the extraction did not end";
            continue;
        }
        EXPECT_FALSE(extracted);
        std::map<std::wstring, std::string> expected;
        if (!c.archiveRefusedWhole) {
            expected[L"good.txt"] = "good";
        }
        EXPECT_EQ(TreeOf(installDir), expected);
    }
}

TEST_F(ExtractionTest, PayloadTooShortOrNotAnArchiveFailsAfterCreatingTheInstallDir)
{
    const std::string payloads[] = {"", std::string(21, 'P'), std::string(4096, 'P'),
                                    BuildZip({{"top/a.txt", "a"}}).substr(0, 40)};
    for (const std::string& payload : payloads) {
        SCOPED_TRACE(payload.size());
        RemoveTree(installDir);
        EXPECT_FALSE(Extract(payload));
        EXPECT_TRUE(DirectoryExists(installDir));
        EXPECT_TRUE(TreeOf(installDir).empty());
    }
}

TEST_F(ExtractionTest, EmptyArchiveCreatesOnlyTheInstallDir)
{
    EXPECT_TRUE(Extract(BuildZip({})));
    EXPECT_TRUE(DirectoryExists(installDir));
    EXPECT_TRUE(TreeOf(installDir).empty());
}

TEST_F(ExtractionTest, ProgressIsReportedAndPaintedAfterEachFileOnly)
{
    EXPECT_TRUE(Extract(BuildZip({{"top/", ""}, {"top/a.txt", "a"}, {"top/b.txt", ""}, {"top/sub/", ""}})));
    EXPECT_EQ(progressWindow.paintedProgress, (std::vector<int>{50, 75}));
    EXPECT_EQ(progressWindow.state.progress, 75) << "100 is the pipeline's to set";
}

TEST_F(ExtractionTest, QuitRequestMetByTheProgressReportStopsTheExtraction)
{
    progressWindow.quitOnPaint = 1;
    EXPECT_FALSE(Extract(BuildZip({{"top/", ""}, {"top/a.txt", "a"}, {"top/b.txt", "b"}})));
    EXPECT_EQ(TreeOf(installDir), (std::map<std::wstring, std::string>{{L"a.txt", "a"}}));
}

TEST_F(ExtractionTest, QuitRequestTakenByTheOrdinaryPumpIsLost)
{
    // The pump before the first entry dispatches it; the extraction goes on.
    PostQuitMessage(0);
    EXPECT_TRUE(Extract(BuildZip({{"top/", ""}, {"top/a.txt", "a"}, {"top/b.txt", "b"}})));
    EXPECT_EQ(TreeOf(installDir).size(), 2u);
}

TEST_F(ExtractionTest, FileThatCannotBeReplacedFailsTheExtraction)
{
    ASSERT_TRUE(CreateDirectories(installDir));
    ASSERT_TRUE(WriteFileBytes(installDir + L"\\held.dll", "old"));
    HANDLE held = CreateFileW((installDir + L"\\held.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    bool extracted = Extract(BuildZip({{"top/", ""}, {"top/held.dll", "new"}}));
    CloseHandle(held);
    EXPECT_FALSE(extracted);
    EXPECT_EQ(ReadFileBytes(installDir + L"\\held.dll"), "old");
}

// A link already standing in the install directory, where the payload has a
// folder or a file, would carry the elevated writes to wherever it points.
TEST_F(ExtractionTest, LinksStandingInTheInstallDirAreNotFollowed)
{
    const std::wstring outside = temp / L"elsewhere";
    ASSERT_TRUE(CreateDirectories(outside));
    const struct {
        const char* description;
        const wchar_t* link;
    } cases[] = {{"a folder of the payload", L"bin"}, {"a folder below it", L"bin\\64bit"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        RemoveTree(installDir);
        const std::wstring link = installDir + L"\\" + c.link;
        ASSERT_TRUE(CreateDirectories(link.substr(0, link.rfind(L'\\'))));
        ASSERT_TRUE(MakeDirectoryLink(outside, link));
        bool extracted = Extract(BuildZip({{"top/", ""}, {"top/bin/", ""}, {"top/bin/64bit/", ""},
                                           {"top/bin/64bit/Orvicap.exe", "MZ"}, {"top/readme.txt", "R"}}));
        RemoveDirectoryLink(link);
        EXPECT_FALSE(extracted);
        EXPECT_TRUE(TreeOf(outside).empty()) << "written through the link";
    }
}

// A link that appears while the extraction runs, named like a folder the
// payload has not reached yet or put in place of one it has left: the seam
// makes it appear at exactly the moment the first file is written.
TEST_F(ExtractionTest, LinkPutInPlaceDuringTheExtractionIsNotWrittenThrough)
{
    const std::wstring outside = temp / L"elsewhere";
    ASSERT_TRUE(CreateDirectories(outside));
    const struct {
        const char* description;
        const wchar_t* folder;
        bool swap;  // the folder exists by then and is swapped; else it is new
    } cases[] = {{"a folder not reached yet", L"late", false}, {"a folder already made", L"made", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        RemoveTree(installDir);
        const std::wstring folder = installDir + L"\\" + c.folder;
        bool linked = false;
        SetBeforeActHook([&](const std::wstring& finalPath) {
            if (!linked && finalPath.find(L"early") != std::wstring::npos) {
                linked = c.swap ? SwapForDirectoryLink(folder, outside) : MakeDirectoryLink(outside, folder);
            }
        });
        bool extracted = Extract(BuildZip({{"top/", ""}, {"top/made/", ""}, {"top/early/", ""},
                                           {"top/early/big.dat", std::string(100000, 'b')},
                                           {"top/late/x.dll", "L"}, {"top/made/y.dll", "M"}}));
        SetBeforeActHook(nullptr);
        EXPECT_TRUE(linked);
        RemoveDirectoryLink(folder);
        EXPECT_FALSE(extracted);
        EXPECT_TRUE(TreeOf(outside).empty()) << "written through the link";
    }
}

// A file link standing where a payload file goes is not written through.
TEST_F(ExtractionTest, FileLinkWhereAFileGoesIsNotWrittenThrough)
{
    const std::wstring victim = temp / L"victim.txt";
    ASSERT_TRUE(WriteFileBytes(victim, "keep"));
    ASSERT_TRUE(CreateDirectories(installDir));
    if (!MakeFileLink(victim, installDir + L"\\readme.txt")) {
        GTEST_SKIP() << "file symbolic links need an administrator or developer mode here";
    }
    bool extracted = Extract(BuildZip({{"top/", ""}, {"top/readme.txt", "overwritten"}}));
    RemoveDirectoryLink(installDir + L"\\readme.txt");
    EXPECT_FALSE(extracted);
    EXPECT_EQ(ReadFileBytes(victim), "keep");
}

// Random damage to a valid payload: no crash, nothing outside the install
// directory, and every file left behind is one of the archive's files whole.
TEST_F(ExtractionTest, RandomCorruptionsNeverEscapeOrLeavePartialFiles)
{
    std::vector<ZipEntry> entries = {{"top/", ""}, {"top/bin/", ""}};
    std::vector<std::string> contents;
    for (int i = 0; i < 6; ++i) {
        std::string data(3000 + i * 5000, static_cast<char>('a' + i));
        for (size_t j = 0; j < data.size(); j += 13) {
            data[j] = static_cast<char>(j * 31 + i);
        }
        contents.push_back(data);
        entries.push_back({"top/bin/file" + std::to_string(i) + ".dat", data, i % 2 == 1});
    }
    const std::string valid = BuildZip(entries);
    std::mt19937 random(20261210);
    const int kCorruptions = 300;
    int failed = 0;
    for (int attempt = 0; attempt < kCorruptions; ++attempt) {
        std::string archive = valid;
        int flips = 1 + static_cast<int>(random() % 4);
        for (int f = 0; f < flips; ++f) {
            archive[random() % archive.size()] ^= static_cast<char>(1 + random() % 255);
        }
        RemoveTree(installDir);
        bool extracted = false;
        ASSERT_TRUE(ExtractWithinLimit(archive, extracted)) << "corruption " << attempt << " did not end";
        if (!extracted) {
            ++failed;
        }
        ASSERT_TRUE(OutsideInstallDir().empty()) << "corruption " << attempt << " wrote outside";
        for (const auto& [path, content] : TreeOf(installDir)) {
            if (path.back() == L'\\') {
                continue;
            }
            bool whole = std::find(contents.begin(), contents.end(), content) != contents.end();
            EXPECT_TRUE(whole) << "corruption " << attempt << " left a partial or wrong file "
                               << testing::PrintToString(path);
        }
    }
    std::cout << "tried " << kCorruptions << " corruptions, " << failed << " failed the extraction\n";
}

}  // namespace
