#include "platform/shell/shell_events.h"

#include <cstdio>
#include <mutex>

#include "platform/include/winuser.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/utf.h"

namespace platform::shell {
namespace {

struct ListenerSlot {
    std::mutex mutex;
    std::function<void(const ShellEvent&)> listener;
};

ListenerSlot& slot()
{
    static ListenerSlot listener;
    return listener;
}

}  // namespace

void set_event_listener(std::function<void(const ShellEvent&)> listener)
{
    std::lock_guard lock(slot().mutex);
    slot().listener = std::move(listener);
}

void report_event(std::string text)
{
    std::function<void(const ShellEvent&)> listener;
    {
        std::lock_guard lock(slot().mutex);
        listener = slot().listener;
    }
    if (listener) listener(ShellEvent {clock::now(), std::move(text)});
}

std::string hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string describe_window(HWND window)
{
    char16_t name[64] {};
    std::string text = "window " + hex(handle_value(window));
    if (window && GetClassNameW(window, name, 64) > 0) text += " (" + to_utf8(name) + ")";
    return text;
}

}  // namespace platform::shell
