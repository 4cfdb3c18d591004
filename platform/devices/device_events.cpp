#include "platform/devices/device_events.h"

#include <cstdio>

#include "platform/kernel/phone_events.h"

namespace platform::devices {

void set_event_listener(std::function<void(const DeviceEvent&)> listener)
{
    if (!listener) return phone_events::set_source_listener(phone_events::Source::device, nullptr);
    phone_events::set_source_listener(
        phone_events::Source::device, [listener = std::move(listener)](const phone_events::PhoneEvent& event) {
            listener(DeviceEvent {event.time, event.text});
        });
}

void report_event(std::string text) { phone_events::report(phone_events::Source::device, std::move(text)); }

std::string hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

}  // namespace platform::devices
