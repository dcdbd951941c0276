#include "test_processes.h"

#include <cstdio>

#include "test_files.h"

StartedProcess::~StartedProcess()
{
    if (process == nullptr) {
        return;
    }
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

bool StartedProcess::WaitForExit(DWORD timeoutMs) const
{
    return WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
}

ProcessCounter::ProcessCounter() : job(CreateJobObjectW(nullptr, nullptr))
{
    assigned = job != nullptr && AssignProcessToJobObject(job, GetCurrentProcess());
}

ProcessCounter::~ProcessCounter()
{
    if (job != nullptr) {
        CloseHandle(job);
    }
}

DWORD ProcessCounter::Total() const
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
    QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof(info), nullptr);
    return info.TotalProcesses;
}

bool StartProcess(const std::wstring& commandLine, StartedProcess& started)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring writable = commandLine;
    // On a loaded machine Wine now and then fails to start a program at all;
    // one more try after a pause tells that apart from a program that cannot
    // start.
    for (int attempt = 0;; ++attempt) {
        if (CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            break;
        }
        const DWORD error = GetLastError();
        std::fprintf(stderr, "StartProcess: CreateProcessW failed with error %lu (attempt %d)\n", error, attempt + 1);
        if (attempt == 1) {
            return false;
        }
        Sleep(500);
        writable = commandLine;
    }
    CloseHandle(info.hThread);
    started.process = info.hProcess;
    started.pid = info.dwProcessId;
    return true;
}

bool WaitForFile(const std::wstring& path, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!FileExists(path)) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

bool WaitUntilGone(const std::wstring& path, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

std::wstring CanonicalPath(const std::wstring& path)
{
    wchar_t full[MAX_PATH] = {};
    GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    wchar_t longPath[MAX_PATH] = {};
    if (GetLongPathNameW(full, longPath, MAX_PATH) == 0) {
        return full;
    }
    std::wstring canonical = longPath;
    while (canonical.size() > 3 && canonical.back() == L'\\') {
        canonical.pop_back();
    }
    return canonical;
}
