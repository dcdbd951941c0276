#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "pixel_canvas.h"
#include "test_files.h"
#include "uninstaller_constants.h"
#include "uninstaller_layout.h"
#include "uninstaller_state.h"
#include "uninstaller_window.h"

namespace {

constexpr POINT kWindowOrigin{100, 100};
constexpr POINT kOnClose{454, 22};
constexpr DWORD kLoopLimitMs = 20000;

// The real window on a small install tree, watched through a subclass that
// notes every paint and the window's destruction.
struct UninstallerWindowTest : testing::Test {
    struct Paint {
        DWORD tick;
        int progress;
        std::wstring statusText;
    };

    ScopedGdiplus gdiplus;
    ScopedTempDir temp;
    UninstallerState state;
    HWND window = nullptr;
    WNDPROC original = nullptr;
    std::vector<Paint> paints;
    DWORD destroyedAt = 0;
    DWORD removalEndedAt = 0;               // when the start message's handler returned
    std::vector<bool> removingWhenClosed;  // one per WM_CLOSE, as it arrived
    std::function<void(const std::wstring& statusText)> onPaint;
    std::thread outsider;

    static LRESULT CALLBACK WatchingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<UninstallerWindowTest*>(GetPropW(hwnd, L"test"));
        if (message == WM_PAINT) {
            self->paints.push_back({GetTickCount(), self->state.progress, self->state.statusText});
            if (self->onPaint) {
                self->onPaint(self->state.statusText);
            }
        } else if (message == WM_CLOSE) {
            self->removingWhenClosed.push_back(self->state.removing);
        } else if (message == WM_DESTROY) {
            self->destroyedAt = GetTickCount();
            RemovePropW(hwnd, L"test");
        } else if (message == kStartRemovalMessage) {
            const LRESULT result = CallWindowProcW(self->original, hwnd, message, wParam, lParam);
            self->removalEndedAt = GetTickCount();
            return result;
        }
        return CallWindowProcW(self->original, hwnd, message, wParam, lParam);
    }

    void SetUp() override { Open(L"Orvicap"); }
    void TearDown() override { Close(); }

    // A fresh window and install tree in the given folder of temp, with
    // nothing recorded yet.
    void Open(const std::wstring& folder)
    {
        state = UninstallerState{};
        paints.clear();
        destroyedAt = 0;
        removalEndedAt = 0;
        removingWhenClosed.clear();
        onPaint = nullptr;
        state.name = L"Orvicap";
        state.subtitle = L"维洛录屏";
        state.installDir = temp / folder;
        state.selfPath = state.installDir + L"\\uninstall.exe";
        ASSERT_TRUE(CreateDirectories(state.installDir + L"\\bin\\64bit"));
        ASSERT_TRUE(WriteFileBytes(state.selfPath, "own"));
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(WriteFileBytes(state.installDir + L"\\bin\\64bit\\f" + std::to_wstring(i), std::string(100, 'x')));
        }
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = UninstallerWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kWindowClassName;
        RegisterClassExW(&windowClass);  // registered once per process; later calls fail harmlessly
        window = CreateWindowExW(WS_EX_APPWINDOW, kWindowClassName, state.name.c_str(), WS_POPUP, kWindowOrigin.x,
                                 kWindowOrigin.y, kWindowWidth, kWindowHeight, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), &state);
        ASSERT_NE(window, nullptr);
        SetPropW(window, L"test", this);
        original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchingProc)));
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
        paints.clear();
    }

    void Close()
    {
        if (outsider.joinable()) {
            outsider.join();
        }
        if (IsWindow(window)) {
            DestroyWindow(window);
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // The message loop of the program, with a time limit: true when it ended
    // by a quit request.
    bool RunMessageLoop()
    {
        DWORD start = GetTickCount();
        for (;;) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    return true;
                }
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            if (GetTickCount() - start > kLoopLimitMs) {
                return false;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
    }

    LPARAM ScreenPoint(POINT client) const
    {
        return MAKELPARAM(client.x + kWindowOrigin.x, client.y + kWindowOrigin.y);
    }

    bool NeedsPaint() const { return GetUpdateRect(window, nullptr, FALSE) != 0; }

    // When the status line first read "卸载完成！".
    DWORD DoneAt() const
    {
        for (const Paint& paint : paints) {
            if (paint.statusText == kStatusDone) {
                return paint.tick;
            }
        }
        return 0;
    }

    bool RemovalDone() const { return !DirectoryExists(state.installDir + L"\\bin"); }
};

TEST_F(UninstallerWindowTest, HeaderDragsTheWindowExceptOnTheCloseButton)
{
    const struct {
        POINT point;
        LRESULT hit;
    } cases[] = {
        {{454, 22}, HTCLIENT},  {{440, 8}, HTCLIENT},    {{467, 35}, HTCLIENT},   {{468, 22}, HTCAPTION},
        {{439, 22}, HTCAPTION}, {{454, 36}, HTCAPTION},  {{10, 10}, HTCAPTION},   {{240, 149}, HTCAPTION},
        {{240, 150}, HTCLIENT}, {{5, 255}, HTCLIENT},    {{454, 7}, HTCAPTION},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::Message() << row.point.x << "," << row.point.y);
        EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, ScreenPoint(row.point)), row.hit);
    }
}

