#pragma once

#include <windows.h>

#include <string>

// A process a test started without debugging it; terminated when the test
// ends if it is still running.
struct StartedProcess {
    HANDLE process = nullptr;
    DWORD pid = 0;

    StartedProcess() = default;
    ~StartedProcess();
    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;

    // Waits at most timeoutMs; true when it ended.
    bool WaitForExit(DWORD timeoutMs) const;
};

// Counts the processes started since it was made, children of children
// included: this process joins a job object, which every process it starts
// then joins too.
struct ProcessCounter {
    HANDLE job = nullptr;
    bool assigned = false;

    ProcessCounter();
    ~ProcessCounter();
    ProcessCounter(const ProcessCounter&) = delete;
    ProcessCounter& operator=(const ProcessCounter&) = delete;

    // Every process the job has held, this one included.
    DWORD Total() const;
};

// Starts commandLine (program path quoted inside it as needed); false when it cannot.
bool StartProcess(const std::wstring& commandLine, StartedProcess& started);

// Polls until the file exists, at most timeoutMs.
bool WaitForFile(const std::wstring& path, DWORD timeoutMs);
// Polls until nothing (file or folder) exists at the path, at most timeoutMs;
// for what another process deletes after it was asked to.
bool WaitUntilGone(const std::wstring& path, DWORD timeoutMs);

// The path Windows reports for an existing file or folder, for comparing
// paths that were spelled differently (slashes, "..", letter case aside).
std::wstring CanonicalPath(const std::wstring& path);
