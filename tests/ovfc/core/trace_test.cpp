// The trace mask read from the registry and the lines each zone bit lets
// through to the debug output.

#include "../phone_fixture.h"
#include "ovfc/core/ov_app.h"
#include "ovfc/core/ov_debug_zones.h"
#include "ovfc/core/ov_message_loop.h"
#include "test_windows.h"

using namespace ovfc_test;

namespace {

using OvfcTrace = PhoneTest;

TEST_F(OvfcTrace, TheMaskComesFromTheRegistryOrIsZero)
{
    EXPECT_EQ(OvReadDebugZones(TEXT("OVFC")), 0u) << "the shipped registry switches tracing off";
    EXPECT_EQ(OvReadDebugZones(TEXT("NoSuchValue")), 0u);
    set_trace_mask(0x44);
    EXPECT_EQ(OvReadDebugZones(TEXT("OVFC")), 0x44u);

    // Any four bytes are a mask, whatever their type.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Orvane\\Debug"), 0, 0, &key), ERROR_SUCCESS);
    DWORD binary = 0x80;
    RegSetValueExW(key, TEXT("OVFC"), 0, REG_BINARY, reinterpret_cast<const BYTE*>(&binary), 4);
    EXPECT_EQ(OvReadDebugZones(TEXT("OVFC")), 0x80u);
    // More than four bytes do not fit: no mask.
    const BYTE longer[8] = {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4};
    RegSetValueExW(key, TEXT("OVFC"), 0, REG_BINARY, longer, sizeof longer);
    EXPECT_EQ(OvReadDebugZones(TEXT("OVFC")), 0u);
    RegCloseKey(key);

    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Orvane\\Debug")), ERROR_SUCCESS);
    EXPECT_EQ(OvReadDebugZones(TEXT("OVFC")), 0u) << "without the key";
}

// A program run under each mask: a window that is pressed, released and
// double-clicked, asked for its text, and run modally.
class TracedProgram : public OvApp {
public:
    RecorderWnd main_window;
    RecorderWnd dialog;

    bool InitInstance() override
    {
        main_window.hook = [this](UINT message, WPARAM, LPARAM) {
            if (message == WM_USER) {
                dialog.Create(0, 0, 100, 100, main_window.GetHwnd(), 0, WS_POPUP, 0);
                PostMessageW(dialog.GetHwnd(), WM_USER + 1, 0, 0);
                dialog.DoModal(true);
                PostQuitMessage(0);
            }
            return false;
        };
        dialog.hook = [this](UINT message, WPARAM, LPARAM) {
            if (message == WM_USER + 1) dialog.EndModal(1);
            return false;
        };
        if (!main_window.Create(0, 0, 480, 720, nullptr, 0, WS_VISIBLE, 0)) return false;
        HWND hwnd = main_window.GetHwnd();
        SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-3, 7));
        SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 6));
        SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(8, 9));
        WCHAR text[16];
        GetWindowTextW(hwnd, text, 16);
        SendMessageW(hwnd, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text));
        SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
        PostMessageW(hwnd, WM_USER, 0, 0);
        return true;
    }
};

struct TracedRun {
    std::vector<std::string> mouse;
    std::vector<std::string> messages;
    std::vector<std::string> modal;
    bool gettext_logged = false;
    bool gettextlength_logged = false;
    unsigned hwnd = 0;
};

