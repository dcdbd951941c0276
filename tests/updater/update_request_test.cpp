#include <gtest/gtest.h>

#include <iostream>

#include "directory_links.h"
#include "restart.h"
#include "test_files.h"
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

// Empty when the volume keeps no 8.3 name distinct from the long one.
std::wstring ShortPathOf(const std::wstring& path)
{
    wchar_t buffer[MAX_PATH] = {};
    DWORD length = GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || _wcsicmp(buffer, path.c_str()) == 0) {
        return std::wstring();
    }
    return std::wstring(buffer, length);
}

std::wstring WithLongPathPrefix(const std::wstring& path) { return L"\\\\?\\" + path; }
std::wstring WithDevicePrefix(const std::wstring& path) { return L"\\\\.\\" + path; }

struct StagingAliasCase {
    const char* description;
    std::wstring installRoot;
    std::wstring stagingDir;  // either left empty: this system gives no such spelling
    bool valid;
};

// The same directories written another way: the check compares what the
// paths open, not how they are spelt.  Names with spaces, so that each has an
// 8.3 short name distinct from its long one.
TEST(UpdateRequest, StagingDirThatOpensAsTheInstallDirOrAnAncestorIsRefused)
{
    ScopedTempDir temp;
    const std::wstring programs = temp / L"programs";
    const std::wstring parent = programs + L"\\Installed Programs";
    const std::wstring root = parent + L"\\Orvicap Installation";
    const std::wstring sibling = parent + L"\\Orvicap Staging";
    const std::wstring inside = root + L"\\update-staging";
    ASSERT_TRUE(CreateDirectories(inside));
    ASSERT_TRUE(CreateDirectories(sibling));
    // Outside the tree they lead into, so that the folders above a link are
    // not the folders above its target.
    const std::wstring links = temp / L"links";
    ASSERT_TRUE(CreateDirectories(links));
    const std::wstring linkToRoot = links + L"\\to root";
    const std::wstring linkToParent = links + L"\\to parent";
    const std::wstring linkToSibling = links + L"\\to sibling";
    ASSERT_TRUE(MakeDirectoryLink(root, linkToRoot));
    ASSERT_TRUE(MakeDirectoryLink(parent, linkToParent));
    ASSERT_TRUE(MakeDirectoryLink(sibling, linkToSibling));

    const StagingAliasCase cases[] = {
        {"\\\\?\\ before the install directory", root, WithLongPathPrefix(root), false},
        {"\\\\?\\ before its parent", root, WithLongPathPrefix(parent), false},
        {"\\\\?\\ before the folder above its parent", root, WithLongPathPrefix(programs), false},
        {"\\\\.\\ before the install directory", root, WithDevicePrefix(root), false},
        {"8.3 short name of the install directory", root, ShortPathOf(root), false},
        {"8.3 short name of its parent", root, ShortPathOf(parent), false},
        {"trailing dot", root, root + L".", false},
        {"second drive letter onto the install directory", root, UnixDriveSpellingOf(root), false},
        {"link to the install directory", root, linkToRoot, false},
        {"link to its parent", root, linkToParent, false},
        {"install directory given with \\\\?\\, staging plainly its parent", WithLongPathPrefix(root), parent, false},
        {"install directory given as a short name, staging plainly itself", ShortPathOf(root), root, false},
        {"install directory not created yet, staging its parent with \\\\?\\", root + L"\\not yet",
         WithLongPathPrefix(root), false},
        {"install directory given through a link, staging a folder above where the link leads",
         linkToParent + L"\\Orvicap Installation", programs, false},
        {"\\\\?\\ before a sibling", root, WithLongPathPrefix(sibling), true},
        {"\\\\?\\ before a directory inside the install directory", root, WithLongPathPrefix(inside), true},
        {"8.3 short name of a sibling", root, ShortPathOf(sibling), true},
        {"link to a sibling", root, linkToSibling, true},
        {"a staging directory that does not exist", root, WithLongPathPrefix(parent + L"\\absent"), true},
    };
    for (const StagingAliasCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.description << ": " << testing::PrintToString(c.stagingDir));
        if (c.stagingDir.empty() || c.installRoot.empty()) {
            std::cout << "not shown here: " << c.description << "\n";
            continue;
        }
        UpdateRequest request;
        request.pid = 1;
        request.installRoot = c.installRoot;
        request.stagingDir = c.stagingDir;
        EXPECT_EQ(IsValidUpdateRequest(request), c.valid);
    }
    RemoveDirectoryLink(linkToRoot);
    RemoveDirectoryLink(linkToParent);
    RemoveDirectoryLink(linkToSibling);
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
