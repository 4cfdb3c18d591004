// Starting and stopping the shell's two windows.

#include "platform/shell/shell.h"

#include <string>
#include <string_view>

#include "platform/include/winbase.h"
#include "platform/shell/home_screen.h"
#include "platform/shell/notification_reader.h"
#include "platform/shell/platform_mode.h"
#include "platform/shell/shell_events.h"
#include "platform/shell/shell_keys.h"
#include "platform/shell/shell_screens.h"
#include "platform/shell/task_bar.h"

namespace platform::shell {

namespace {

struct ShellWindows {
    HWND home = nullptr;
    HWND task_bar = nullptr;
    HWND keys = nullptr;
};

ShellWindows& windows()
{
    static ShellWindows shell;
    return shell;
}

// Whether the handle still names the shell's window of that class. Handle numbers are reused, so after the
// host has torn every window down a kept handle may name some other window.
bool is_alive(HWND hwnd, const char16_t* class_name)
{
    if (!hwnd || !IsWindow(hwnd)) return false;
    char16_t name[32] {};
    GetClassNameW(hwnd, name, 32);
    return std::u16string_view(name) == class_name;
}

void destroy(HWND& hwnd, const char16_t* class_name)
{
    if (is_alive(hwnd, class_name)) DestroyWindow(hwnd);
    hwnd = nullptr;
}

}  // namespace

bool start_shell()
{
    auto& shell = windows();
    bool home_alive = is_alive(shell.home, home_screen_class);
    bool bar_alive = is_alive(shell.task_bar, task_bar_class);
    bool keys_alive = is_alive(shell.keys, shell_keys_class);
    if (home_alive && bar_alive && keys_alive) return true;
    if (!register_home_screen_class() || !register_task_bar_class() || !register_shell_keys_class() ||
        !register_shell_screen_class())
        return false;
    if (!home_alive) shell.home = create_home_screen();
    if (!bar_alive) shell.task_bar = create_task_bar();
    if (!keys_alive) shell.keys = create_shell_keys_window();
    if (shell.home && shell.task_bar && shell.keys) {
        register_platform_mode();
        // Without the bus the phone has no USB-disk mode to show.
        if (!keys_alive && !listen_to_usb())
            report_event("USB: the bus cannot be listened to; USB-disk mode will not be shown");
        // Without the queue the phone still works; programs' records then go unread.
        if (!open_notification_reader())
            report_event("notification queue: cannot be opened (error " + std::to_string(GetLastError()) +
                "); announcements will not be read");
        return true;
    }
    DWORD error = GetLastError();
    stop_shell();
    SetLastError(error);
    return false;
}

void stop_shell()
{
    auto& shell = windows();
    // What programs announced up to now still belongs in the log.
    read_shell_notifications();
    close_notification_reader();
    close_all_screens();
    destroy(shell.keys, shell_keys_class);
    destroy(shell.task_bar, task_bar_class);
    destroy(shell.home, home_screen_class);
    unregister_shell_screen_class();
    unregister_shell_keys_class();
    unregister_task_bar_class();
    unregister_home_screen_class();
}

}  // namespace platform::shell
