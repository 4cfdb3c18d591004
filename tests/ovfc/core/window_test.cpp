// The framework window: creation and the window registry, the dispatcher's
// decoding, the M-key answers, the activation broadcast and the
// double-buffered paint.

#include "../phone_fixture.h"
#include "ovfc/core/ov_message_loop.h"
#include "test_windows.h"

using namespace ovfc_test;

namespace {

using OvfcWindow = PhoneTest;

TEST_F(OvfcWindow, CreationRegistersTheWindowAndSendsInitDialog)
{
    RecorderWnd window;
    EXPECT_EQ(COvWnd::OvWndFromHandle(nullptr), nullptr);
    ASSERT_TRUE(window.Create(10, 20, 100, 50, nullptr, 0, WS_VISIBLE, 0));
    HWND hwnd = window.GetHwnd();
    EXPECT_EQ(COvWnd::OvWndFromHandle(hwnd), &window);
    EXPECT_EQ(window.calls, (std::vector<HandlerCall> {{"initdialog"}}));
    EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION, 0);
    WNDCLASSW wc {};
    ASSERT_TRUE(GetClassInfoW(nullptr, TEXT("OvfcRecorderWnd"), &wc));
    EXPECT_EQ(wc.style, UINT(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
    EXPECT_EQ(wc.lpfnWndProc, &COvWnd::OvWndProc);

    // A second Create leaves the first window alone.
    EXPECT_FALSE(window.Create(0, 0, 10, 10, nullptr, 0, 0, 0));
    EXPECT_EQ(window.GetHwnd(), hwnd);
    EXPECT_TRUE(IsWindow(hwnd));

    window.Destroy();
    EXPECT_EQ(window.GetHwnd(), nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(COvWnd::OvWndFromHandle(hwnd), nullptr);
    window.messages.clear();
    window.Destroy();  // nothing left to destroy

    // A window whose OnInitDialog fails exists all the same.
    RecorderWnd refusing;
    refusing.init_result = 0;
    EXPECT_FALSE(refusing.Create(0, 0, 10, 10, nullptr, 0, 0, 0));
    EXPECT_TRUE(IsWindow(refusing.GetHwnd()));
    EXPECT_EQ(COvWnd::OvWndFromHandle(refusing.GetHwnd()), &refusing);

    // Destroying the object destroys its window.
    HWND child_handle;
    {
        RecorderWnd child;
        ASSERT_TRUE(child.CreateChild(0, 0, 5, 5, refusing.GetHwnd(), 7, 0));
        child_handle = child.GetHwnd();
        EXPECT_EQ(GetWindowLongW(child_handle, GWL_STYLE) & WS_CHILD, WS_CHILD);
        EXPECT_EQ(GetWindowLongW(child_handle, GWL_ID), 7);
    }
    EXPECT_FALSE(IsWindow(child_handle));
}

TEST_F(OvfcWindow, DispatcherDecodesMouseSizeAndCommands)
{
    RecorderWnd window;
    ASSERT_TRUE(window.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0));
    HWND hwnd = window.GetHwnd();
    window.calls.clear();

    // Dragged past the left and top edges: negative, not near 65535.
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-5, -12));
    SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, -12));
    SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-6, -12));
    SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-6, -12));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(30, 40));
    // The release did not move the last position: a move there still counts.
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(-6, -12));
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(30, 40));
    SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(30, 41));
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(30, 41));
    // Sizes are unsigned words.
    SendMessageW(hwnd, WM_SIZE, 0, MAKELPARAM(0xFFFF, 0x8000));
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(12, 0x300), 77);
    SendMessageW(hwnd, WM_TIMER, 3, 0);
    SendMessageW(hwnd, OVWM_UICOMMAND, 5, 6);
    std::vector<HandlerCall> expected {
        {"down", MK_LBUTTON, -5, -12},
        {"move", MK_LBUTTON, -6, -12},
        {"up", 0, 30, 40},
        {"move", 0, 30, 40},
        {"dblclk", MK_LBUTTON, 30, 41},
        {"size", 65535, 32768},
        {"command", 0x300, 12, 77},
        {"timer", 3},
        {"uicommand", 5, 6},
    };
    EXPECT_EQ(window.calls, expected);

    // Swallowed and answered messages.
    EXPECT_EQ(SendMessageW(hwnd, WM_ERASEBKGND, 0, 0), 1);
    EXPECT_EQ(SendMessageW(hwnd, WM_CHAR, 'a', 0), 0);
    EXPECT_EQ(SendMessageW(hwnd, WM_IME_COMPOSITIONFULL, 0, 0), 0);
    EXPECT_EQ(SendMessageW(hwnd, WM_INITDIALOG, 0, 0), 1);
    EXPECT_EQ(window.count("initdialog"), 1);

    // The window text is the platform's: the object never sees either text
    // message.
    window.messages.clear();
    SetWindowTextW(hwnd, TEXT("title"));
    WCHAR text[16] = {};
    EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text)), 5);
    EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), 5);
    EXPECT_EQ(std::count(window.messages.begin(), window.messages.end(), UINT(WM_GETTEXT)), 0);
    EXPECT_EQ(std::count(window.messages.begin(), window.messages.end(), UINT(WM_GETTEXTLENGTH)), 0);
}

