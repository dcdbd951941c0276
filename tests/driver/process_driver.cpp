#include "process_driver.h"

#include <algorithm>
#include <cstring>

#include "dib_canvas.h"

namespace {

constexpr DWORD kEventWaitMs = 10;
constexpr ULONGLONG kScanIntervalMs = 20;
constexpr UINT kMessageTimeoutMs = 250;
constexpr ULONGLONG kIconPaintLimitMs = 1000;
constexpr ULONGLONG kExitDrainLimitMs = 5000;
constexpr DWORD kWow64InitialBreakpoint = 0x4000001F;  // STATUS_WX86_BREAKPOINT
constexpr DWORD kPrintExceptionAnsi = 0x40010006;      // DBG_PRINTEXCEPTION_C
constexpr DWORD kPrintExceptionWide = 0x4001000A;      // DBG_PRINTEXCEPTION_WIDE_C
constexpr size_t kMaxDebugStringChars = 1 << 20;
constexpr size_t kHookCompareBytes = 16;
constexpr BYTE kBreakpointOpcode = 0xCC;

struct ScopedHandle {
    HANDLE value = nullptr;
    explicit ScopedHandle(HANDLE handle) : value(handle) {}
    ~ScopedHandle() {
        if (value != nullptr && value != INVALID_HANDLE_VALUE) CloseHandle(value);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
};

struct DebugSession {
    HANDLE process = nullptr;
    bool initialBreakpointSeen = false;
    bool wow64BreakpointSeen = false;
    std::vector<ULONG_PTR> wideOutputHooks;
    bool exited = false;
    DWORD exitCode = 0;
    std::vector<std::wstring>* pieces = nullptr;
};

struct PendingBox {
    HWND window = nullptr;
    ULONGLONG visibleSince = 0;
};

struct BoxWatch {
    DWORD processId = 0;
    std::vector<HWND> handled;
    std::vector<PendingBox> pending;
};

struct IconReading {
    bool settled = false;
    UINT icon = 0;
};

using WaitForDebugEventFunction = BOOL(WINAPI*)(LPDEBUG_EVENT, DWORD);

// WaitForDebugEventEx opts into wide OUTPUT_DEBUG_STRING events on Windows 10 and later; Wine 8
// does not export it, and plain WaitForDebugEvent is the only choice there.
WaitForDebugEventFunction ChooseWaitForDebugEvent() {
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    FARPROC extended = kernel32 != nullptr ? GetProcAddress(kernel32, "WaitForDebugEventEx") : nullptr;
    if (extended == nullptr) return &WaitForDebugEvent;
    return reinterpret_cast<WaitForDebugEventFunction>(reinterpret_cast<void*>(extended));
}

bool ReadRemote(HANDLE process, ULONG_PTR address, void* buffer, size_t size) {
    SIZE_T got = 0;
    return ReadProcessMemory(process, reinterpret_cast<LPCVOID>(address), buffer, size, &got) && got == size;
}

// Reads a NUL-terminated string of charSize-byte units, page by page so that a string ending just
// before an unreadable page is still read whole.
bool ReadRemoteUnits(HANDLE process, ULONG_PTR address, size_t charSize, std::vector<BYTE>& units) {
    constexpr ULONG_PTR kPage = 4096;
    units.clear();
    while (units.size() / charSize < kMaxDebugStringChars) {
        size_t chunk = static_cast<size_t>(kPage - (address % kPage));
        chunk -= chunk % charSize;
        if (chunk == 0) chunk = charSize;
        BYTE buffer[kPage + 8];
        if (!ReadRemote(process, address, buffer, chunk)) return false;
        for (size_t i = 0; i + charSize <= chunk; i += charSize) {
            bool isNul = std::all_of(buffer + i, buffer + i + charSize, [](BYTE b) { return b == 0; });
            if (isNul) return true;
            units.insert(units.end(), buffer + i, buffer + i + charSize);
        }
        address += chunk;
    }
    return true;
}

std::wstring AnsiToWide(const std::vector<BYTE>& bytes) {
    if (bytes.empty()) return {};
    const char* text = reinterpret_cast<const char*>(bytes.data());
    int size = static_cast<int>(bytes.size());
    int length = MultiByteToWideChar(CP_ACP, 0, text, size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, size, wide.data(), length);
    return wide;
}

std::wstring ReadRemoteString(HANDLE process, ULONG_PTR address, bool wide) {
    std::vector<BYTE> units;
    if (address == 0 || !ReadRemoteUnits(process, address, wide ? sizeof(wchar_t) : 1, units)) return {};
    if (!wide) return AnsiToWide(units);
    std::wstring text(units.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), units.data(), units.size());
    return text;
}

void AddHookAddress(std::vector<ULONG_PTR>& addresses, const wchar_t* module) {
    HMODULE handle = GetModuleHandleW(module);
    FARPROC entry = handle != nullptr ? GetProcAddress(handle, "OutputDebugStringW") : nullptr;
    if (entry == nullptr) return;
    ULONG_PTR address = reinterpret_cast<ULONG_PTR>(reinterpret_cast<void*>(entry));
    if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) addresses.push_back(address);
}

