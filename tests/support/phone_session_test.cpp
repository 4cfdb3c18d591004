#include <gtest/gtest.h>

#include <vector>

#include <windows.h>

#include "platform/gdi/screen.h"
#include "platform/host/png_image.h"
#include "platform/kernel/clock.h"
#include "tests/ovfc/phone_session.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint64_t> g_ticks;
std::vector<MSG> g_touches;

void CALLBACK count_tick(HWND, UINT, UINT_PTR, DWORD) { g_ticks.push_back(platform::clock::now()); }

LRESULT CALLBACK record_touches(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN || message == WM_MOUSEMOVE || message == WM_LBUTTONUP)
        g_touches.push_back(MSG {hwnd, message, wParam, lParam, 0, {}});
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class PhoneSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root_.made());
        ASSERT_TRUE(phone_.start(root_.path()));
        g_ticks.clear();
        g_touches.clear();
    }
    void TearDown() override { phone_.stop(); }

    void fill_screen(COLORREF colour)
    {
        HDC screen = GetDC(nullptr);
        HBRUSH brush = CreateSolidBrush(colour);
        RECT all {0, 0, platform::gdi::Screen::width, platform::gdi::Screen::height};
        FillRect(screen, &all, brush);
        DeleteObject(brush);
        ReleaseDC(nullptr, screen);
    }

    velmor_test::TempFolder root_ {"phone-session-test"};
    ovfc_test::PhoneSession phone_;
};

TEST_F(PhoneSessionTest, WaitLetsTimeAndTimersPassAndStopsAtQuit)
{
    std::uint64_t start = platform::clock::now();
    UINT_PTR timer = SetTimer(nullptr, 0, 100, count_tick);
    ASSERT_NE(timer, 0u);
    EXPECT_EQ(phone_.wait(350), std::nullopt);
    KillTimer(nullptr, timer);
    EXPECT_EQ(platform::clock::now(), start + 350);
    EXPECT_EQ(g_ticks, (std::vector<std::uint64_t> {start + 100, start + 200, start + 300}));

    PostQuitMessage(7);
    EXPECT_EQ(phone_.wait(1000), 7);
    EXPECT_LT(platform::clock::now(), start + 350 + 1000);
}

TEST_F(PhoneSessionTest, FingerReachesTheWindowUnderIt)
{
    WNDCLASSW wc {};
    wc.lpfnWndProc = record_touches;
    wc.lpszClassName = u"PhoneSessionTouches";
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND window = CreateWindowExW(
        0, u"PhoneSessionTouches", u"", WS_POPUP | WS_VISIBLE, 100, 200, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);

    phone_.press(110, 220);
    phone_.move(120, 230);
    phone_.release(120, 230);
    phone_.tap(5, 5);  // outside the window
    phone_.wait(10);
    ASSERT_EQ(g_touches.size(), 3u);
    EXPECT_EQ(g_touches[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(g_touches[0].lParam, MAKELPARAM(10, 20));
    EXPECT_EQ(g_touches[1].message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(g_touches[2].message, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_EQ(g_touches[2].lParam, MAKELPARAM(20, 30));
    DestroyWindow(window);
    UnregisterClassW(u"PhoneSessionTouches", nullptr);
}

TEST_F(PhoneSessionTest, ExpectScreenComparesWithinToleranceAndLeavesPicturesOfADifference)
{
    fill_screen(RGB(100, 150, 200));
    // The reference is the screen with one pixel's blue 4 higher, whatever
    // depth the screen keeps its colours in.
    platform::host::Image reference = ovfc_test::PhoneSession::screen_image();
    const std::uint32_t shown = reference.at(7, 3);
    ASSERT_EQ(reference.at(0, 0), shown);
    ASSERT_LE(shown & 0xFF, 0xFBu);
    reference.at(7, 3) = shown + 4;
    auto written = platform::host::write_png(root_ / "reference.png", reference);
    ASSERT_TRUE(written) << written.failure().text();

    EXPECT_TRUE(ovfc_test::PhoneSession::expect_screen(root_ / "reference.png", 4));

    ovfc_test::ScreenCheck strict =
        ovfc_test::PhoneSession::expect_screen(root_ / "reference.png", 3, root_ / "out" / "actual.png");
    EXPECT_FALSE(strict);
    EXPECT_NE(strict.message.find("1 pixels differ; the first at (7, 3)"), std::string::npos) << strict.message;
    auto actual = platform::host::read_png(root_ / "out" / "actual.png");
    ASSERT_TRUE(actual) << actual.failure().text();
    EXPECT_EQ(actual->at(7, 3), shown);
    auto diff = platform::host::read_png(root_ / "out" / "actual-diff.png");
    ASSERT_TRUE(diff) << diff.failure().text();
    EXPECT_EQ(diff->at(7, 3), 0xFF0000u);
    EXPECT_NE(diff->at(0, 0), 0xFF0000u);

    ovfc_test::ScreenCheck missing = ovfc_test::PhoneSession::expect_screen(root_ / "none.png", 0);
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.message.find("VELMOR_UPDATE_REFERENCES=1"), std::string::npos) << missing.message;
    EXPECT_FALSE(fs::exists(root_ / "none.png"));
}

}  // namespace
