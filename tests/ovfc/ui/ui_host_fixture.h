// A headless phone with one full-screen control-hosting window whose
// controls and framework messages all write into one log.
#pragma once

#include <initializer_list>

#include "../phone_fixture.h"
#include "ui_recorders.h"

namespace ovfc_test {

class UiHostTest : public PhoneTest {
protected:
    void SetUp() override
    {
        PhoneTest::SetUp();
        ASSERT_TRUE(host.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0));
        hwnd = host.GetHwnd();
        // Leave the start-up paint and activation behind.
        pump();
        log.clear();
    }
    void TearDown() override
    {
        host.Destroy();
        PhoneTest::TearDown();
    }

    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam) { return SendMessageW(hwnd, message, wParam, lParam); }
    void down(int x, int y) { send(WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y)); }
    void drag(int x, int y) { send(WM_MOUSEMOVE, MK_LBUTTON, Point(x, y)); }
    void up(int x, int y) { send(WM_LBUTTONUP, 0, Point(x, y)); }
    void dblclk(int x, int y) { send(WM_LBUTTONDBLCLK, MK_LBUTTON, Point(x, y)); }

    // The log since the last call, and a fresh one.
    UiLog take()
    {
        UiLog taken = log;
        log.clear();
        return taken;
    }

    static long long Notify(int id, int event) { return (id & 0xFFFF) | (event << 16); }
    static long long Packed(int x, int y) { return (x & 0xFFFF) | (static_cast<long long>(y & 0xFFFF) << 16); }

    UiLog log;
    RecordingHost host {log};
    HWND hwnd = nullptr;
    WinManager& manager = host.manager();
};

}  // namespace ovfc_test
