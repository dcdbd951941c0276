#include <gtest/gtest.h>

#include "restart.h"
#include "update_request.h"

namespace {

struct CommandLineCase {
    const wchar_t* commandLine;
    bool valid;
    DWORD pid;
    const wchar_t* installRoot;
    const wchar_t* stagingDir;
    const wchar_t* exeSubdir;
    const wchar_t* restartExe;
};

const CommandLineCase kCommandLineCases[] = {
    {L"u.exe --pid 42 --install-root C:\\App --staging-dir C:\\Stage", true, 42, L"C:\\App", L"C:\\Stage",
     L"bin/64bit", L"Orvicap.exe"},
    {L"u.exe --staging-dir S --restart R.exe --install-root I --pid 7 --exe-subdir x\\y", true, 7, L"I", L"S",
     L"x\\y", L"R.exe"},
    {L"u.exe --install-root \"C:\\Program Files\\Orvicap\" --pid 9 --staging-dir \"D:\\a b\"", true, 9,
     L"C:\\Program Files\\Orvicap", L"D:\\a b", L"bin/64bit", L"Orvicap.exe"},
    // An option standing last gets the empty value.
    {L"u.exe --install-root I --staging-dir S --pid", false, 0, L"I", L"S", L"bin/64bit", L"Orvicap.exe"},
    // An option takes the next argument whatever it looks like.
    {L"u.exe --pid 1 --install-root --staging-dir D", false, 1, L"--staging-dir", L"", L"bin/64bit",
     L"Orvicap.exe"},
    // The last occurrence wins, even a bare one at the very end.
    {L"u.exe --pid 1 --staging-dir S --install-root I --install-root", false, 1, L"", L"S", L"bin/64bit",
     L"Orvicap.exe"},
    {L"u.exe --pid 1 --pid 2 --install-root I --staging-dir S", true, 2, L"I", L"S", L"bin/64bit",
     L"Orvicap.exe"},
    // No case folding, no "=" forms.
    {L"u.exe --PID 42 --install-root I --staging-dir S", false, 0, L"I", L"S", L"bin/64bit", L"Orvicap.exe"},
    {L"u.exe --pid=42 --install-root I --staging-dir S", false, 0, L"I", L"S", L"bin/64bit", L"Orvicap.exe"},
    // The pid is converted like _wtol: leading digits count, a sign wraps.
    {L"u.exe --pid 42abc --install-root I --staging-dir S", true, 42, L"I", L"S", L"bin/64bit", L"Orvicap.exe"},
    {L"u.exe --pid -1 --install-root I --staging-dir S", true, 4294967295u, L"I", L"S", L"bin/64bit",
     L"Orvicap.exe"},
    {L"u.exe --pid abc --install-root I --staging-dir S", false, 0, L"I", L"S", L"bin/64bit", L"Orvicap.exe"},
    {L"u.exe --pid \"  17\" --install-root I --staging-dir S", true, 17, L"I", L"S", L"bin/64bit",
     L"Orvicap.exe"},
    // Unknown arguments are skipped; empty subdir and exe are taken as given.
    {L"u.exe extra --pid 3 -x --install-root I --staging-dir S --exe-subdir \"\" --restart \"\"", true, 3, L"I",
     L"S", L"", L""},
    {L"u.exe --pid 3 --install-root I", false, 3, L"I", L"", L"bin/64bit", L"Orvicap.exe"},
    {L"u.exe", false, 0, L"", L"", L"bin/64bit", L"Orvicap.exe"},
};

TEST(UpdateRequest, CommandLinesParseAndValidateByTheOptionRules)
{
    for (const CommandLineCase& c : kCommandLineCases) {
        SCOPED_TRACE(testing::Message() << "command line: " << testing::PrintToString(std::wstring(c.commandLine)));
        std::vector<std::wstring> arguments;
        ASSERT_TRUE(SplitCommandLine(c.commandLine, arguments));
        UpdateRequest request = ParseUpdateArguments(arguments);
        EXPECT_EQ(request.pid, c.pid);
        EXPECT_EQ(request.installRoot, c.installRoot);
        EXPECT_EQ(request.stagingDir, c.stagingDir);
        EXPECT_EQ(request.exeSubdir, c.exeSubdir);
        EXPECT_EQ(request.restartExe, c.restartExe);
        EXPECT_EQ(IsValidUpdateRequest(request), c.valid);
    }
}

struct StagingPlacementCase {
    const wchar_t* installRoot;
    const wchar_t* stagingDir;
    bool valid;
};

// Clearing a staging directory that holds the installation would delete it.
const StagingPlacementCase kStagingPlacementCases[] = {
    {L"C:\\Program Files\\Orvicap", L"C:\\Program Files\\Orvicap", false},
    {L"C:\\Program Files\\Orvicap", L"c:\\program files\\ORVICAP\\", false},
    {L"C:\\Program Files\\Orvicap\\", L"C:/Program Files/Orvicap", false},
    {L"C:\\Program Files\\Orvicap", L"C:\\Program Files", false},
    {L"C:\\Program Files\\Orvicap", L"C:\\", false},
    {L"C:\\Program Files\\Orvicap", L"C:\\Program Files\\Orvicap\\..", false},
    {L"C:\\Program Files\\Orvicap", L"C:\\Program Files\\Orvicap\\update-staging", true},
    {L"C:\\Program Files\\Orvicap", L"C:\\Program Files\\Orvicap2", true},
    {L"C:\\Program Files\\Orvicap", L"C:\\Program Files\\Orvi", true},
    {L"C:\\Program Files\\Orvicap", L"D:\\", true},
};

TEST(UpdateRequest, StagingDirThatIsOrHoldsTheInstallDirIsRefused)
{
    for (const StagingPlacementCase& c : kStagingPlacementCases) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(c.installRoot)) << " / "
                                        << testing::PrintToString(std::wstring(c.stagingDir)));
        UpdateRequest request;
        request.pid = 1;
        request.installRoot = c.installRoot;
        request.stagingDir = c.stagingDir;
        EXPECT_EQ(IsValidUpdateRequest(request), c.valid);
    }
}

struct RestartTargetCase {
    const wchar_t* installRoot;
    const wchar_t* exeSubdir;
    const wchar_t* restartExe;
    const wchar_t* programPath;
    const wchar_t* workDir;
};

const RestartTargetCase kRestartTargetCases[] = {
    {L"C:\\App", L"bin/64bit", L"Orvicap.exe", L"C:\\App\\bin/64bit\\Orvicap.exe", L"C:\\App\\bin/64bit"},
    {L"C:\\App", L"", L"Orvicap.exe", L"C:\\App\\\\Orvicap.exe", L"C:\\App\\"},
    {L"C:\\App\\", L"bin", L"R.exe", L"C:\\App\\\\bin\\R.exe", L"C:\\App\\\\bin"},
};

TEST(RestartTarget, PathsJoinWithOneBackslashAndTheCommandLineIsTheQuotedPath)
{
    for (const RestartTargetCase& c : kRestartTargetCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.programPath)));
        UpdateRequest request;
        request.installRoot = c.installRoot;
        request.exeSubdir = c.exeSubdir;
        request.restartExe = c.restartExe;
        RestartTarget target = RestartTargetOf(request);
        EXPECT_EQ(target.programPath, c.programPath);
        EXPECT_EQ(target.workDir, c.workDir);
        EXPECT_EQ(target.commandLine, L"\"" + std::wstring(c.programPath) + L"\"");
    }
}

}  // namespace