bool WriteBreakpoint(HANDLE process, ULONG_PTR address) {
    LPVOID target = reinterpret_cast<LPVOID>(address);
    DWORD oldProtect = 0;
    if (!VirtualProtectEx(process, target, 1, PAGE_EXECUTE_READWRITE, &oldProtect)) return false;
    SIZE_T written = 0;
    bool ok = WriteProcessMemory(process, target, &kBreakpointOpcode, 1, &written) && written == 1;
    DWORD ignored = 0;
    VirtualProtectEx(process, target, 1, oldProtect, &ignored);
    FlushInstructionCache(process, target, 1);
    return ok;
}

// Wine's OutputDebugStringW converts the text to the ANSI code page before any debugger sees it,
// so characters outside that code page arrive as '?'. A breakpoint on the function's entry reads
// the caller's wide argument instead. System DLLs sit at the same address in every process of one
// bitness, which the byte comparison confirms before anything is patched.
void InstallWideOutputHooks(DebugSession& session) {
    std::vector<ULONG_PTR> candidates;
    AddHookAddress(candidates, L"kernelbase.dll");
    AddHookAddress(candidates, L"kernel32.dll");
    for (ULONG_PTR address : candidates) {
        BYTE remote[kHookCompareBytes];
        if (!ReadRemote(session.process, address, remote, sizeof(remote))) continue;
        if (std::memcmp(remote, reinterpret_cast<const void*>(address), sizeof(remote)) != 0) continue;
        if (WriteBreakpoint(session.process, address)) session.wideOutputHooks.push_back(address);
    }
}

// Takes the string argument of the hooked OutputDebugStringW call and returns to its caller as
// if the function had run, so no second (ANSI) event follows for the same call.
bool CompleteHookedCall(DebugSession& session, DWORD threadId) {
    ScopedHandle thread(OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, threadId));
    if (thread.value == nullptr) return false;
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
    if (!GetThreadContext(thread.value, &context)) return false;
#ifdef _WIN64
    ULONG_PTR stringAddress = context.Rcx;
    ULONG_PTR returnAddress = 0;
    if (!ReadRemote(session.process, context.Rsp, &returnAddress, sizeof(returnAddress))) return false;
    context.Rip = returnAddress;
    context.Rsp += sizeof(ULONG_PTR);
#else
    ULONG_PTR frame[2] = {};
    if (!ReadRemote(session.process, context.Esp, frame, sizeof(frame))) return false;
    ULONG_PTR stringAddress = frame[1];
    context.Eip = frame[0];
    context.Esp += 2 * sizeof(ULONG_PTR);  // __stdcall: the callee pops its one argument
#endif
    if (!SetThreadContext(thread.value, &context)) return false;
    session.pieces->push_back(ReadRemoteString(session.process, stringAddress, true));
    return true;
}

bool IsHookAddress(const DebugSession& session, ULONG_PTR address) {
    return std::find(session.wideOutputHooks.begin(), session.wideOutputHooks.end(), address) !=
           session.wideOutputHooks.end();
}

