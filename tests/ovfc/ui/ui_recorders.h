// Controls and a host window that write what reaches them into one shared
// log, so that a test can send platform messages in and compare the ordered
// control calls, notifications and posted commands that come out.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <windows.h>

#include "ovfc/core/ov_ctrl_wnd.h"
#include "ovfc/ui/ui_win.h"
#include "ovfc/ui/win_manager.h"

namespace ovfc_test {

struct UiEvent {
    std::string what;
    long long a = 0;
    long long b = 0;
    long long c = 0;
    bool operator==(const UiEvent&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const UiEvent& event)
{
    return out << "{" << event.what << ", 0x" << std::hex << event.a << ", 0x" << event.b << ", 0x" << event.c
               << std::dec << "}";
}

using UiLog = std::vector<UiEvent>;

// A control that logs its hooks as "<name>.<hook>" and then runs the base
// behaviour. It paints itself in `fill` unless that is CLR_INVALID.
class RecordingWin : public UiWin {
public:
    RecordingWin(UiLog& log, std::string name, int id, int x, int y, int width, int height)
        : log_(&log)
        , name_(std::move(name))
    {
        SetID(id);
        SetPos(x, y, width, height, 0);
    }

    COLORREF fill = CLR_INVALID;
    bool scroll_container = false;
    bool log_paint = false;
    std::vector<int> fade_steps;

    int OnLButtonDown(UINT flags, int x, int y) override
    {
        add("down", flags, x, y);
        return UiWin::OnLButtonDown(flags, x, y);
    }
    int OnLButtonUp(UINT flags, int x, int y) override
    {
        add("up", flags, x, y);
        return UiWin::OnLButtonUp(flags, x, y);
    }
    int OnLButtonDblClk(UINT flags, int x, int y) override
    {
        add("dblclk", flags, x, y);
        return UiWin::OnLButtonDblClk(flags, x, y);
    }
    int OnMouseMove(UINT flags, int x, int y) override
    {
        add("move", flags, x, y);
        return UiWin::OnMouseMove(flags, x, y);
    }
    int OnTimer(UINT_PTR id) override
    {
        add("timer", static_cast<long long>(id));
        return 0;
    }
    void OnSetFocus(UiWin* previous) override { add("setfocus", previous ? previous->GetID() : -1); }
    void OnKillFocus(UiWin* next) override { add("killfocus", next ? next->GetID() : -1); }
    LRESULT OnKeyDown(WPARAM w, LPARAM l) override { return add("keydown", static_cast<long long>(w), l), 11; }
    LRESULT OnKeyUp(WPARAM w, LPARAM l) override { return add("keyup", static_cast<long long>(w), l), 12; }
    LRESULT OnChar(WPARAM w, LPARAM l) override { return add("char", static_cast<long long>(w), l), 13; }
    LRESULT OnImeComposition(LPARAM l) override { return add("ime", l), 14; }
    LRESULT OnImeStartComposition() override { return add("imestart"), 15; }
    LRESULT OnImeEndComposition() override { return add("imeend"), 16; }
    LRESULT OnMessage825(WPARAM w, LPARAM l) override { return add("825", static_cast<long long>(w), l), 17; }
    LRESULT OnMessage826(WPARAM w, LPARAM l) override { return add("826", static_cast<long long>(w), l), 18; }
    void OnCut() override { add("cut"); }
    void OnCopy() override { add("copy"); }
    void OnPaste() override { add("paste"); }
    void OnA4R8(WPARAM w, LPARAM l) override { add("a4r8", static_cast<long long>(w), l); }
    void OnHoldStart() override { add("holdstart"); }
    void OnHold() override { add("hold"); }
    void OnPostedCall(LPARAM param) override { add("postedcall", param); }
    void OnContainerPressed() override
    {
        add("containerpressed");
        UiWin::OnContainerPressed();
    }
    void OnContainerPressedIdle(int a, int b) override
    {
        add("containeridle", a, b);
        UiWin::OnContainerPressedIdle(a, b);
    }
    void OnParentPressed() override { add("parentpressed"); }
    void OnParentScrollStopped() override { add("parentstopped"); }
    BOOL IsScrollContainer() override { return scroll_container ? TRUE : FALSE; }
    void OnPaint(HDC hdc, const RECT* rect, const RECT* clip) override
    {
        if (log_paint) add("paint", rect->left, rect->top, clip->right);
        if (fill == CLR_INVALID) return;
        // Fill more than the control: the clip region must keep it inside.
        RECT big = *rect;
        InflateRect(&big, 40, 40);
        HBRUSH brush = CreateSolidBrush(fill);
        FillRect(hdc, &big, brush);
        DeleteObject(brush);
    }
    void PaintFadeStep(HDC hdc, const RECT* rect, int step) override
    {
        fade_steps.push_back(step);
        UiWin::PaintFadeStep(hdc, rect, step);
    }

    const std::string& name() const { return name_; }

private:
    void add(const char* hook, long long a = 0, long long b = 0, long long c = 0)
    {
        log_->push_back({name_ + "." + hook, a, b, c});
    }

    UiLog* log_;
    std::string name_;
};

// The host window: logs the framework's messages as "msg" (number, wParam,
// lParam), commands as "command", and, when asked, the window's own mouse
// handlers as "wnd.<handler>".
class RecordingHost : public COvCtrlWnd {
public:
    explicit RecordingHost(UiLog& log)
        : log_(&log)
    {
    }

    bool log_window_mouse = false;

    LPCWSTR GetWndClassName() override { return TEXT("OvfcUiTestHost"); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message >= 0xFFF10002u && message <= 0xFFF1FFFFu && message != OVWM_ACTIVATE_BROADCAST &&
            message != OVWM_POSTED_CALL)
            log_->push_back({"msg", message, static_cast<long long>(wParam), lParam});
        return COvCtrlWnd::WindowProc(message, wParam, lParam);
    }
    void OnUiCommand(WPARAM wParam, LPARAM lParam) override
    {
        log_->push_back({"command", static_cast<long long>(wParam), lParam});
    }
    void OnLButtonDown(UINT flags, int x, int y) override
    {
        if (log_window_mouse) log_->push_back({"wnd.down", flags, x, y});
    }
    void OnLButtonUp(UINT flags, int x, int y) override
    {
        if (log_window_mouse) log_->push_back({"wnd.up", flags, x, y});
    }
    void OnMouseMove(UINT flags, int x, int y) override
    {
        if (log_window_mouse) log_->push_back({"wnd.move", flags, x, y});
    }
    void OnTimer(UINT_PTR id) override
    {
        if (log_window_mouse) log_->push_back({"wnd.timer", static_cast<long long>(id)});
    }

    WinManager& manager() { return m_winManager; }

private:
    UiLog* log_;
};

// lParam of a mouse message at (x, y), sign and all.
inline LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

}  // namespace ovfc_test