TEST_F(OvfcWindow, RealTapsArriveDecoded)
{
    RecorderWnd window;
    ASSERT_TRUE(window.Create(100, 200, 200, 200, nullptr, 0, WS_VISIBLE, 0));
    window.hook = [&window](UINT message, WPARAM, LPARAM) {
        if (message == WM_LBUTTONDOWN) SetCapture(window.GetHwnd());
        return false;
    };
    window.calls.clear();
    press(110, 230);
    move(90, 180);  // outside the window, still its input: it holds the capture
    release(90, 180);
    pump();
    std::vector<HandlerCall> presses;
    for (const HandlerCall& call : window.calls)
        if (call.name != "paint") presses.push_back(call);
    EXPECT_EQ(presses,
        (std::vector<HandlerCall> {{"down", MK_LBUTTON, 10, 30}, {"move", MK_LBUTTON, -10, -20}, {"up", 0, -10, -20}}));
}

TEST_F(OvfcWindow, MKeyAnswersForEachResponse)
{
    struct Case {
        int response;
        std::vector<LPARAM> answers;
        bool quits;
        bool stays_visible;
    };
    const Case cases[] = {
        {-1, {}, false, true},
        {0, {OVMKEY_LEAVE}, true, true},
        {1, {OVMKEY_LEAVE}, true, true},
        {2, {OVMKEY_STAY}, false, true},
        {3, {OVMKEY_LEAVE}, false, false},
        {4, {}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.response);
        ShellStandIn shell;
        RecorderWnd window;
        ASSERT_TRUE(window.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0));
        window.SetMKeyResponse(c.response);
        shell.click_mkey(window.GetHwnd());
        int quit_code = pump();
        EXPECT_EQ(shell.answers(), c.answers);
        EXPECT_EQ(quit_code, c.quits ? 0 : -1000);
        EXPECT_EQ(bool(IsWindowVisible(window.GetHwnd())), c.stays_visible);
        if (c.response == 3) {
            EXPECT_NE(GetActiveWindow(), window.GetHwnd()) << "it went to the background";
            EXPECT_TRUE(IsWindow(window.GetHwnd())) << "and stays alive";
        }
    }
}

TEST_F(OvfcWindow, WMNullIsNeverTakenForTheMKey)
{
    ShellStandIn shell;
    RecorderWnd window;
    ASSERT_TRUE(window.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0));
    PostMessageW(window.GetHwnd(), WM_NULL, 0, reinterpret_cast<LPARAM>(shell.hwnd()));
    EXPECT_EQ(pump(), -1000);
    EXPECT_TRUE(shell.answers().empty());
}

