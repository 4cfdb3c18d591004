// What the button and message-box tests share: a control-hosting window
// that records the button states reported to it and the commands its
// controls post, and a look at the screen's pixels.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include <windows.h>

#include "ovfc/core/ov_ctrl_wnd.h"
#include "ovfc/ui/ui_text_button.h"
#include "platform/gdi/screen.h"

namespace ovfc_test {

struct StateReport {
    int id = 0;
    int state = 0;
    bool operator==(const StateReport&) const = default;
};

struct CommandReport {
    int id = 0;
    int kind = 0;
    int x = 0;
    int y = 0;
    bool operator==(const CommandReport&) const = default;
};

class ButtonHostWnd : public COvCtrlWnd {
public:
    std::vector<StateReport> states;
    std::vector<CommandReport> commands;
    COLORREF background = RGB(0, 0, 0);

    LPCWSTR GetWndClassName() override { return TEXT("OvfcButtonHost"); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        // The state is read from the button itself when the report arrives:
        // it must already hold what it reports.
        if (message == OVWM_BUTTON_STATE)
            states.push_back({static_cast<int>(wParam), reinterpret_cast<UiTextButton*>(lParam)->GetState()});
        return COvCtrlWnd::WindowProc(message, wParam, lParam);
    }
    void OnUiCommand(WPARAM wParam, LPARAM lParam) override
    {
        commands.push_back({static_cast<int>(wParam & 0xFFFF), static_cast<int>(wParam >> 16),
            static_cast<short>(lParam & 0xFFFF), static_cast<short>((lParam >> 16) & 0xFFFF)});
    }
    void PaintWin(HDC hdc, const RECT* pUpdate) override
    {
        HBRUSH brush = CreateSolidBrush(background);
        RECT all = GetWndClientRect();
        FillRect(hdc, &all, brush);
        DeleteObject(brush);
        COvCtrlWnd::PaintWin(hdc, pUpdate);
    }
};

// The screen as it is now, 0x00RRGGBB per pixel.
struct ScreenPixels {
    std::vector<std::uint32_t> pixels = platform::gdi::screen().read_xrgb();
    std::uint32_t at(int x, int y) const
    {
        return pixels[static_cast<std::size_t>(y) * platform::gdi::Screen::width + x];
    }
};

// Where in rc the screen shows the colour `ink` (0x00RRGGBB): the bounding
// box of those pixels and how many there are.
struct Ink {
    RECT box = {0, 0, 0, 0};
    int count = 0;
    bool found() const { return count > 0; }
    int centre_x() const { return (box.left + box.right) / 2; }
    int centre_y() const { return (box.top + box.bottom) / 2; }
};

inline Ink find_ink(const ScreenPixels& screen, const RECT& rc, std::uint32_t ink)
{
    Ink found;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x) {
            if (screen.at(x, y) != ink) continue;
            if (found.count++ == 0) {
                found.box = {x, y, x + 1, y + 1};
                continue;
            }
            found.box.left = std::min<LONG>(found.box.left, x);
            found.box.top = std::min<LONG>(found.box.top, y);
            found.box.right = std::max<LONG>(found.box.right, x + 1);
            found.box.bottom = std::max<LONG>(found.box.bottom, y + 1);
        }
    return found;
}

}  // namespace ovfc_test
