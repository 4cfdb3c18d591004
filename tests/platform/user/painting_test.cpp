// Painting: update regions, erasing with the class brush, and window DCs
// that draw straight into the screen, clipped to what of the window shows.

#include "message_sequence.h"

using namespace user_test;

namespace {

class PaintingTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        HDC screen = GetDC(nullptr);
        RECT all {0, 0, 480, 720};
        FillRect(screen, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(nullptr, screen);
        red_ = CreateSolidBrush(RGB(255, 0, 0));
        register_class(u"RedBackground", 0, red_);
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        UnregisterClassW(u"RedBackground", nullptr);
        DeleteObject(red_);
    }
    static COLORREF screen_pixel(int x, int y)
    {
        HDC screen = GetDC(nullptr);
        COLORREF colour = GetPixel(screen, x, y);
        ReleaseDC(nullptr, screen);
        return colour;
    }
    HBRUSH red_ = nullptr;
};

TEST_F(PaintingTest, FirstPaintErasesWithTheClassBrushInsideTheWindow)
{
    HWND hwnd = make(u"RedBackground", WS_VISIBLE | WS_POPUP, 10, 10, 20, 20);
    log().clear();
    pump();
    expect_sequence({{hwnd, WM_PAINT}, {hwnd, WM_ERASEBKGND}}, "paint");
    EXPECT_EQ(screen_pixel(10, 10), RGB(255, 0, 0));
    EXPECT_EQ(screen_pixel(29, 29), RGB(255, 0, 0));
    EXPECT_EQ(screen_pixel(30, 30), RGB(0, 0, 0));
    EXPECT_EQ(screen_pixel(9, 10), RGB(0, 0, 0));
}

TEST_F(PaintingTest, WindowDcsAreClippedToWhatShowsAndFollowChanges)
{
    HWND below = make(u"Recorder", WS_VISIBLE | WS_POPUP, 0, 0, 100, 100);
    HWND above = make(u"Recorder", WS_VISIBLE | WS_POPUP, 50, 0, 50, 100);
    pump();
    HDC hdc = GetDC(below);
    ASSERT_NE(hdc, nullptr);
    RECT all {0, 0, 100, 100};
    FillRect(hdc, &all, red_);
    EXPECT_EQ(screen_pixel(10, 10), RGB(255, 0, 0));
    EXPECT_EQ(screen_pixel(60, 10), RGB(0, 0, 0)) << "covered by the window above";

    // The same DC may draw where the window above no longer hides it.
    ShowWindow(above, SW_HIDE);
    FillRect(hdc, &all, red_);
    EXPECT_EQ(screen_pixel(60, 10), RGB(255, 0, 0));
    // And nowhere once its own window hides.
    ShowWindow(below, SW_HIDE);
    HDC screen = GetDC(nullptr);
    FillRect(screen, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(nullptr, screen);
    FillRect(hdc, &all, red_);
    EXPECT_EQ(screen_pixel(10, 10), RGB(0, 0, 0));
    ReleaseDC(below, hdc);
}

TEST_F(PaintingTest, ClipChildrenKeepsTheParentOffItsChildren)
{
    HWND parent = make(u"Recorder", WS_VISIBLE | WS_POPUP | WS_CLIPCHILDREN, 0, 0, 100, 100);
    make(u"Recorder", WS_VISIBLE | WS_CHILD, 0, 0, 50, 50, parent);
    pump();
    HDC hdc = GetDC(parent);
    RECT all {0, 0, 100, 100};
    FillRect(hdc, &all, red_);
    ReleaseDC(parent, hdc);
    EXPECT_EQ(screen_pixel(10, 10), RGB(0, 0, 0));
    EXPECT_EQ(screen_pixel(60, 60), RGB(255, 0, 0));
}

TEST_F(PaintingTest, InvalidateValidateAndUpdateWindow)
{
    HWND parent = make(u"Recorder", WS_VISIBLE | WS_POPUP, 0, 0, 100, 100);
    HWND child = make(u"Recorder", WS_VISIBLE | WS_CHILD, 50, 50, 50, 50, parent);
    pump();
    log().clear();

    RECT part {40, 40, 60, 60};
    InvalidateRect(parent, &part, FALSE);
    RECT update;
    ASSERT_TRUE(GetUpdateRect(child, &update, FALSE)) << "children share the parent's invalidation";
    EXPECT_EQ(update.right, 10);
    ASSERT_TRUE(UpdateWindow(parent));
    expect_sequence({{parent, WM_PAINT}, {child, WM_PAINT}}, "update now");
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));

    InvalidateRect(parent, nullptr, TRUE);
    ValidateRect(parent, nullptr);
    EXPECT_FALSE(GetUpdateRect(parent, &update, FALSE));
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));

    // BeginPaint reports the update's bounds and takes it away.
    InvalidateRect(parent, &part, FALSE);
    PAINTSTRUCT paint;
    ASSERT_NE(BeginPaint(parent, &paint), nullptr);
    EXPECT_EQ(paint.rcPaint.left, 40);
    EXPECT_EQ(paint.rcPaint.bottom, 60);
    EXPECT_FALSE(paint.fErase);
    EndPaint(parent, &paint);
    EXPECT_FALSE(GetUpdateRect(parent, &update, FALSE));

    // Hidden windows collect nothing to paint.
    ShowWindow(parent, SW_HIDE);
    InvalidateRect(parent, nullptr, TRUE);
    EXPECT_FALSE(GetUpdateRect(parent, &update, FALSE));
    log().clear();
}

LRESULT CALLBACK ignoring_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_PAINT) return 0;
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

TEST_F(PaintingTest, AProcedureThatIgnoresPaintDoesNotKeepTheLoopBusy)
{
    WNDCLASSW window_class {};
    window_class.lpfnWndProc = ignoring_procedure;
    window_class.lpszClassName = u"PaintIgnorer";
    RegisterClassW(&window_class);
    CreateWindowExW(0, u"PaintIgnorer", u"", WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    MSG message;
    int paints = 0;
    while (paints < 10 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_PAINT) ++paints;
        DispatchMessageW(&message);
    }
    EXPECT_EQ(paints, 1);
}

TEST_F(PaintingTest, SoftInputPanelIsNeverUp)
{
    SIPINFO info {};
    EXPECT_FALSE(SipGetInfo(&info)) << "the size field must be set";
    info.cbSize = sizeof info;
    ASSERT_TRUE(SipGetInfo(&info));
    EXPECT_EQ(info.fdwFlags & SIPF_ON, 0u);
    EXPECT_TRUE(SipShowIM(SIPF_OFF));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 480);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 720);
}

}  // namespace
