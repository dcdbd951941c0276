#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A dialog box of this process as the watcher found it.
struct WatchedBox {
    std::wstring caption;
    std::wstring text;              // the message of a message box; empty for other dialogs
    UINT icon = 0;                  // MB_ICONINFORMATION, MB_ICONERROR, MB_ICONQUESTION, MB_ICONWARNING or 0
    std::vector<int> buttons;       // ids of its push buttons
    HWND owner = nullptr;           // GW_OWNER when it appeared
    bool ownerWasWindow = false;    // whether that owner still existed then
    HWND window = nullptr;          // valid only inside the answer callback
    int pressed = 0;
};

// Answers the dialog boxes this process shows while the test's own thread
// sits in their modal loops: a second thread finds each box, records it and
// presses a button.  The answer callback runs on that thread and may act on
// the box (fill in an edit field) before the button is pressed.
struct BoxWatcher {
    using Answer = std::function<int(WatchedBox&)>;

    explicit BoxWatcher(Answer answer = {});
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    std::vector<WatchedBox> Boxes();

private:
    void Watch();

    Answer answer_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<WatchedBox> boxes_;
    std::vector<HWND> handled_;
    std::thread thread_;
};

// IDOK when the box has it, else its first button.
int DefaultButton(const WatchedBox& box);
