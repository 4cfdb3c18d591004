// Creating and destroying windows, and what the window calls do with bad
// handles and arguments.

#include "message_sequence.h"

using namespace user_test;

namespace {

using CreationTest = WindowTest;

TEST_F(CreationTest, CreateSendsCreateSizeAndMoveBeforeReturning)
{
    HWND hwnd = CreateWindowExW(0, u"Recorder", u"main", WS_POPUP, 10, 20, 100, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    expect_sequence(
        {
            {hwnd, WM_CREATE},
            {hwnd, WM_SIZE, with_both, SIZE_RESTORED, point(100, 50)},
            {hwnd, WM_MOVE, with_lparam, 0, point(10, 20)},
        },
        "hidden popup");
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetActiveWindow(), nullptr);

    RECT rect;
    ASSERT_TRUE(GetWindowRect(hwnd, &rect));
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.bottom, 70);
    ASSERT_TRUE(GetClientRect(hwnd, &rect));
    EXPECT_EQ(rect.right, 100);
    EXPECT_EQ(rect.bottom, 50);
}

TEST_F(CreationTest, VisibleTopLevelWindowIsShownActivatedAndFocused)
{
    HWND hwnd = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    expect_sequence(
        {
            {hwnd, WM_CREATE},
            {hwnd, WM_SIZE},
            {hwnd, WM_MOVE},
            {hwnd, WM_SHOWWINDOW, with_both, TRUE, 0},
            {hwnd, WM_ACTIVATE, with_both, WA_ACTIVE, 0},
            {hwnd, WM_SETFOCUS, with_wparam, 0},
        },
        "visible window");
    EXPECT_EQ(GetForegroundWindow(), hwnd);
    EXPECT_EQ(GetFocus(), hwnd);

    // The first paint comes from the queue, with the background erased first.
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_PAINT);
    DispatchMessageW(&message);
    expect_sequence({{hwnd, WM_PAINT}, {hwnd, WM_ERASEBKGND}}, "first paint");
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
}

LRESULT CALLBACK refusing_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_CREATE) return -1;
    return recording_procedure(hwnd, message, wparam, lparam);
}

TEST_F(CreationTest, RefusedCreationLeavesNoWindow)
{
    WNDCLASSW window_class {};
    window_class.lpfnWndProc = refusing_procedure;
    window_class.lpszClassName = u"Refuser";
    RegisterClassW(&window_class);
    HWND hwnd = CreateWindowExW(0, u"Refuser", u"", WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(hwnd, nullptr);
    EXPECT_EQ(FindWindowW(u"Refuser", nullptr), nullptr);
    log().clear();
}

TEST_F(CreationTest, BadArgumentsFailCleanly)
{
    EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_EQ(CreateWindowExW(0, u"Recorder", u"", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TLW_WITH_WSCHILD));

    HWND bogus = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x7123450));
    SetLastError(0);
    EXPECT_FALSE(ShowWindow(bogus, SW_SHOW));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(DestroyWindow(bogus));
    EXPECT_FALSE(IsWindow(bogus));
    EXPECT_EQ(SendMessageW(bogus, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessageW(bogus, WM_USER, 0, 0));
    EXPECT_EQ(SetTimer(bogus, 1, 100, nullptr), 0u);
    RECT rect;
    EXPECT_FALSE(GetWindowRect(bogus, &rect));
    EXPECT_EQ(GetWindowLongW(bogus, GWL_STYLE), 0);
    EXPECT_FALSE(InvalidateRect(bogus, nullptr, TRUE));
    PAINTSTRUCT paint;
    EXPECT_EQ(BeginPaint(bogus, &paint), nullptr);

    WNDCLASSW duplicate {};
    duplicate.lpfnWndProc = recording_procedure;
    duplicate.lpszClassName = u"RECORDER";
    EXPECT_EQ(RegisterClassW(&duplicate), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    EXPECT_EQ(RegisterClassW(nullptr), 0);
}

TEST_F(CreationTest, StylesAndWindowLongs)
{
    HWND hwnd = make(u"Recorder", WS_POPUP | WS_CAPTION, 0, 0, 10, 10);
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION);
    SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>(WS_POPUP));
    EXPECT_FALSE(GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION);
    EXPECT_EQ(SetWindowLongW(hwnd, GWL_USERDATA, 1234), 0);
    EXPECT_EQ(GetWindowLongW(hwnd, GWL_USERDATA), 1234);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongW(hwnd, 400), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));

    WCHAR name[32];
    EXPECT_EQ(GetClassNameW(hwnd, name, 32), 8);
    EXPECT_EQ(std::u16string(name), u"Recorder");
    EXPECT_EQ(GetClassNameW(hwnd, name, 4), 3);
    EXPECT_EQ(std::u16string(name), u"Rec");
    EXPECT_TRUE(SetWindowTextW(hwnd, u"Title"));
    EXPECT_EQ(GetWindowTextW(hwnd, name, 32), 5);
    EXPECT_EQ(FindWindowW(u"recorder", u"title"), hwnd);
    EXPECT_EQ(FindWindowW(u"recorder", u"other"), nullptr);
}

