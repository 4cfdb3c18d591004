// What the shell tells the host: keys pressed and the program's answers,
// broadcasts sent, records read from the notification queue. The host's
// event log and status panel show them; nothing in the phone depends on them.
// They go into the phone's one event stream (platform/kernel/phone_events.h)
// as its "shell" events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/include/wintypes.h"

namespace platform::shell {

struct ShellEvent {
    std::uint64_t time = 0;  // the clock's milliseconds when it happened
    std::string text;
};

// Receives every shell event on the UI thread (or on the thread that read
// the notification queue). Null to stop listening.
void set_event_listener(std::function<void(const ShellEvent&)> listener);

// Stamps the text with the clock's time and hands it to the listener.
void report_event(std::string text);

// "0x0001002C", as the log shows handles and message numbers.
std::string hex(std::uint32_t value);
// A window as the log shows it: its handle and its class.
std::string describe_window(HWND window);

}  // namespace platform::shell
