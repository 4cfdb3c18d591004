// The shell's key window: the M-key question and answer, the power key, the
// call and SMS broadcasts and the task bar tap.

#include "platform/shell/shell_keys.h"

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/include/devmgr.h"
#include "platform/include/winbase.h"
#include "platform/include/winioctl.h"
#include "platform/kernel/handle_table.h"
#include "platform/shell/home_screen.h"
#include "platform/shell/shell_events.h"
#include "platform/shell/shell_screens.h"
#include "platform/shell/task_bar.h"

namespace platform::shell {
namespace {

constexpr UINT press_m_key_request = WM_USER + 0x200;
constexpr UINT press_power_request = WM_USER + 0x201;  // wParam: 1 for a long press
constexpr UINT call_request = WM_USER + 0x202;  // wParam: broadcast_begins or broadcast_ends
constexpr UINT sms_request = WM_USER + 0x203;

struct KeysState {
    std::atomic<std::uint32_t> window {0};
    std::mutex mutex;
    std::optional<int> last_answer;
    bool call_active = false;
    bool sms_active = false;
};

KeysState& state()
{
    static KeysState keys;
    return keys;
}

bool post_request(UINT request, WPARAM wparam)
{
    std::uint32_t window = state().window.load();
    return window && PostMessageW(handle_from_value<HWND>(window), request, wparam, 0);
}

UINT registered(const char16_t* name) { return RegisterWindowMessageW(name); }

// The program in front, or null when the shell itself is all there is.
HWND program_in_front()
{
    HWND front = GetForegroundWindow();
    return front && !is_shell_window(front) ? front : nullptr;
}

void send_m_key(HWND keys)
{
    // The placeholder is the shell's own: the M key is its way back, and no program is in front of it.
    if (shown_screen(ScreenKind::placeholder)) {
        close_screen(ScreenKind::placeholder, "back (M key)");
        return;
    }
    HWND program = program_in_front();
    if (!program) {
        report_event("M key: no program in front; nothing sent");
        return;
    }
    UINT message = registered(u"ShellNotifyMsg/ClickMKey");
    report_event("M key: ShellNotifyMsg/ClickMKey " + hex(message) + " sent to " + describe_window(program));
    SendMessageW(program, message, 0, static_cast<LPARAM>(handle_value(keys)));
}

void take_m_key_answer(LPARAM answer)
{
    auto value = static_cast<int>(answer);
    {
        std::lock_guard lock(state().mutex);
        state().last_answer = value;
    }
    if (answer == 0 || answer == 1) {
        report_event("M key: answer " + std::to_string(value) + ", the program stays in front");
        return;
    }
    if (answer != m_key_answer_leaves) {
        report_event("M key: answer " + std::to_string(value) + " not understood; ignored");
        return;
    }
    report_event("M key: answer 2, the program leaves the front");
    if (HWND bar = FindWindowW(task_bar_class, nullptr); bar && !IsWindowVisible(bar)) {
        ShowWindow(bar, SW_SHOWNOACTIVATE);
        report_event("task bar shown");
    }
}

void broadcast(const char16_t* name, WPARAM wparam, std::string_view what)
{
    UINT message = registered(name);
    report_event(std::string(what) + " " + hex(message) + " sent to every window, wParam " + std::to_string(wparam));
    SendMessageW(HWND_BROADCAST, message, wparam, 0);
}

void ring(bool& active, const char16_t* name, std::string_view what, WPARAM phase)
{
    {
        std::lock_guard lock(state().mutex);
        active = phase == broadcast_begins;
    }
    broadcast(name, phase, what);
}

UINT usb_notify_message() { return RegisterWindowMessageW(u"UsbNotifyMsgName"); }

void take_usb_change(WPARAM change)
{
    if (change == usb_entered_disk_mode)
        show_screen(ScreenKind::disk_mode);
    else if (change == usb_left_disk_mode)
        close_screen(ScreenKind::disk_mode, "USB-disk mode left");
}

LRESULT CALLBACK shell_keys_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case press_m_key_request:
        // Announcements a program made before the key press belong before
        // the press in the log.
        read_shell_notifications();
        send_m_key(hwnd);
        return 0;
    case m_key_answer_message:
        take_m_key_answer(lparam);
        return 0;
    case press_power_request:
        read_shell_notifications();
        // Programs close their pop-ups first; the shell's screen then lies over what is left.
        if (wparam) {
            broadcast(u"ShellNotifyMsg/EntryShutDown", 0, "power key (long press): ShellNotifyMsg/EntryShutDown");
            show_screen(ScreenKind::shutdown_question);
        } else {
            broadcast(u"ShellNotifyMsg/EntryLockphone", 0, "power key: ShellNotifyMsg/EntryLockphone");
            show_screen(ScreenKind::lock);
        }
        return 0;
    case call_request:
        read_shell_notifications();
        ring(state().call_active, u"CALL_MESSAGE",
            wparam == broadcast_begins ? "call begins: CALL_MESSAGE" : "call ends: CALL_MESSAGE", wparam);
        if (wparam == broadcast_begins)
            show_screen(ScreenKind::incoming_call);
        else
            close_screen(ScreenKind::incoming_call, "the call ended");
        return 0;
    case sms_request:
        read_shell_notifications();
        ring(state().sms_active, u"SMS_MESSAGE",
            wparam == broadcast_begins ? "SMS begins: SMS_MESSAGE" : "SMS ends: SMS_MESSAGE", wparam);
        if (wparam == broadcast_begins)
            show_screen(ScreenKind::sms_banner);
        else
            close_screen(ScreenKind::sms_banner, "the SMS ended");
        return 0;
    case WM_DESTROY:
        state().window.store(0);
        return 0;
    default:
        if (message >= 0xC000 && message == usb_notify_message()) {
            take_usb_change(wparam);
            return 0;
        }
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

}  // namespace

bool register_shell_keys_class()
{
    WNDCLASSW description {};
    if (GetClassInfoW(nullptr, shell_keys_class, &description)) return true;
    description.lpfnWndProc = shell_keys_procedure;
    description.lpszClassName = shell_keys_class;
    return RegisterClassW(&description) != 0;
}

void unregister_shell_keys_class() { UnregisterClassW(shell_keys_class, nullptr); }

HWND create_shell_keys_window()
{
    // Never shown: it only receives the programs' answers.
    HWND hwnd = CreateWindowExW(
        WS_EX_NOACTIVATE, shell_keys_class, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (hwnd) {
        auto& keys = state();
        keys.window.store(handle_value(hwnd));
        std::lock_guard lock(keys.mutex);
        keys.last_answer.reset();
        keys.call_active = false;
        keys.sms_active = false;
    }
    return hwnd;
}

bool press_m_key() { return post_request(press_m_key_request, 0); }

bool press_power(PowerPress press) { return post_request(press_power_request, press == PowerPress::long_press); }

bool signal_call(Phase phase)
{
    return post_request(call_request, phase == Phase::begins ? broadcast_begins : broadcast_ends);
}

bool signal_sms(Phase phase)
{
    return post_request(sms_request, phase == Phase::begins ? broadcast_begins : broadcast_ends);
}

bool listen_to_usb()
{
    // The USB function controller's device class, and its request to register a message.
    constexpr GUID usb_function_class {0xE2BDC372, 0x598F, 0x4619, {0xBC, 0x50, 0x54, 0xB3, 0xF7, 0x84, 0x8D, 0x35}};
    constexpr DWORD register_message = CTL_CODE(FILE_DEVICE_UNKNOWN, 103, METHOD_BUFFERED, FILE_ANY_ACCESS);
    DEVMGR_DEVICE_INFORMATION device {};
    device.dwSize = sizeof device;
    HANDLE search = FindFirstDevice(DeviceSearchByGuid, &usb_function_class, &device);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    HANDLE bus = CreateFileW(device.szBusName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (bus == INVALID_HANDLE_VALUE) return false;
    UINT message = usb_notify_message();
    DWORD returned = 0;
    BOOL registered = DeviceIoControl(bus, register_message, &message, sizeof message, nullptr, 0, &returned, nullptr);
    CloseHandle(bus);
    return registered != FALSE;
}

void task_bar_tapped(HWND task_bar)
{
    read_shell_notifications();
    HWND program = program_in_front();
    if (!program) {
        report_event("task bar tapped: no program in front; nothing sent");
        return;
    }
    UINT message = registered(u"ShellNotifyMsg/ClickTaskbar");
    report_event(
        "task bar tapped: ShellNotifyMsg/ClickTaskbar " + hex(message) + " sent to " + describe_window(program));
    SendMessageW(program, message, 0, static_cast<LPARAM>(handle_value(task_bar)));
}

bool is_shell_window(HWND window)
{
    char16_t name[32] {};
    if (!window || GetClassNameW(window, name, 32) <= 0) return false;
    std::u16string_view class_name(name);
    return class_name == task_bar_class || class_name == home_screen_class || class_name == shell_keys_class ||
        class_name == shell_screen_class;
}

ShellStatus shell_status()
{
    ShellStatus status;
    auto& keys = state();
    status.running = keys.window.load() != 0;
    HWND bar = FindWindowW(task_bar_class, nullptr);
    status.task_bar_visible = bar && IsWindowVisible(bar);
    status.foreground = GetForegroundWindow();
    {
        std::lock_guard lock(keys.mutex);
        status.last_m_key_answer = keys.last_answer;
        status.call_active = keys.call_active;
        status.sms_active = keys.sms_active;
    }
    status.notifications = active_notifications();
    return status;
}

}  // namespace platform::shell
