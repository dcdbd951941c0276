#include "updater_process_fixture.h"

#include "updater_constants.h"

namespace {

// Waits out the updater's full 60-second limit.
TEST_F(UpdaterProcessTest, ApplicationStillRunningAfterTheLimitAbortsWithExitCode2)
{
    InstallProbeAsMainProgram();
    ASSERT_TRUE(WriteFileBytes(mainProgramDir + L"\\data.dll", "old"));
    Stage(L"bin\\64bit\\data.dll", "new");
    StartedProcess application;
    ASSERT_TRUE(StartProcess(L"\"" + ModuleDirectory() + L"\\probe_app.exe\" --sleep 120000", application));

    DWORD started = GetTickCount();
    ProcessRunResult run = RunUpdater(StandardArguments(application.pid, install), 100000);
    DWORD elapsed = GetTickCount() - started;

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 2u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, kWaitTimedOutMessage);
    EXPECT_EQ(run.boxes[0].icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_GE(elapsed, 59000u) << "the updater gave up before its limit";
    EXPECT_EQ(ReadFileBytes(mainProgramDir + L"\\data.dll"), "old");
    EXPECT_EQ(ReadFileBytes(staging + L"\\bin\\64bit\\data.dll"), "new");
    EXPECT_FALSE(FileExists(mainProgramDir + L"\\started.txt"));
}

}  // namespace
