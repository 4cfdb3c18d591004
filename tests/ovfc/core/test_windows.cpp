#include "test_windows.h"

#include <map>

#include "ovfc/core/ov_message_loop.h"

namespace ovfc_test {

namespace {

std::map<HWND, std::vector<LPARAM>>& answers_by_shell()
{
    static std::map<HWND, std::vector<LPARAM>> answers;
    return answers;
}

LRESULT CALLBACK shell_procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == OVWM_MKEY_ANSWER) {
        answers_by_shell()[hwnd].push_back(lParam);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

ShellStandIn::ShellStandIn()
{
    WNDCLASSW wc {};
    wc.lpfnWndProc = shell_procedure;
    wc.lpszClassName = TEXT("OvfcShellStandIn");
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(
        0, TEXT("OvfcShellStandIn"), nullptr, WS_POPUP, 0, 0, 480, 40, nullptr, nullptr, nullptr, nullptr);
    answers_by_shell()[hwnd_].clear();
}

ShellStandIn::~ShellStandIn()
{
    answers_by_shell().erase(hwnd_);
    DestroyWindow(hwnd_);
}

void ShellStandIn::click_mkey(HWND target) const
{
    PostMessageW(target, GetClickMKeyMessage(), 0, reinterpret_cast<LPARAM>(hwnd_));
}

const std::vector<LPARAM>& ShellStandIn::answers() const { return answers_by_shell()[hwnd_]; }

}  // namespace ovfc_test
