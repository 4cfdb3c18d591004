// The framework window's show and hide animation: rendering windows into
// bitmaps, the overlay the transition plays on, and DoModal playing its
// frames with its trace lines.
#include <gtest/gtest.h>

#include <functional>

#include "ovfc/core/ov_debug_zones.h"
#include "ovfc/core/ov_layer_hooks.h"
#include "ovfc/core/ov_wnd.h"
#include "ovfc/graphics/ov_animate.h"
#include "ovfc/graphics/ov_overlay.h"
#include "platform/gdi/gdi_object.h"
#include "platform/gdi/screen.h"
#include "tests/ovfc/graphics/picture_test_support.h"

namespace {

// A window that paints itself one colour and can end its modal run.
class ColourWnd : public COvWnd {
public:
    explicit ColourWnd(COLORREF colour)
        : colour_(colour)
    {
    }
    void PaintWin(HDC hdc, const RECT*) override
    {
        HBRUSH brush = CreateSolidBrush(colour_);
        RECT all {0, 0, GetClientWidth(), GetClientHeight()};
        FillRect(hdc, &all, brush);
        DeleteObject(brush);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_USER) {
            EndModal(7);
            return 0;
        }
        return COvWnd::WindowProc(message, wParam, lParam);
    }
    using COvWnd::m_nAnimHide;
    using COvWnd::m_nAnimShow;

private:
    COLORREF colour_;
};

class OvfcAnimate : public ovfc_test::GraphicsTest {
protected:
    void TearDown() override
    {
        platform::gdi::screen().set_changed_hook(nullptr);
        GraphicsTest::TearDown();
    }
    void count_screen_changes()
    {
        platform::gdi::screen().set_changed_hook([this](const RECT&) { ++changes_; });
    }
    int changes_ = 0;
};

TEST(OvfcGraphicsHooks, LinkingTheLayerInstallsItsWindowAnimation)
{
    // Nothing in this program names the file that installs it.
    EXPECT_EQ(OvGetWindowAnimator(), &OvAnimateWindow);
}

TEST_F(OvfcAnimate, RenderingHoldsTheWindowAndItsVisibleFrameworkChildren)
{
    ColourWnd parent(0x0000FF), child(0xFF0000), hidden(0x00FF00);
    ASSERT_TRUE(parent.Create(40, 60, 200, 100, nullptr, 0, WS_POPUP, 0));
    ASSERT_TRUE(child.CreateChild(10, 20, 30, 30, parent.GetHwnd(), 1, 0));
    ASSERT_TRUE(hidden.CreateChild(100, 20, 30, 30, parent.GetHwnd(), 2, 0));
    ShowWindow(child.GetHwnd(), SW_SHOW);
    // A child counts as visible only while its parent is.
    parent.Show(true, false);

    // The first rendering makes the windows' own drawing surfaces.
    DeleteObject(parent.RenderToBitmap());
    std::size_t objects = platform::gdi::live_object_count();
    HBITMAP all = parent.RenderToBitmap();
    ASSERT_NE(all, nullptr);
    BITMAP info {};
    GetObjectW(all, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 200);
    EXPECT_EQ(info.bmHeight, 100);
    EXPECT_EQ(ovfc_test::bitmap_pixel(all, 0, 0), 0xFF0000u);
    EXPECT_EQ(ovfc_test::bitmap_pixel(all, 15, 25), 0x0000FFu) << "the visible child is in it";
    EXPECT_EQ(ovfc_test::bitmap_pixel(all, 105, 25), 0xFF0000u) << "the hidden child is not";
    DeleteObject(all);

    RECT screen_area {50, 80, 90, 100};
    HBITMAP part = parent.RenderRectToBitmap(&screen_area);
    GetObjectW(part, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 40);
    EXPECT_EQ(info.bmHeight, 20);
    EXPECT_EQ(ovfc_test::bitmap_pixel(part, 0, 0), 0x0000FFu) << "client (10, 20) is the child's corner";
    EXPECT_EQ(ovfc_test::bitmap_pixel(part, 39, 0), 0xFF0000u);
    DeleteObject(part);
    EXPECT_EQ(platform::gdi::live_object_count(), objects) << "temporary DCs and the child bitmaps are gone";
}