TEST_F(OvfcTrace, EachLineAppearsExactlyForItsZoneBit)
{
    auto run = [&](DWORD mask) {
        set_trace_mask(mask);
        OvResetMessageLoopState();
        phone().clear_trace();
        TracedRun result;
        {
            TracedProgram program;
            EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
            result.hwnd = static_cast<unsigned>(reinterpret_cast<UINT_PTR>(program.main_window.GetHwnd()));
        }
        result.mouse = trace_with("ovfc ZONE_MOUSE: ");
        result.messages = trace_with("**ZONE_OVWND_MESSAGE** OvWndProc: ");
        result.modal = trace_with("**ZONE_OVWND** COvWnd::DoModal: ");
        result.gettext_logged = !trace_with("Messge(0x0000000D)").empty();
        result.gettextlength_logged = !trace_with("Messge(0x0000000E)").empty();
        return result;
    };

    TracedRun silent = run(0);
    EXPECT_TRUE(silent.mouse.empty());
    EXPECT_TRUE(silent.messages.empty());
    EXPECT_TRUE(silent.modal.empty());

    TracedRun mouse = run(0x04);
    EXPECT_EQ(mouse.mouse,
        (std::vector<std::string> {"ovfc ZONE_MOUSE: COvWnd::OnLButtonDown(-3, 7);",
            "ovfc ZONE_MOUSE: COvWnd::OnLButtonUp(5, 6);", "ovfc ZONE_MOUSE: COvWnd::OnLButtonDblClk(8, 9);"}));
    EXPECT_TRUE(mouse.messages.empty());
    EXPECT_TRUE(mouse.modal.empty());

    TracedRun messages = run(0x40);
    EXPECT_TRUE(messages.mouse.empty());
    EXPECT_TRUE(messages.modal.empty());
    EXPECT_FALSE(messages.gettext_logged) << "WM_GETTEXT is never traced";
    EXPECT_TRUE(messages.gettextlength_logged);
    ASSERT_FALSE(messages.messages.empty());
    char expected[160];
    std::snprintf(expected, sizeof expected,
        "**ZONE_OVWND_MESSAGE** OvWndProc: hWnd(0x%08X), Messge(0x00000201), wParam(0x00000001), lParam(0x0007FFFD)",
        messages.hwnd);
    EXPECT_EQ(trace_with("Messge(0x00000201)"), (std::vector<std::string> {expected}));

    TracedRun modal = run(0x80);
    EXPECT_TRUE(modal.mouse.empty());
    EXPECT_TRUE(modal.messages.empty());
    ASSERT_EQ(modal.modal.size(), 2u);
    EXPECT_NE(modal.modal[0].find("enter..."), std::string::npos);
    EXPECT_NE(modal.modal[1].find("exit..."), std::string::npos);
    EXPECT_NE(modal.modal[0].find("m_hWnd=0x"), std::string::npos);

    TracedRun both = run(0x44);
    EXPECT_EQ(both.mouse.size(), 3u);
    EXPECT_FALSE(both.messages.empty());
    EXPECT_TRUE(both.modal.empty());
    EXPECT_FALSE(both.gettext_logged);

    TracedRun other_bits = run(~DWORD(0x04 | 0x40 | 0x80));
    EXPECT_TRUE(other_bits.mouse.empty() && other_bits.messages.empty() && other_bits.modal.empty())
        << "bits outside the three zones trace nothing";
}

TEST_F(OvfcTrace, DoModalLinesCarryTheWindowAndTheAnimation)
{
    OvDebugZones = 0x80;
    RecorderWnd dialog;
    ASSERT_TRUE(dialog.Create(0, 0, 100, 100, nullptr, 0, WS_POPUP, 0));
    dialog.m_nAnimShow = 3;
    dialog.m_nAnimHide = 5;
    dialog.hook = [&](UINT message, WPARAM, LPARAM) {
        if (message == WM_USER) dialog.EndModal(2);
        return false;
    };
    PostMessageW(dialog.GetHwnd(), WM_USER, 0, 0);
    EXPECT_EQ(dialog.DoModal(false), 2);
    unsigned handle = static_cast<unsigned>(reinterpret_cast<UINT_PTR>(dialog.GetHwnd()));
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "**ZONE_OVWND** COvWnd::DoModal: m_hWnd=0x%X, ", handle);
    std::string p(prefix);
    EXPECT_EQ(trace_with("**ZONE_OVWND**"),
        (std::vector<std::string> {p + "enter...", p + "AnimateWindow(nAnim=3, true)...",
            p + "AnimateWindow(nAnim=5, false)...", p + "exit..."}));
}

}  // namespace
