#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct SeenMessageBox {
    std::wstring caption;
    std::wstring text;
    UINT icon = 0;             // MB_ICONERROR, MB_ICONWARNING, MB_ICONINFORMATION, MB_ICONQUESTION, or 0 when the box shows none
    std::vector<int> buttons;  // control ids of its push buttons (IDOK, IDCANCEL, IDYES, IDNO, ...), in tab order
    HWND window = nullptr;     // valid only inside the answer callback
    int pressed = 0;           // the id the driver pressed
};

struct ProcessRunOptions {
    std::wstring applicationPath;   // passed as CreateProcessW's lpApplicationName; may be empty
    std::wstring commandLine;       // the whole command line, program included
    std::wstring currentDirectory;  // empty: the driver's own
    DWORD timeoutMs = 20000;        // then the process is terminated and the result says so
    // Chooses the button to press for each box as it appears; when empty the driver presses IDOK,
    // or the box's first button when it has no OK.
    std::function<int(const SeenMessageBox&)> answerBox;
    // Called about every 20 ms while the process runs (process id given), for tests that act on the program's windows meanwhile.
    std::function<void(DWORD processId)> whileRunning;
};

// The exit code a program gets when the driver ends it at the time limit.
inline constexpr DWORD kTimeLimitExitCode = WAIT_TIMEOUT;

struct ProcessRunResult {
    bool started = false;
    DWORD startError = 0;           // GetLastError of a failed CreateProcessW
    bool exited = false;            // false: it was terminated at the time limit
    DWORD exitCode = 0;             // kTimeLimitExitCode when terminated
    DWORD processId = 0;
    std::vector<std::wstring> debugPieces;  // one entry per OutputDebugString call of the program, exactly as sent
    std::vector<SeenMessageBox> boxes;      // every box seen, in order of appearance (window member cleared)
};

ProcessRunResult RunProcess(const ProcessRunOptions& options);
// Joins the pieces and splits them into lines at "\n" (the "\n" itself removed); a trailing piece without "\n" is a line too.
std::vector<std::wstring> DebugLines(const std::vector<std::wstring>& pieces);