using DestructionTest = WindowTest;

TEST_F(DestructionTest, DestroyGoesParentFirstAndFreesChildrenFirst)
{
    HWND parent = make(u"Recorder", WS_VISIBLE, 0, 0, 200, 200);
    HWND child = make(u"Recorder", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, parent);
    HWND grandchild = make(u"Recorder", WS_CHILD | WS_VISIBLE, 5, 5, 10, 10, child);
    pump();
    log().clear();

    std::vector<std::pair<HWND, bool>> alive_at_ncdestroy;
    ASSERT_TRUE(DestroyWindow(parent));
    expect_sequence(
        {
            {parent, WM_ACTIVATE, with_wparam, WA_INACTIVE},
            {parent, WM_KILLFOCUS, optional},
            {parent, WM_DESTROY},
            {child, WM_DESTROY},
            {grandchild, WM_DESTROY},
        },
        "destruction");
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(IsWindow(grandchild));
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
}

HWND freed_before_parent_check = nullptr;
bool child_gone_at_parent_ncdestroy = false;

LRESULT CALLBACK ncdestroy_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCDESTROY && hwnd != freed_before_parent_check) return 0;
    if (message == WM_NCDESTROY) {
        // The parent's WM_NCDESTROY comes after its child is gone.
        HWND first_child = GetWindow(hwnd, GW_CHILD);
        child_gone_at_parent_ncdestroy = first_child == nullptr;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

TEST_F(DestructionTest, ChildrenAreFreedBeforeTheirParent)
{
    WNDCLASSW window_class {};
    window_class.lpfnWndProc = ncdestroy_procedure;
    window_class.lpszClassName = u"NcDestroyWatcher";
    RegisterClassW(&window_class);
    HWND parent = CreateWindowExW(0, u"NcDestroyWatcher", u"", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExW(0, u"NcDestroyWatcher", u"", WS_CHILD, 0, 0, 5, 5, parent, nullptr, nullptr, nullptr);
    freed_before_parent_check = parent;
    ASSERT_TRUE(DestroyWindow(parent));
    EXPECT_TRUE(child_gone_at_parent_ncdestroy);
}

TEST_F(DestructionTest, OwnedWindowsGoBeforeTheirOwnerAndActivationMovesOn)
{
    HWND below = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    HWND owner = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    HWND owned = make(u"Recorder", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, owner);
    EXPECT_EQ(GetParent(owned), owner);
    EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
    pump();
    log().clear();

    ASSERT_TRUE(DestroyWindow(owner));
    expect_sequence(
        {
            {owned, WM_ACTIVATE, with_both, WA_INACTIVE, reinterpret_cast<LPARAM>(owner)},
            {owner, WM_ACTIVATE, with_both, WA_ACTIVE, reinterpret_cast<LPARAM>(owned)},
            {owned, WM_KILLFOCUS, optional},
            {owner, WM_SETFOCUS, optional},
            {owned, WM_DESTROY},
            {owner, WM_ACTIVATE, with_both, WA_INACTIVE, reinterpret_cast<LPARAM>(below)},
            {below, WM_ACTIVATE, with_both, WA_ACTIVE, reinterpret_cast<LPARAM>(owner)},
            {owner, WM_KILLFOCUS, optional},
            {below, WM_SETFOCUS, optional},
            {owner, WM_DESTROY},
        },
        "owner destruction");
    EXPECT_EQ(GetActiveWindow(), below);
    EXPECT_FALSE(IsWindow(owned));

    // What the destroyed windows covered is painted again.
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(message.hwnd, below);
}

TEST_F(DestructionTest, DestroyedWindowsLoseTimersPostsCaptureAndDcs)
{
    HWND hwnd = make(u"Recorder", WS_VISIBLE, 0, 0, 100, 100);
    pump();
    SetTimer(hwnd, 7, 100, nullptr);
    PostMessageW(hwnd, WM_USER, 0, 0);
    SetCapture(hwnd);
    HDC hdc = GetDC(hwnd);
    ASSERT_NE(hdc, nullptr);
    ASSERT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(GetCapture(), nullptr);

    // Nothing of it is left in the queue; drawing through its DC touches nothing.
    auto brush = CreateSolidBrush(RGB(255, 255, 255));
    RECT all {0, 0, 100, 100};
    FillRect(hdc, &all, brush);
    DeleteObject(brush);
    EXPECT_EQ(GetPixel(GetDC(nullptr), 50, 50) & 0xFFFFFF, 0u);
    ReleaseDC(hwnd, hdc);
    platform::clock::advance(500);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
}

}  // namespace
