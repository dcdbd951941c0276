#include "process_driver.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>

namespace {

constexpr DWORD kBoxRunLimitMs = 15000;

std::wstring FolderOfThisExe() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring FixturePath() {
    return FolderOfThisExe() + L"driver_fixture_app.exe";
}

std::wstring Quote(const std::wstring& argument) {
    return L"\"" + argument + L"\"";
}

std::wstring FixtureCommand(std::initializer_list<std::wstring> arguments) {
    std::wstring commandLine = Quote(FixturePath());
    for (const std::wstring& argument : arguments) commandLine += L" " + Quote(argument);
    return commandLine;
}

ProcessRunOptions FixtureRun(std::initializer_list<std::wstring> arguments) {
    ProcessRunOptions options;
    options.commandLine = FixtureCommand(arguments);
    options.timeoutMs = kBoxRunLimitMs;
    return options;
}

std::wstring Hex(UINT value) {
    wchar_t text[16] = {};
    swprintf(text, 16, L"%x", value);
    return text;
}

bool ProcessIsGone(DWORD processId) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) return true;
    bool gone = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return gone;
}

struct LinesCase {
    std::vector<std::wstring> pieces;
    std::vector<std::wstring> lines;
};

TEST(DebugLines, JoinsPiecesAndSplitsAtNewlines) {
    const LinesCase cases[] = {
        {{}, {}},
        {{L""}, {}},
        {{L"one\n"}, {L"one"}},
        {{L"par", L"tial\nrest"}, {L"partial", L"rest"}},
        {{L"a\n\nb\n"}, {L"a", L"", L"b"}},
        {{L"\n", L"", L"x"}, {L"", L"x"}},
        {{L"end\n", L"\n"}, {L"end", L""}},
    };
    for (const LinesCase& c : cases) EXPECT_EQ(DebugLines(c.pieces), c.lines);
}

TEST(RunProcess, KeepsEachDebugStringAsOnePieceExactlyAsSent) {
    ProcessRunResult result = RunProcess(FixtureRun(
        {L"--ods", L"one\\n", L"--ods", L"", L"--ods", L"\u7ef4\u6d1b\u5f55\u5c4f", L"--ods", L"\\ntwo",
         L"--ods-ansi", L"ansi piece", L"--exit", L"3"}));
    ASSERT_TRUE(result.started) << result.startError;
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, 3u);
    const std::vector<std::wstring> pieces = {L"one\n", L"", L"\u7ef4\u6d1b\u5f55\u5c4f", L"\ntwo", L"ansi piece"};
    EXPECT_EQ(result.debugPieces, pieces);
    const std::vector<std::wstring> lines = {L"one", L"\u7ef4\u6d1b\u5f55\u5c4f", L"twoansi piece"};
    EXPECT_EQ(DebugLines(result.debugPieces), lines);
}

TEST(RunProcess, PassesTheExitCodeThrough) {
    for (DWORD code : {0ul, 1ul, 42ul, 0x12345678ul}) {
        ProcessRunResult result = RunProcess(FixtureRun({L"--exit", std::to_wstring(code)}));
        ASSERT_TRUE(result.started);
        EXPECT_TRUE(result.exited);
        EXPECT_EQ(result.exitCode, code);
        EXPECT_TRUE(result.boxes.empty());
    }
}