DWORD HandleException(DebugSession& session, const DEBUG_EVENT& event) {
    const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
    ULONG_PTR address = reinterpret_cast<ULONG_PTR>(record.ExceptionAddress);
    if (record.ExceptionCode == EXCEPTION_BREAKPOINT && !session.initialBreakpointSeen) {
        session.initialBreakpointSeen = true;
        InstallWideOutputHooks(session);
        return DBG_CONTINUE;
    }
    if (record.ExceptionCode == kWow64InitialBreakpoint && !session.wow64BreakpointSeen) {
        session.wow64BreakpointSeen = true;
        return DBG_CONTINUE;
    }
    if (record.ExceptionCode == EXCEPTION_BREAKPOINT && IsHookAddress(session, address)) {
        if (CompleteHookedCall(session, event.dwThreadId)) return DBG_CONTINUE;
    }
    // Windows delivers OutputDebugStringW as this exception to a debugger that did not opt into
    // wide events; declining it would make the program repeat the text as an ANSI event.
    if ((record.ExceptionCode == kPrintExceptionWide || record.ExceptionCode == kPrintExceptionAnsi) &&
        record.NumberParameters >= 2) {
        bool wide = record.ExceptionCode == kPrintExceptionWide;
        session.pieces->push_back(ReadRemoteString(session.process, record.ExceptionInformation[1], wide));
        return DBG_CONTINUE;
    }
    return DBG_EXCEPTION_NOT_HANDLED;
}

DWORD HandleDebugEvent(DebugSession& session, const DEBUG_EVENT& event) {
    switch (event.dwDebugEventCode) {
    case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile != nullptr) CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
    case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile != nullptr) CloseHandle(event.u.LoadDll.hFile);
        break;
    case OUTPUT_DEBUG_STRING_EVENT: {
        // Read up to the NUL: nDebugStringLength keeps only the low 16 bits of the length.
        const OUTPUT_DEBUG_STRING_INFO& info = event.u.DebugString;
        ULONG_PTR address = reinterpret_cast<ULONG_PTR>(info.lpDebugStringData);
        session.pieces->push_back(ReadRemoteString(session.process, address, info.fUnicode != 0));
        break;
    }
    case EXCEPTION_DEBUG_EVENT:
        return HandleException(session, event);
    case EXIT_PROCESS_DEBUG_EVENT:
        session.exited = true;
        session.exitCode = event.u.ExitProcess.dwExitCode;
        break;
    default:
        break;
    }
    return DBG_CONTINUE;
}

bool ServiceOneEvent(DebugSession& session, WaitForDebugEventFunction waitForEvent) {
    DEBUG_EVENT event{};
    if (!waitForEvent(&event, kEventWaitMs)) return false;
    DWORD status = HandleDebugEvent(session, event);
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    return true;
}

bool HasClass(HWND window, const wchar_t* expected) {
    wchar_t name[64] = {};
    return GetClassNameW(window, name, 64) > 0 && lstrcmpiW(name, expected) == 0;
}

// WM_GETTEXT rather than GetWindowTextW: for another process's control GetWindowTextW does not
// ask the control. The time limit keeps a box whose thread is stopped at a debug event from
// blocking the driver.
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length))
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied))
        return {};
    text.resize(std::min(static_cast<size_t>(copied), static_cast<size_t>(length)));
    return text;
}

// A dialog's tab order is the z-order of its children.
std::vector<HWND> ChildrenInTabOrder(HWND box) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HWND FindIconStatic(HWND box) {
    for (HWND child : ChildrenInTabOrder(box)) {
        LONG style = GetWindowLongW(child, GWL_STYLE);
        if (HasClass(child, L"Static") && (style & SS_TYPEMASK) == SS_ICON) return child;
    }
    return nullptr;
}

struct StandardIcon {
    LPCWSTR resource;
    UINT style;
};

const StandardIcon kStandardIcons[] = {
    {IDI_HAND, MB_ICONERROR},
    {IDI_EXCLAMATION, MB_ICONWARNING},
    {IDI_ASTERISK, MB_ICONINFORMATION},
    {IDI_QUESTION, MB_ICONQUESTION},
};

