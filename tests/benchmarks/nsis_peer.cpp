#include "nsis_peer.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>

#include "test_files.h"
#include "test_processes.h"

namespace {

double Seconds()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Megabytes(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

double TreeBytes(const std::wstring& dir)
{
    double total = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            total += TreeBytes(dir + L"\\" + name);
        } else {
            total += static_cast<double>((static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return total;
}

}  // namespace

std::wstring NsisPeerPath()
{
    return ModuleDirectory() + L"\\nsis-peer.exe";
}

bool MeasureNsisPeer(const std::wstring& installer, NsisPeerResult& result)
{
    ScopedTempDir target;
    const std::wstring dir = target / L"Orvicap";
    // NSIS takes the folder from a /D= that comes last and is never quoted.
    StartedProcess peer;
    const double start = Seconds();
    if (!StartProcess(L"\"" + installer + L"\" /D=" + dir, peer)) {
        return false;
    }
    // Another process's counters can only be read while it still runs.
    const double kLimitSeconds = 30 * 60;
    double peak = 0;
    while (WaitForSingleObject(peer.process, 50) == WAIT_TIMEOUT) {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof(counters);
        if (GetProcessMemoryInfo(peer.process, &counters, sizeof(counters))) {
            peak = std::max(peak, static_cast<double>(counters.PeakPagefileUsage));
        }
        if (Seconds() - start > kLimitSeconds) {
            return false;
        }
    }
    result.seconds = Seconds() - start;
    DWORD code = 1;
    GetExitCodeProcess(peer.process, &code);
    result.peakMegabytes = Megabytes(peak);
    result.installedMegabytes = Megabytes(TreeBytes(dir));
    return code == 0;
}
