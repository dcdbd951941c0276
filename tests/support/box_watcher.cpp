#include "box_watcher.h"

#include <algorithm>

namespace {

constexpr DWORD kScanIntervalMs = 20;
// Generous: a dialog still setting itself up on a loaded machine answers late.
constexpr UINT kMessageTimeoutMs = 2000;
// A box is visible before its static controls hold their text and icon.
constexpr DWORD kSettleMs = 150;

bool HasClass(HWND window, const wchar_t* expected)
{
    wchar_t name[64] = {};
    return GetClassNameW(window, name, 64) > 0 && lstrcmpiW(name, expected) == 0;
}

// With a time limit: the box's thread may be busy elsewhere for a moment.
std::wstring TextOf(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length)) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &copied)) {
        return {};
    }
    text.resize(std::min<size_t>(copied, length));
    return text;
}

UINT IconOf(HWND box)
{
    struct StandardIcon {
        LPCWSTR resource;
        UINT style;
    };
    const StandardIcon icons[] = {{IDI_HAND, MB_ICONERROR},
                                  {IDI_EXCLAMATION, MB_ICONWARNING},
                                  {IDI_ASTERISK, MB_ICONINFORMATION},
                                  {IDI_QUESTION, MB_ICONQUESTION}};
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!HasClass(child, L"Static") || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
            continue;
        }
        DWORD_PTR handle = 0;
        SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &handle);
        for (const StandardIcon& icon : icons) {
            if (reinterpret_cast<HICON>(handle) == LoadIconW(nullptr, icon.resource)) {
                return icon.style;
            }
        }
    }
    return 0;
}

WatchedBox Describe(HWND box)
{
    WatchedBox seen;
    seen.window = box;
    seen.caption = TextOf(box);
    seen.owner = GetWindow(box, GW_OWNER);
    seen.ownerWasWindow = seen.owner != nullptr && IsWindow(seen.owner);
    seen.icon = IconOf(box);
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (HasClass(child, L"Static") && id == 0xFFFF) {
            seen.text = TextOf(child);
        }
        const LONG kind = GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
        if (HasClass(child, L"Button") && (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) &&
            IsWindowVisible(child)) {
            seen.buttons.push_back(id);
        }
    }
    return seen;
}

struct Search {
    DWORD processId;
    const std::vector<HWND>* handled;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectBox(HWND window, LPARAM parameter)
{
    Search& search = *reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && HasClass(window, L"#32770") && IsWindowVisible(window) &&
        std::find(search.handled->begin(), search.handled->end(), window) == search.handled->end()) {
        search.found.push_back(window);
    }
    return TRUE;
}

}  // namespace

int DefaultButton(const WatchedBox& box)
{
    if (box.buttons.empty() || std::find(box.buttons.begin(), box.buttons.end(), IDOK) != box.buttons.end()) {
        return IDOK;
    }
    return box.buttons.front();
}

BoxWatcher::BoxWatcher(Answer answer) : answer_(std::move(answer)), thread_([this] { Watch(); }) {}

BoxWatcher::~BoxWatcher()
{
    stop_ = true;
    thread_.join();
}

std::vector<WatchedBox> BoxWatcher::Boxes()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

void BoxWatcher::Watch()
{
    std::vector<std::pair<HWND, DWORD>> seenAt;
    while (!stop_) {
        Sleep(kScanIntervalMs);
        std::erase_if(handled_, [](HWND window) { return !IsWindow(window); });
        Search search{GetCurrentProcessId(), &handled_, {}};
        EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.found) {
            auto known = std::find_if(seenAt.begin(), seenAt.end(), [box](const auto& entry) { return entry.first == box; });
            if (known == seenAt.end()) {
                seenAt.emplace_back(box, GetTickCount());
                continue;
            }
            if (GetTickCount() - known->second < kSettleMs) {
                continue;
            }
            WatchedBox seen = Describe(box);
            seen.pressed = answer_ ? answer_(seen) : DefaultButton(seen);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(seen.pressed, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, seen.pressed)));
            seen.window = nullptr;
            handled_.push_back(box);
            seenAt.erase(known);
            std::lock_guard<std::mutex> lock(mutex_);
            boxes_.push_back(seen);
        }
    }
}