int CountDifferentPixels(const PixelCanvas& shown, HICON candidate) {
    PixelCanvas drawn(shown.width, shown.height, shown.At(0, 0));
    if (drawn.bits == nullptr) return shown.width * shown.height;
    DrawIconEx(drawn.dc, 0, 0, candidate, 0, 0, 0, nullptr, DI_NORMAL);
    int different = 0;
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x)
            if (drawn.At(x, y) != shown.At(x, y)) ++different;
    return different;
}

bool IsUncovered(HWND box, const RECT& area) {
    POINT centre{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    HWND top = WindowFromPoint(centre);
    return top != nullptr && GetAncestor(top, GA_ROOT) == box;
}

// Under Wine an icon handle from another process is neither equal to the driver's own
// LoadIconW result nor usable with GetIconInfo, so the painted icon is compared pixel by pixel
// with each standard icon drawn on the box's background (taken from the icon's transparent corner).
IconReading MatchIconPixels(HWND box, HWND iconStatic) {
    RECT area{};
    if (!GetWindowRect(iconStatic, &area) || !IsUncovered(box, area)) return {};
    PixelCanvas shown(area.right - area.left, area.bottom - area.top, 0);
    if (shown.bits == nullptr || !shown.CaptureScreen(area)) return {};
    int tolerance = shown.width * shown.height / 32;
    int best = tolerance + 1;
    int secondBest = best;
    UINT bestStyle = 0;
    for (const StandardIcon& icon : kStandardIcons) {
        int different = CountDifferentPixels(shown, LoadIconW(nullptr, icon.resource));
        if (different < best) {
            secondBest = best;
            best = different;
            bestStyle = icon.style;
        } else if (different < secondBest) {
            secondBest = different;
        }
    }
    if (bestStyle == 0 || secondBest <= best) return {};
    return {true, bestStyle};
}

// On Windows the standard icons are shared system objects, so the handle itself tells them apart.
IconReading ReadIcon(HWND box) {
    HWND iconStatic = FindIconStatic(box);
    if (iconStatic == nullptr) return {true, 0};
    DWORD_PTR handle = 0;
    if (!SendMessageTimeoutW(iconStatic, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &handle))
        return {};
    if (handle == 0) return {true, 0};
    for (const StandardIcon& icon : kStandardIcons)
        if (reinterpret_cast<HICON>(handle) == LoadIconW(nullptr, icon.resource)) return {true, icon.style};
    return MatchIconPixels(box, iconStatic);
}

// Both Windows and Wine put the message in a static with id 0xFFFF.
SeenMessageBox DescribeBox(HWND box, UINT icon) {
    SeenMessageBox seen;
    seen.window = box;
    seen.icon = icon;
    seen.caption = TextOf(box);
    for (HWND child : ChildrenInTabOrder(box)) {
        int id = GetDlgCtrlID(child);
        if (HasClass(child, L"Static") && id == 0xFFFF) seen.text = TextOf(child);
        if (HasClass(child, L"Button")) seen.buttons.push_back(id);
    }
    return seen;
}

int DefaultAnswer(const SeenMessageBox& box) {
    if (box.buttons.empty() || std::find(box.buttons.begin(), box.buttons.end(), IDOK) != box.buttons.end())
        return IDOK;
    return box.buttons.front();
}

// The box's dialog procedure ends MessageBoxW with the id of the WM_COMMAND it receives; posting
// it never blocks, even when the box ignores the id or its thread is stopped.
void PressButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void AnswerBox(HWND box, UINT icon, const ProcessRunOptions& options, ProcessRunResult& result) {
    SeenMessageBox seen = DescribeBox(box, icon);
    seen.pressed = options.answerBox ? options.answerBox(seen) : DefaultAnswer(seen);
    PressButton(box, seen.pressed);
    seen.window = nullptr;
    result.boxes.push_back(seen);
}

bool IsKnown(const BoxWatch& watch, HWND window) {
    if (std::find(watch.handled.begin(), watch.handled.end(), window) != watch.handled.end()) return true;
    return std::any_of(watch.pending.begin(), watch.pending.end(),
                       [window](const PendingBox& box) { return box.window == window; });
}

BOOL CALLBACK CollectNewBox(HWND window, LPARAM parameter) {
    BoxWatch& watch = *reinterpret_cast<BoxWatch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == watch.processId && HasClass(window, L"#32770") && !IsKnown(watch, window))
        watch.pending.push_back({window, 0});
    return TRUE;
}

