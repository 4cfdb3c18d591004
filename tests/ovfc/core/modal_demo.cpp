// A small framework program: a full-screen window that, when tapped, runs a
// second window modally over itself; a tap on that one ends the modal run.
// It runs headless on a device root given on the command line and follows
// a script of input:
//
//   ovfc_modal_demo DEVICE_ROOT SCRIPT
//
// Script lines: "tap X Y", "wait MS", "mkey" (the shell's M-key question to
// the foreground window), "#" comments. Each command runs when the program
// waits for input. Trace lines go to standard error; the shell's answers and
// the exit code are printed on standard output.

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../phone_session.h"
#include "ovfc/core/ov_app.h"
#include "ovfc/core/ov_message_loop.h"
#include "ovfc/core/ov_wnd.h"
#include "platform/kernel/clock.h"
#include "platform/user/host.h"

namespace {

class DemoDialogWnd : public COvWnd {
public:
    LPCWSTR GetWndClassName() override { return TEXT("OvfcDemoDialog"); }
    void OnLButtonUp(UINT, int, int) override { EndModal(1); }
    void PaintWin(HDC hdc, const RECT*) override
    {
        RECT frame {10, 10, GetClientWidth() - 10, GetClientHeight() - 10};
        HBRUSH brush = CreateSolidBrush(RGB(40, 90, 160));
        FillRect(hdc, &frame, brush);
        DeleteObject(brush);
    }
};

class DemoMainWnd : public COvWnd {
public:
    LPCWSTR GetWndClassName() override { return TEXT("OvfcDemoMain"); }
    void OnLButtonUp(UINT, int, int) override
    {
        DemoDialogWnd dialog;
        if (!dialog.CreatePopup(40, 200, 400, 300, m_hWnd, 0, 0)) return;
        int result = dialog.DoModal(true);
        std::printf("dialog ended with %d\n", result);
    }
};

class DemoApp : public OvApp {
public:
    bool InitInstance() override
    {
        // The window is made here rather than held by value, so that its
        // theme colours come from the registry the phone has loaded by now.
        m_pMainWnd = std::make_unique<DemoMainWnd>();
        if (!m_pMainWnd->Create(0, 0, 480, 720, nullptr, 0, 0, 0)) return false;
        m_pMainWnd->Show(true, true);
        return true;
    }

private:
    std::unique_ptr<DemoMainWnd> m_pMainWnd;
};

DemoApp theApp;

LRESULT CALLBACK ShellProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == OVWM_MKEY_ANSWER) {
        std::printf("shell: M-key answer %ld\n", static_cast<long>(lParam));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND CreateShellWindow()
{
    WNDCLASSW wc {};
    wc.lpfnWndProc = ShellProc;
    wc.lpszClassName = TEXT("OvfcDemoShell");
    RegisterClassW(&wc);
    return CreateWindowExW(0, TEXT("OvfcDemoShell"), nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
}

bool ReadScript(const char* path, std::vector<std::string>& commands)
{
    std::ifstream file(path);
    if (!file) {
        std::fprintf(stderr, "%s: cannot open the script\n", path);
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        std::istringstream words(line);
        std::string command;
        if (!(words >> command) || command[0] == '#') continue;
        int a = 0;
        int b = 0;
        bool ok = command == "mkey" || (command == "wait" && (words >> a) && a >= 0) ||
            (command == "tap" && (words >> a >> b));
        if (!ok) {
            std::fprintf(stderr, "%s:%d: bad command \"%s\"\n", path, number, line.c_str());
            return false;
        }
        commands.push_back(line);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DEVICE_ROOT SCRIPT\n", argv[0]);
        return 2;
    }
    std::vector<std::string> commands;
    if (!ReadScript(argv[2], commands)) return 2;
    ovfc_test::PhoneSession phone;
    if (!phone.start(argv[1], true)) {
        std::fprintf(stderr, "%s: cannot start the phone there\n", argv[1]);
        return 2;
    }
    HWND shell = CreateShellWindow();
    std::size_t next = 0;
    platform::user::set_idle_handler([&](std::optional<std::uint64_t>) {
        if (next == commands.size()) return;
        std::istringstream words(commands[next++]);
        std::string command;
        words >> command;
        if (command == "wait") {
            int ms = 0;
            words >> ms;
            platform::clock::advance(static_cast<std::uint64_t>(ms));
        } else if (command == "tap") {
            int x = 0;
            int y = 0;
            words >> x >> y;
            platform::user::inject_pointer(platform::user::PointerKind::down, x, y);
            platform::user::inject_pointer(platform::user::PointerKind::up, x, y);
        } else if (command == "mkey") {
            PostMessageW(GetForegroundWindow(), GetClickMKeyMessage(), 0, reinterpret_cast<LPARAM>(shell));
        }
    });
    int result = WinMain(nullptr, nullptr, nullptr, 0);
    std::printf("exit code %d\n", result);
    std::fflush(stdout);
    phone.stop();
    return result;
}
