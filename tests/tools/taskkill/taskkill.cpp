// Test-only stand-in for taskkill.exe: Wine's built-in one rejects /T. Supports /F, /T and one or
// more /IM <image>; options are case-insensitive and may start with '/' or '-'. Matching processes
// are always ended with TerminateProcess, /F or not.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitNotFound = 128;
constexpr UINT kTerminatedExitCode = 1;

struct Options {
    bool force = false;
    bool tree = false;
    std::vector<std::wstring> images;
};

struct ProcessEntry {
    DWORD id = 0;
    DWORD parentId = 0;
    std::wstring image;
};

struct Target {
    DWORD id = 0;
    int depth = 0;
};

bool IsOption(const wchar_t* argument, const wchar_t* name) {
    return (argument[0] == L'/' || argument[0] == L'-') && lstrcmpiW(argument + 1, name) == 0;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        if (IsOption(argv[i], L"F")) {
            options.force = true;
        } else if (IsOption(argv[i], L"T")) {
            options.tree = true;
        } else if (IsOption(argv[i], L"IM") && i + 1 < argc) {
            options.images.push_back(argv[++i]);
        } else {
            return false;
        }
    }
    return !options.images.empty();
}

bool SameName(const std::wstring& left, const std::wstring& right) {
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

std::wstring FileNameOf(const wchar_t* path) {
    std::wstring name = path;
    size_t slash = name.find_last_of(L"\\/");
    return slash == std::wstring::npos ? name : name.substr(slash + 1);
}

bool ListProcesses(std::vector<ProcessEntry>& processes) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, FileNameOf(entry.szExeFile)});
    CloseHandle(snapshot);
    return true;
}

bool MatchesAnyImage(const ProcessEntry& process, const Options& options) {
    return std::any_of(options.images.begin(), options.images.end(),
                       [&process](const std::wstring& image) { return SameName(process.image, image); });
}

bool IsTarget(const std::vector<Target>& targets, DWORD id) {
    return std::any_of(targets.begin(), targets.end(), [id](const Target& target) { return target.id == id; });
}

// The processes to end, deepest descendants first, so a parent cannot restart a child that was
// already ended. This program and the cmd.exe that started it are never among them.
std::vector<Target> ChooseTargets(const std::vector<ProcessEntry>& processes, const Options& options) {
    DWORD self = GetCurrentProcessId();
    DWORD parent = 0;
    for (const ProcessEntry& process : processes)
        if (process.id == self) parent = process.parentId;
    auto excluded = [self, parent](DWORD id) { return id == self || id == parent || id == 0; };

    std::vector<Target> targets;
    for (const ProcessEntry& process : processes)
        if (!excluded(process.id) && MatchesAnyImage(process, options)) targets.push_back({process.id, 0});
    for (size_t i = 0; options.tree && i < targets.size(); ++i) {
        for (const ProcessEntry& process : processes) {
            if (process.parentId == targets[i].id && !excluded(process.id) && !IsTarget(targets, process.id))
                targets.push_back({process.id, targets[i].depth + 1});
        }
    }
    std::stable_sort(targets.begin(), targets.end(),
                     [](const Target& a, const Target& b) { return a.depth > b.depth; });
    return targets;
}

bool EndProcess(DWORD id) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
    if (process == nullptr) return false;
    bool ended = TerminateProcess(process, kTerminatedExitCode) != FALSE;
    CloseHandle(process);
    return ended;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fwprintf(stderr, L"ERROR: Invalid syntax. Usage: taskkill [/F] [/T] /IM image [/IM image ...]\n");
        return kExitFailure;
    }
    std::vector<ProcessEntry> processes;
    if (!ListProcesses(processes)) {
        std::fwprintf(stderr, L"ERROR: The process list could not be read.\n");
        return kExitFailure;
    }
    std::vector<Target> targets = ChooseTargets(processes, options);
    if (targets.empty()) {
        std::fwprintf(stderr, L"ERROR: No matching process was found.\n");
        return kExitNotFound;
    }
    int ended = 0;
    for (const Target& target : targets) {
        if (EndProcess(target.id)) {
            ++ended;
            std::wprintf(L"SUCCESS: The process with PID %lu has been terminated.\n", target.id);
        } else {
            std::fwprintf(stderr, L"ERROR: The process with PID %lu could not be terminated.\n", target.id);
        }
    }
    return ended > 0 ? kExitSuccess : kExitFailure;
}