void ForgetClosedBoxes(BoxWatch& watch) {
    std::erase_if(watch.handled, [](HWND window) { return !IsWindow(window); });
    std::erase_if(watch.pending, [](const PendingBox& box) { return !IsWindow(box.window); });
}

// A box becomes visible before its icon is painted, so reading waits for the paint, within a limit.
bool TryAnswerPendingBox(PendingBox& box, const ProcessRunOptions& options, ProcessRunResult& result) {
    if (!IsWindowVisible(box.window)) return false;
    ULONGLONG now = GetTickCount64();
    if (box.visibleSince == 0) box.visibleSince = now;
    IconReading icon = ReadIcon(box.window);
    if (!icon.settled && now - box.visibleSince < kIconPaintLimitMs) return false;
    AnswerBox(box.window, icon.icon, options, result);
    return true;
}

void ScanBoxes(BoxWatch& watch, const ProcessRunOptions& options, ProcessRunResult& result) {
    ForgetClosedBoxes(watch);
    EnumWindows(CollectNewBox, reinterpret_cast<LPARAM>(&watch));
    for (size_t i = 0; i < watch.pending.size();) {
        if (TryAnswerPendingBox(watch.pending[i], options, result)) {
            watch.handled.push_back(watch.pending[i].window);
            watch.pending.erase(watch.pending.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

void RunDebugLoop(DebugSession& session, const ProcessRunOptions& options, ProcessRunResult& result) {
    WaitForDebugEventFunction waitForEvent = ChooseWaitForDebugEvent();
    BoxWatch watch{result.processId, {}, {}};
    ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    ULONGLONG lastScan = 0;
    while (!session.exited && GetTickCount64() < deadline) {
        ServiceOneEvent(session, waitForEvent);
        ULONGLONG now = GetTickCount64();
        if (session.exited || now - lastScan < kScanIntervalMs) continue;
        lastScan = now;
        ScanBoxes(watch, options, result);
        if (options.whileRunning) options.whileRunning(result.processId);
    }
}

// A terminated debuggee still reports its exit; it is drained so the process is really gone
// (and not left suspended in a debug event) before the driver returns.
void TerminateAtTimeLimit(DebugSession& session, const PROCESS_INFORMATION& info) {
    TerminateProcess(info.hProcess, kTimeLimitExitCode);
    WaitForDebugEventFunction waitForEvent = ChooseWaitForDebugEvent();
    ULONGLONG deadline = GetTickCount64() + kExitDrainLimitMs;
    while (!session.exited && GetTickCount64() < deadline) ServiceOneEvent(session, waitForEvent);
    if (!session.exited) DebugActiveProcessStop(info.dwProcessId);
    WaitForSingleObject(info.hProcess, static_cast<DWORD>(kExitDrainLimitMs));
}

}  // namespace

ProcessRunResult RunProcess(const ProcessRunOptions& options) {
    ProcessRunResult result;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = options.commandLine;
    const wchar_t* application = options.applicationPath.empty() ? nullptr : options.applicationPath.c_str();
    const wchar_t* directory = options.currentDirectory.empty() ? nullptr : options.currentDirectory.c_str();
    if (!CreateProcessW(application, commandLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                        directory, &startup, &info)) {
        result.startError = GetLastError();
        return result;
    }
    ScopedHandle process(info.hProcess);
    ScopedHandle thread(info.hThread);
    result.started = true;
    result.processId = info.dwProcessId;

    DebugSession session;
    session.process = info.hProcess;
    session.pieces = &result.debugPieces;
    RunDebugLoop(session, options, result);
    result.exited = session.exited;
    if (!session.exited) TerminateAtTimeLimit(session, info);
    result.exitCode = result.exited ? session.exitCode : kTimeLimitExitCode;
    return result;
}

std::vector<std::wstring> DebugLines(const std::vector<std::wstring>& pieces) {
    std::wstring joined;
    for (const std::wstring& piece : pieces) joined += piece;
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < joined.size()) {
        size_t end = joined.find(L'\n', start);
        if (end == std::wstring::npos) end = joined.size();
        lines.push_back(joined.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