TEST_F(UninstallerWindowTest, HoverRepaintsOnlyWhenItChanges)
{
    const struct {
        POINT point;
        bool hover;
        bool repaint;
    } moves[] = {
        {{300, 200}, false, false}, {{450, 20}, true, true},   {{460, 30}, true, false},
        {{467, 35}, true, false},   {{468, 35}, false, true}, {{100, 220}, false, false},
    };
    for (const auto& move : moves) {
        SCOPED_TRACE(testing::Message() << move.point.x << "," << move.point.y);
        ValidateRect(window, nullptr);
        SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(move.point.x, move.point.y));
        EXPECT_EQ(state.closeHover, move.hover);
        EXPECT_EQ(NeedsPaint(), move.repaint);
    }
}

TEST_F(UninstallerWindowTest, CursorIsAHandOnlyOverTheCloseButton)
{
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    const struct {
        POINT point;
        WORD hitArea;
        HCURSOR cursor;
    } cases[] = {
        {kOnClose, HTCLIENT, hand}, {{300, 60}, HTCAPTION, arrow}, {{300, 200}, HTCLIENT, arrow}, {{439, 22}, HTCAPTION, arrow},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::Message() << row.point.x << "," << row.point.y);
        ASSERT_TRUE(SetCursorPos(row.point.x + kWindowOrigin.x, row.point.y + kWindowOrigin.y));
        SetCursor(nullptr);
        EXPECT_EQ(SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(row.hitArea, WM_MOUSEMOVE)),
                  TRUE);
        EXPECT_EQ(GetCursor(), row.cursor);
    }
}

TEST_F(UninstallerWindowTest, WindowClosesItselfAbout600msAfterCompletion)
{
    ASSERT_TRUE(RunMessageLoop());

    EXPECT_TRUE(RemovalDone());
    ASSERT_NE(DoneAt(), 0u);
    EXPECT_EQ(paints.back().progress, 100);
    ASSERT_NE(destroyedAt, 0u) << "the loop ends because the window was destroyed";
    ASSERT_NE(removalEndedAt, 0u);
    EXPECT_GE(destroyedAt - removalEndedAt, kCloseDelayMs - 50);
    EXPECT_LT(destroyedAt - removalEndedAt, kCloseDelayMs + 1000);
    EXPECT_EQ(paints.front().statusText, kStatusClosingPrograms);
}

// Whether a message sent by another thread waits in this thread's queue.
bool SentMessageWaiting()
{
    return (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0;
}

enum class CloseAction { ClickTheCloseButton, CloseFromAnotherThread, PostClose };

struct CloseCase {
    const char* description;
    const wchar_t* actAtStatus;  // the action comes with the first paint of this status
    CloseAction action;
    std::vector<bool> removingWhenClosed;
    bool closedByTheTimer;       // else at once once the removal has ended
    bool windowOutlivesTheLoop;  // the loop ends by the click's quit request
};

// The close button and a WM_CLOSE from outside (the taskbar, Alt+F4, another
// program) are refused while the removal runs, so that the window closes by
// itself once it is done; afterwards they end the program at once.
TEST_F(UninstallerWindowTest, CloseRequestsWaitForTheRemovalThenActAtOnce)
{
    const CloseCase cases[] = {
        {"close click during the removal", kStatusDeletingFiles, CloseAction::ClickTheCloseButton, {}, true, false},
        {"close click after completion", kStatusDone, CloseAction::ClickTheCloseButton, {}, false, true},
        {"WM_CLOSE from another thread during the removal", kStatusDeletingFiles, CloseAction::CloseFromAnotherThread,
         {true}, true, false},
        {"WM_CLOSE after completion", kStatusDone, CloseAction::PostClose, {false}, false, false},
    };
    int folderNumber = 0;
    for (const CloseCase& c : cases) {
        SCOPED_TRACE(c.description);
        // A folder of its own: the previous run's interpreter deletes in its folder a second later.
        Close();
        Open(L"Orvicap" + std::to_wstring(++folderNumber));
        bool acted = false;
        onPaint = [&](const std::wstring& statusText) {
            if (statusText != c.actAtStatus || acted) {
                return;
            }
            acted = true;
            if (c.action == CloseAction::ClickTheCloseButton) {
                PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(kOnClose.x, kOnClose.y));
            } else if (c.action == CloseAction::PostClose) {
                PostMessageW(window, WM_CLOSE, 0, 0);
            } else {
                outsider = std::thread([hwnd = window] { SendMessageW(hwnd, WM_CLOSE, 0, 0); });
                // Held here until the WM_CLOSE waits in the queue, so that
                // the removal's next pump is what delivers it.
                const DWORD start = GetTickCount();
                while (!SentMessageWaiting() && GetTickCount() - start < kLoopLimitMs) {
                    Sleep(1);
                }
            }
        };

        ASSERT_TRUE(RunMessageLoop()) << "the process would stay without a window";
        const DWORD endedAt = GetTickCount();

        EXPECT_TRUE(acted);
        EXPECT_TRUE(RemovalDone());
        ASSERT_NE(DoneAt(), 0u);
        ASSERT_NE(removalEndedAt, 0u);
        EXPECT_EQ(removingWhenClosed, c.removingWhenClosed);
        EXPECT_EQ(IsWindow(window) != FALSE, c.windowOutlivesTheLoop);
        // Measured from the end of the removal: the completion paint comes
        // before the command interpreter that deletes the uninstaller starts.
        const DWORD closedAfter = (c.windowOutlivesTheLoop ? endedAt : destroyedAt) - removalEndedAt;
        if (c.closedByTheTimer) {
            EXPECT_GE(closedAfter, kCloseDelayMs - 50);
        } else {
            EXPECT_LT(closedAfter, kCloseDelayMs - 100);
        }
    }
}

}  // namespace
