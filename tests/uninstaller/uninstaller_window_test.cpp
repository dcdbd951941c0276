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
        } else if (message == WM_DESTROY) {
            self->destroyedAt = GetTickCount();
            RemovePropW(hwnd, L"test");
        }
        return CallWindowProcW(self->original, hwnd, message, wParam, lParam);
    }

    void SetUp() override
    {
        state.name = L"Orvicap";
        state.subtitle = L"维洛录屏";
        state.installDir = temp / L"Orvicap";
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

    void TearDown() override
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
    EXPECT_GE(destroyedAt - DoneAt(), kCloseDelayMs - 50);
    EXPECT_LT(destroyedAt - DoneAt(), kCloseDelayMs + 1000);
    EXPECT_EQ(paints.front().statusText, kStatusClosingPrograms);
}

TEST_F(UninstallerWindowTest, CloseClickDuringTheRemovalHasNoEffect)
{
    onPaint = [this](const std::wstring& statusText) {
        if (statusText == kStatusDeletingFiles) {
            PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(kOnClose.x, kOnClose.y));
        }
    };
    ASSERT_TRUE(RunMessageLoop());

    EXPECT_TRUE(RemovalDone());
    ASSERT_NE(DoneAt(), 0u);
    ASSERT_NE(destroyedAt, 0u) << "the clicks' quit requests must not end the loop";
    EXPECT_GE(destroyedAt - DoneAt(), kCloseDelayMs - 50);
}

TEST_F(UninstallerWindowTest, CloseClickAfterCompletionEndsTheLoopAtOnce)
{
    onPaint = [this](const std::wstring& statusText) {
        if (statusText == kStatusDone) {
            PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(kOnClose.x, kOnClose.y));
        }
    };
    ASSERT_TRUE(RunMessageLoop());
    DWORD endedAt = GetTickCount();

    EXPECT_TRUE(RemovalDone());
    EXPECT_TRUE(IsWindow(window)) << "the loop ends before the window is destroyed";
    EXPECT_LT(endedAt - DoneAt(), kCloseDelayMs - 100);
}

TEST_F(UninstallerWindowTest, CloseRequestFromOutsideWaitsForTheRemoval)
{
    onPaint = [this](const std::wstring& statusText) {
        if (statusText == kStatusDeletingFiles && !outsider.joinable()) {
            // Another thread's WM_CLOSE arrives through the removal's pumps.
            outsider = std::thread([hwnd = window] { SendMessageW(hwnd, WM_CLOSE, 0, 0); });
        }
    };
    ASSERT_TRUE(RunMessageLoop()) << "the process would stay without a window";

    EXPECT_TRUE(outsider.joinable());
    EXPECT_TRUE(RemovalDone());
    ASSERT_NE(DoneAt(), 0u);
    ASSERT_NE(destroyedAt, 0u);
    EXPECT_GE(destroyedAt, DoneAt()) << "the window outlives the removal";
}

TEST_F(UninstallerWindowTest, CloseRequestAfterCompletionClosesAtOnce)
{
    onPaint = [this](const std::wstring& statusText) {
        if (statusText == kStatusDone) {
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
    };
    ASSERT_TRUE(RunMessageLoop());

    ASSERT_NE(destroyedAt, 0u);
    EXPECT_LT(destroyedAt - DoneAt(), kCloseDelayMs - 100);
}

}  // namespace
