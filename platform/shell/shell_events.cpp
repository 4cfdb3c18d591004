#include "platform/shell/shell_events.h"

#include <cstdio>

#include "platform/include/winuser.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/phone_events.h"
#include "platform/kernel/utf.h"

namespace platform::shell {

void set_event_listener(std::function<void(const ShellEvent&)> listener)
{
    if (!listener) return phone_events::set_source_listener(phone_events::Source::shell, nullptr);
    phone_events::set_source_listener(
        phone_events::Source::shell, [listener = std::move(listener)](const phone_events::PhoneEvent& event) {
            listener(ShellEvent {event.time, event.text});
        });
}

void report_event(std::string text) { phone_events::report(phone_events::Source::shell, std::move(text)); }

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