TEST_F(OvfcAnimate, TheOverlayIsATopmostWindowThatNeverTakesTheFocus)
{
    ColourWnd below(0x0000FF);
    ASSERT_TRUE(below.Create(0, 0, 480, 720, nullptr, 0, WS_POPUP, 0));
    below.Show(true, true);
    SetForegroundWindow(below.GetHwnd());
    UpdateWindow(below.GetHwnd());
    {
        OvScreenOverlay overlay;
        RECT rc {20, 30, 120, 80};
        HDC dc = overlay.Open(&rc);
        ASSERT_NE(dc, nullptr);
        HWND window = overlay.GetOverlay()->GetHwnd();
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_NE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        RECT placed {};
        GetWindowRect(window, &placed);
        EXPECT_TRUE(EqualRect(&placed, &rc));
        EXPECT_EQ(GetActiveWindow(), below.GetHwnd());
        // Drawing on the overlay's DC reaches the screen at the overlay.
        RECT local {0, 0, 100, 50};
        FillRect(dc, &local, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        EXPECT_EQ(screen_pixel(20, 30), 0u);
        EXPECT_EQ(screen_pixel(19, 30), 0xFF0000u);
        overlay.Close();
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(overlay.GetDC(), nullptr);
        // The destructor of a closed overlay does nothing more.
    }
    OvScreenOverlay whole;
    whole.Open(nullptr);
    RECT placed {};
    GetWindowRect(whole.GetOverlay()->GetHwnd(), &placed);
    EXPECT_EQ(placed.right - placed.left, 480);
    EXPECT_EQ(placed.bottom - placed.top, 720);
}

TEST_F(OvfcAnimate, DoModalPlaysItsShowAndHideTransitions)
{
    // The screen hook below reads these; they outlive the windows, whose
    // destruction at the end still changes the screen.
    std::uint32_t first_top = 0, first_bottom = 0;
    bool seen = false;
    OvDebugZones = 0x80;
    ColourWnd parent(0x0000FF);
    ASSERT_TRUE(parent.Create(0, 0, 480, 720, nullptr, 0, WS_POPUP, 0));
    parent.Show(true, true);
    UpdateWindow(parent.GetHwnd());
    ColourWnd dialog(0xFF0000);
    ASSERT_TRUE(dialog.Create(0, 0, 480, 720, parent.GetHwnd(), 0, WS_POPUP, 0));
    dialog.m_nAnimShow = 1;
    dialog.m_nAnimHide = 3;

    // Watch the screen while the dialog appears: the first frame puts a band
    // of the dialog at the bottom, over the parent.
    platform::gdi::screen().set_changed_hook([&](const RECT&) {
        ++changes_;
        if (seen) return;
        seen = true;
        auto pixels = platform::gdi::screen().read_xrgb();
        first_top = pixels[0];
        first_bottom = pixels[719 * 480];
    });
    // The dialog's own drawing surface is made by its first paint and kept.
    DeleteObject(dialog.RenderToBitmap());
    std::size_t objects = platform::gdi::live_object_count();
    PostMessageW(dialog.GetHwnd(), WM_USER, 0, 0);
    EXPECT_EQ(dialog.DoModal(true), 7);
    EXPECT_GE(changes_, 2 * 23) << "both transitions drew their frames";
    EXPECT_EQ(first_top, 0xFF0000u);
    EXPECT_EQ(first_bottom, 0x0000FFu);
    pump();
    EXPECT_EQ(screen_pixel(240, 360), 0xFF0000u) << "the parent shows again";
    EXPECT_EQ(platform::gdi::live_object_count(), objects) << "bitmaps, DCs and the overlay are gone";

    std::vector<std::string> lines = trace_with("AnimateWindow");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("AnimateWindow(nAnim=1, true)"), std::string::npos);
    EXPECT_NE(lines[1].find("AnimateWindow(nAnim=3, false)"), std::string::npos);
}

TEST_F(OvfcAnimate, NumberZeroTouchesNothing)
{
    ColourWnd window(0x0000FF);
    ASSERT_TRUE(window.Create(0, 0, 100, 100, nullptr, 0, WS_POPUP, 0));
    pump();
    // Hiding a window without a framework parent plays towards no picture;
    // the first run also makes the stock objects the overlay's class uses.
    count_screen_changes();
    window.AnimateWindow(15, false);
    EXPECT_GT(changes_, 0);
    std::size_t objects = platform::gdi::live_object_count();
    window.AnimateWindow(15, false);
    EXPECT_EQ(platform::gdi::live_object_count(), objects) << "no bitmap, DC or window is left behind";

    changes_ = 0;
    window.AnimateWindow(0, true);
    window.AnimateWindow(0, false);
    EXPECT_EQ(changes_, 0);
    EXPECT_EQ(platform::gdi::live_object_count(), objects);
}

}  // namespace