TEST_F(OvfcWindow, ActivationIsBroadcastToEveryDescendant)
{
    RecorderWnd top;
    ASSERT_TRUE(top.Create(0, 0, 480, 720, nullptr, 0, 0, 0));
    RecorderWnd child;
    ASSERT_TRUE(child.CreateChild(0, 0, 100, 100, top.GetHwnd(), 1, 0));
    RecorderWnd grandchild;
    ASSERT_TRUE(grandchild.CreateChild(0, 0, 50, 50, child.GetHwnd(), 2, 0));
    // A descendant of another class gets the broadcast too.
    std::vector<UINT> plain_seen;
    static std::vector<UINT>* plain_log;
    plain_log = &plain_seen;
    WNDCLASSW wc {};
    wc.lpszClassName = TEXT("OvfcPlainChild");
    wc.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        plain_log->push_back(message);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    };
    RegisterClassW(&wc);
    HWND plain = CreateWindowExW(
        0, TEXT("OvfcPlainChild"), nullptr, WS_CHILD, 0, 0, 10, 10, top.GetHwnd(), nullptr, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);

    std::vector<std::pair<HWND, WPARAM>> order;
    auto record = [&](RecorderWnd& w) {
        w.hook = [&order, &w](UINT message, WPARAM wParam, LPARAM) {
            if (message == OVWM_ACTIVATE_BROADCAST) order.emplace_back(w.GetHwnd(), wParam);
            return false;
        };
    };
    record(top);
    record(child);
    record(grandchild);

    top.messages.clear();
    ShowWindow(top.GetHwnd(), SW_SHOW);  // activates it
    EXPECT_NE(std::count(top.messages.begin(), top.messages.end(), UINT(WM_ACTIVATE)), 0)
        << "WM_ACTIVATE reaches the dispatcher";
    EXPECT_TRUE(order.empty()) << "the broadcast is posted, not sent";
    pump();
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order[0], std::make_pair(top.GetHwnd(), WPARAM(WA_ACTIVE)));
    EXPECT_EQ(order[1], std::make_pair(child.GetHwnd(), WPARAM(WA_ACTIVE)));
    EXPECT_EQ(order[2], std::make_pair(grandchild.GetHwnd(), WPARAM(WA_ACTIVE)));
    EXPECT_EQ(std::count(plain_seen.begin(), plain_seen.end(), OVWM_ACTIVATE_BROADCAST), 1);
    DestroyWindow(plain);
}

TEST_F(OvfcWindow, PaintIsDoubleBufferedAndLimitedToTheUpdateRectangle)
{
    RecorderWnd window;
    window.m_crBack = RGB(0, 0, 255);
    window.paint = [](HDC hdc, const RECT&) { SetPixel(hdc, 5, 5, RGB(255, 0, 0)); };
    ASSERT_TRUE(window.Create(0, 0, 100, 100, nullptr, 0, WS_VISIBLE, 0));
    pump();
    EXPECT_EQ(screen_pixel(50, 50), 0x0000FFu) << "the background colour";
    EXPECT_EQ(screen_pixel(5, 5), 0xFF0000u) << "what PaintWin drew in the surface";
    EXPECT_EQ(window.calls.back(), (HandlerCall {"paint", 0, 0, 100}));

    // A later paint of a part copies only that part: the surface keeps the
    // rest of the last frame.
    window.m_crBack = RGB(0, 255, 0);
    window.paint = nullptr;
    RECT part {40, 40, 60, 60};
    window.Invalidate(&part, FALSE);
    pump();
    EXPECT_EQ(screen_pixel(50, 50), 0x00FF00u);
    EXPECT_EQ(screen_pixel(70, 70), 0x0000FFu);
    EXPECT_EQ(screen_pixel(5, 5), 0xFF0000u);

    // An empty update rectangle still reaches PaintWin and shows nothing.
    window.calls.clear();
    PAINTSTRUCT ps {};
    HDC hdc = GetDC(window.GetHwnd());
    ps.hdc = hdc;
    window.OnPaint(hdc, &ps);
    ReleaseDC(window.GetHwnd(), hdc);
    EXPECT_EQ(window.calls, (std::vector<HandlerCall> {{"paint", 0, 0, 0}}));
    EXPECT_EQ(screen_pixel(50, 50), 0x00FF00u);
}

TEST_F(OvfcWindow, GeometryHelpers)
{
    RecorderWnd parent;
    ASSERT_TRUE(parent.Create(10, 20, 300, 400, nullptr, 0, WS_VISIBLE, 0));
    RecorderWnd child;
    ASSERT_TRUE(child.CreateChild(30, 40, 50, 60, parent.GetHwnd(), 1, 0));
    EXPECT_EQ(child.GetClientWidth(), 50);
    EXPECT_EQ(child.GetClientHeight(), 60);
    RECT rc = child.GetWndRect();
    EXPECT_EQ(rc.left, 40);
    EXPECT_EQ(rc.top, 60);
    POINT pos = child.GetPosInParent();
    EXPECT_EQ(pos.x, 30);
    EXPECT_EQ(pos.y, 40);
    POINT top_pos = parent.GetPosInParent();
    EXPECT_EQ(top_pos.x, 0);
    EXPECT_EQ(top_pos.y, 0);

    SetWindowLongW(child.GetHwnd(), GWL_EXSTYLE, WS_EX_CLIENTEDGE | WS_EX_TOPMOST);
    child.ApplyDialogStyle();
    EXPECT_EQ(GetWindowLongW(child.GetHwnd(), GWL_STYLE) & 0xB, 0xB);
    EXPECT_EQ(GetWindowLongW(child.GetHwnd(), GWL_EXSTYLE), WS_EX_TOPMOST);
}

}  // namespace
