// Windows the framework's tests drive: a framework window that records the
// handlers its dispatcher calls, and a plain window standing in for the
// shell, which asks the M-key question and collects the answers.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "ovfc/core/ov_wnd.h"

namespace ovfc_test {

struct HandlerCall {
    std::string name;
    long long a = 0;
    long long b = 0;
    long long c = 0;
    bool operator==(const HandlerCall&) const = default;
};

class RecorderWnd : public COvWnd {
public:
    std::vector<HandlerCall> calls;
    std::vector<UINT> messages;  // every message WindowProc saw
    // Runs for a message before the base dispatcher; true swallows it.
    std::function<bool(UINT, WPARAM, LPARAM)> hook;
    LRESULT init_result = 1;
    std::function<void()> on_init;

    LPCWSTR GetWndClassName() override { return TEXT("OvfcRecorderWnd"); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(message);
        if (hook && hook(message, wParam, lParam)) return 0;
        return COvWnd::WindowProc(message, wParam, lParam);
    }
    void OnLButtonDblClk(UINT flags, int x, int y) override { calls.push_back({"dblclk", flags, x, y}); }
    void OnLButtonDown(UINT flags, int x, int y) override { calls.push_back({"down", flags, x, y}); }
    void OnLButtonUp(UINT flags, int x, int y) override { calls.push_back({"up", flags, x, y}); }
    void OnMouseMove(UINT flags, int x, int y) override { calls.push_back({"move", flags, x, y}); }
    void OnTimer(UINT_PTR id) override { calls.push_back({"timer", static_cast<long long>(id)}); }
    void OnSize(UINT width, UINT height) override { calls.push_back({"size", width, height}); }
    void OnUiCommand(WPARAM wParam, LPARAM lParam) override
    {
        calls.push_back({"uicommand", static_cast<long long>(wParam), lParam});
    }
    void OnCommand(UINT code, UINT id, LPARAM lParam) override { calls.push_back({"command", code, id, lParam}); }
    LRESULT OnInitDialog() override
    {
        calls.push_back({"initdialog"});
        if (on_init) on_init();
        return init_result;
    }
    void PaintWin(HDC hdc, const RECT* update) override
    {
        calls.push_back({"paint", update->left, update->top, update->right});
        if (paint) paint(hdc, *update);
    }
    std::function<void(HDC, const RECT&)> paint;

    int count(const std::string& name) const
    {
        int n = 0;
        for (const HandlerCall& call : calls) n += call.name == name;
        return n;
    }
    using COvWnd::m_bEraseBack;
    using COvWnd::m_crBack;
    using COvWnd::m_nAnimHide;
    using COvWnd::m_nAnimShow;
    using COvWnd::m_nModalResult;
};

// A plain window acting as the shell: it receives the M-key answers.
class ShellStandIn {
public:
    ShellStandIn();
    ~ShellStandIn();
    HWND hwnd() const { return hwnd_; }
    // Asks the window the M-key question the way the shell does.
    void click_mkey(HWND target) const;
    // The lParam of every answer (0xFFF00001) received so far.
    const std::vector<LPARAM>& answers() const;

private:
    HWND hwnd_ = nullptr;
};

}  // namespace ovfc_test
