#pragma once

#include <gtest/gtest.h>

#include <string>

#include "process_driver.h"
#include "test_files.h"
#include "test_processes.h"

// An install tree whose main program is the probe program (it records how it
// was started), a staging tree, and the updater run against them.
struct UpdaterProcessTest : testing::Test {
    ScopedTempDir temp;
    std::wstring install = temp / L"Orvicap";
    std::wstring staging = temp / L"staging";
    std::wstring mainProgramDir = install + L"\\bin\\64bit";

    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectories(mainProgramDir));
        ASSERT_TRUE(CreateDirectories(staging));
    }

    void InstallProbeAsMainProgram()
    {
        ASSERT_TRUE(CopyFileW((ModuleDirectory() + L"\\probe_app.exe").c_str(),
                              (mainProgramDir + L"\\Orvicap.exe").c_str(), FALSE));
    }

    void Stage(const std::wstring& relativePath, const std::string& content)
    {
        std::wstring path = staging + L"\\" + relativePath;
        ASSERT_TRUE(CreateDirectories(path.substr(0, path.find_last_of(L'\\'))));
        ASSERT_TRUE(WriteFileBytes(path, content));
    }

    // The pid of a process that has already ended.
    DWORD EndedProcessId()
    {
        StartedProcess probe;
        EXPECT_TRUE(StartProcess(L"\"" + ModuleDirectory() + L"\\probe_app.exe\" --sleep 0", probe));
        EXPECT_TRUE(probe.WaitForExit(10000));
        return probe.pid;
    }

    ProcessRunResult RunUpdater(const std::wstring& arguments, DWORD timeoutMs = 20000)
    {
        ProcessRunOptions options;
        options.applicationPath = ModuleDirectory() + L"\\VLUpdater.exe";
        options.commandLine = L"\"" + options.applicationPath + L"\" " + arguments;
        options.timeoutMs = timeoutMs;
        return RunProcess(options);
    }

    std::wstring StandardArguments(DWORD pid, const std::wstring& installRoot)
    {
        return L"--pid " + std::to_wstring(pid) + L" --install-root \"" + installRoot + L"\" --staging-dir \"" +
               staging + L"\"";
    }
};
