// The phone's hardware keys and the platform's broadcasts, as the shell
// delivers them, and what the host uses to press and ring them.
//
// The shell keeps a hidden window of class "ShellKeys": the window programs
// answer the M key to. Host functions post their request to it, so they are
// safe from any thread and return at once; the shell acts on the UI thread
// when the program's loop next reads its messages.
//
// - The M key sends "ShellNotifyMsg/ClickMKey" to the foreground window with
//   the shell's window in lParam. The program answers by posting 0xFFF00001
//   back with lParam 0 or 1 (it stays in front) or 2 (it leaves the front:
//   it ends or goes to the background by itself). On 2 the shell shows its
//   task bar again, since the home screen is what comes to the front.
// - The power key broadcasts "ShellNotifyMsg/EntryLockphone" (a short press:
//   the screen locks) or "ShellNotifyMsg/EntryShutDown" (a long press) to
//   every top-level window, wParam and lParam 0, so that pop-ups close.
// - Calls and SMS broadcast "CALL_MESSAGE" and "SMS_MESSAGE" to every
//   top-level window, wParam 1 when one begins and 2 when it ends.
// - USB-disk mode is told to every top-level window as the registered
//   "UsbNotifyMsgName" (wParam 0 entering, 1 leaving) once someone has
//   registered it with the USB bus; the shell does so when it starts, so
//   that it can show its disk-mode screen.
// - A tap on the task bar sends "ShellNotifyMsg/ClickTaskbar" to the
//   foreground window, lParam the task bar.
#pragma once

#include <optional>
#include <vector>

#include "platform/include/winuser.h"
#include "platform/shell/notification_reader.h"

namespace platform::shell {

inline constexpr const char16_t* shell_keys_class = u"ShellKeys";
inline constexpr UINT m_key_answer_message = 0xFFF00001u;
inline constexpr LPARAM m_key_answer_leaves = 2;
inline constexpr WPARAM broadcast_begins = 1;
inline constexpr WPARAM broadcast_ends = 2;
inline constexpr WPARAM usb_entered_disk_mode = 0;
inline constexpr WPARAM usb_left_disk_mode = 1;

enum class PowerPress { short_press, long_press };
enum class Phase { begins, ends };

bool register_shell_keys_class();
void unregister_shell_keys_class();
// Creates the hidden key window, or returns null with the last error set.
HWND create_shell_keys_window();

// The M key. False when the shell is not running.
bool press_m_key();
// The power key. False when the shell is not running.
bool press_power(PowerPress press = PowerPress::short_press);
// A call, or an SMS, begins or ends. False when the shell is not running.
bool signal_call(Phase phase);
bool signal_sms(Phase phase);

// Registers the shell's USB-disk message with the phone's USB bus. False when
// the phone has no USB bus or it refused.
bool listen_to_usb();

// Called by the task bar when a tap on it ends inside it.
void task_bar_tapped(HWND task_bar);

// Whether the window is one of the shell's own (home screen, task bar, keys,
// its screens).
bool is_shell_window(HWND window);

struct ShellStatus {
    bool running = false;
    bool task_bar_visible = false;
    HWND foreground = nullptr;
    std::optional<int> last_m_key_answer;  // since the shell started
    bool call_active = false;
    bool sms_active = false;
    std::vector<ShellNotification> notifications;
};

// A snapshot for the status panel.
ShellStatus shell_status();

}  // namespace platform::shell