TEST(RunProcess, ReportsWhyAProgramCouldNotStart) {
    ProcessRunOptions options;
    options.commandLine = Quote(FolderOfThisExe() + L"no_such_program.exe");
    ProcessRunResult result = RunProcess(options);
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.startError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(RunProcess, HonoursApplicationPathAndCurrentDirectory) {
    wchar_t temp[MAX_PATH] = {};
    DWORD length = GetTempPathW(MAX_PATH, temp);
    ASSERT_GT(length, 1u);
    std::wstring directory(temp, length - 1);
    ProcessRunOptions options;
    options.applicationPath = FixturePath();
    options.commandLine = L"not-a-program-name --print-cwd --exit 9";
    options.currentDirectory = directory;
    ProcessRunResult result = RunProcess(options);
    ASSERT_TRUE(result.started) << result.startError;
    EXPECT_EQ(result.exitCode, 9u);
    EXPECT_EQ(result.debugPieces, std::vector<std::wstring>{directory});
}

TEST(RunProcess, DoesNotDebugTheProgramsChildren) {
    ProcessRunResult result =
        RunProcess(FixtureRun({L"--ods", L"parent", L"--spawn-child-ods", L"child", L"--exit", L"5"}));
    EXPECT_EQ(result.exitCode, 5u);
    EXPECT_EQ(result.debugPieces, std::vector<std::wstring>{L"parent"});
}

struct AnswerCase {
    UINT type;
    std::optional<int> answer;
    std::vector<int> buttons;
    int pressed;
};

TEST(RunProcess, PressesTheChosenOrDefaultButton) {
    const AnswerCase cases[] = {
        {MB_YESNO, IDNO, {IDYES, IDNO}, IDNO},
        {MB_YESNO, IDYES, {IDYES, IDNO}, IDYES},
        {MB_YESNO, std::nullopt, {IDYES, IDNO}, IDYES},
        {MB_OKCANCEL, std::nullopt, {IDOK, IDCANCEL}, IDOK},
        {MB_ABORTRETRYIGNORE, IDIGNORE, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type);
        ProcessRunOptions options = FixtureRun({L"--box", Hex(c.type), L"Question", L"Go on?"});
        if (c.answer) options.answerBox = [&c](const SeenMessageBox&) { return *c.answer; };
        ProcessRunResult result = RunProcess(options);
        ASSERT_TRUE(result.exited);
        EXPECT_EQ(result.exitCode, static_cast<DWORD>(c.pressed));
        ASSERT_EQ(result.boxes.size(), 1u);
        EXPECT_EQ(result.boxes[0].buttons, c.buttons);
        EXPECT_EQ(result.boxes[0].pressed, c.pressed);
        EXPECT_EQ(result.boxes[0].window, nullptr);
    }
}

struct LookCase {
    UINT icon;
    std::wstring caption;
    std::wstring text;
};

TEST(RunProcess, ReadsCaptionTextAndIconOfABox) {
    const LookCase cases[] = {
        {MB_ICONERROR, L"Setup error", L"The file could not be written."},
        {MB_ICONWARNING, L"Warning", L"Disk space is low."},
        {MB_ICONINFORMATION, L"\u7ef4\u6d1b\u5f55\u5c4f", L"\u5b89\u88c5\u5b8c\u6210"},
        {MB_ICONQUESTION, L"Question", L"Continue?"},
        {0, L"Plain", L"No icon at all."},
    };
    for (const LookCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "icon " << c.icon);
        std::vector<HWND> windows;
        ProcessRunOptions options = FixtureRun({L"--box", Hex(MB_OK | c.icon), c.caption, c.text});
        options.answerBox = [&windows](const SeenMessageBox& box) {
            windows.push_back(box.window);
            return IDOK;
        };
        ProcessRunResult result = RunProcess(options);
        EXPECT_EQ(result.exitCode, static_cast<DWORD>(IDOK));
        ASSERT_EQ(result.boxes.size(), 1u);
        EXPECT_EQ(result.boxes[0].caption, c.caption);
        EXPECT_EQ(result.boxes[0].text, c.text);
        EXPECT_EQ(result.boxes[0].icon, c.icon);
        EXPECT_EQ(result.boxes[0].buttons, std::vector<int>{IDOK});
        ASSERT_EQ(windows.size(), 1u);
        EXPECT_NE(windows[0], nullptr);
    }
}

TEST(RunProcess, AnswersSuccessiveBoxesOnceEachInOrder) {
    std::vector<std::wstring> asked;
    ProcessRunOptions options = FixtureRun({L"--box", Hex(MB_YESNO), L"First", L"One", L"--box",
                                            Hex(MB_RETRYCANCEL | MB_ICONWARNING), L"Second", L"Two"});
    options.answerBox = [&asked](const SeenMessageBox& box) {
        asked.push_back(box.caption);
        return box.caption == L"First" ? IDNO : IDRETRY;
    };
    ProcessRunResult result = RunProcess(options);
    EXPECT_EQ(result.exitCode, static_cast<DWORD>(IDRETRY));
    EXPECT_EQ(asked, (std::vector<std::wstring>{L"First", L"Second"}));
    ASSERT_EQ(result.boxes.size(), 2u);
    EXPECT_EQ(result.boxes[0].pressed, IDNO);
    EXPECT_EQ(result.boxes[1].text, L"Two");
    EXPECT_EQ(result.boxes[1].icon, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(result.boxes[1].buttons, (std::vector<int>{IDRETRY, IDCANCEL}));
}

TEST(RunProcess, TerminatesAProgramAtTheTimeLimit) {
    ProcessRunOptions options = FixtureRun({L"--ods", L"before", L"--sleep-forever"});
    options.timeoutMs = 1500;
    ULONGLONG start = GetTickCount64();
    ProcessRunResult result = RunProcess(options);
    ULONGLONG elapsed = GetTickCount64() - start;
    ASSERT_TRUE(result.started);
    EXPECT_FALSE(result.exited);
    EXPECT_EQ(result.exitCode, kTimeLimitExitCode);
    EXPECT_EQ(result.debugPieces, std::vector<std::wstring>{L"before"});
    EXPECT_GE(elapsed, 1500u);
    EXPECT_LT(elapsed, 6000u);
    EXPECT_TRUE(ProcessIsGone(result.processId));
}

TEST(RunProcess, ABoxThatIgnoresThePressDoesNotBlockTheTimeLimit) {
    int calls = 0;
    ProcessRunOptions options = FixtureRun({L"--box", Hex(MB_OK), L"Stuck", L"Stays open"});
    options.timeoutMs = 2500;
    options.answerBox = [&calls](const SeenMessageBox&) {
        ++calls;
        return 4321;
    };
    ULONGLONG start = GetTickCount64();
    ProcessRunResult result = RunProcess(options);
    EXPECT_LT(GetTickCount64() - start, 8000u);
    EXPECT_FALSE(result.exited);
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].caption, L"Stuck");
    EXPECT_TRUE(ProcessIsGone(result.processId));
}

TEST(RunProcess, CallsWhileRunningWithTheProcessIdMeanwhile) {
    std::vector<DWORD> seen;
    ProcessRunOptions options = FixtureRun({L"--sleep", L"500"});
    options.whileRunning = [&seen](DWORD processId) { seen.push_back(processId); };
    ProcessRunResult result = RunProcess(options);
    ASSERT_TRUE(result.exited);
    EXPECT_GE(seen.size(), 5u);
    for (DWORD processId : seen) EXPECT_EQ(processId, result.processId);
}

}  // namespace
