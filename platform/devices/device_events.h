// What the drivers tell the host: readings it set, reports they posted,
// registrations programs made. The host's event log and status panel show
// them; nothing in the phone depends on them. They go into the phone's one
// event stream (platform/kernel/phone_events.h) as its "device" events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform::devices {

struct DeviceEvent {
    std::uint64_t time = 0;  // the clock's milliseconds when it happened
    std::string text;
};

// Receives every device event, on the thread that caused it (a program's
// control call or the host's command). Null to stop listening.
void set_event_listener(std::function<void(const DeviceEvent&)> listener);

// Stamps the text with the clock's time and hands it to the listener. Call
// it without holding a driver's lock: the listener may ask for the status.
void report_event(std::string text);

// "0x0001002C": window handles and message numbers as the log shows them.
std::string hex(std::uint32_t value);

}  // namespace platform::devices
