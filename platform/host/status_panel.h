// The status panel beside the phone in the window: what the phone feels
// (acceleration, proximity, calls, SMS, the USB cable), what the shell shows
// (the task bar, the program in front), the sounds playing and the last
// events, so a person can see what a key press or a command did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/devices/device_host.h"
#include "platform/host/png_image.h"
#include "platform/shell/shell_keys.h"

namespace platform::host {

// The panel's size in phone pixels (the window scales it with the phone).
inline constexpr int status_panel_width = 160;

struct StatusEvent {
    std::uint64_t time = 0;
    std::string text;
    friend bool operator==(const StatusEvent&, const StatusEvent&) = default;
};

// The last events the panel shows. Device, shell and sound events arrive on
// whichever thread caused them, so it is safe from any thread.
class EventHistory {
public:
    explicit EventHistory(std::size_t capacity = 10)
        : capacity_(capacity)
    {
    }
    void add(std::uint64_t time, std::string text);
    // Oldest first.
    std::vector<StatusEvent> events() const;

private:
    mutable std::mutex mutex_;
    std::size_t capacity_;
    std::deque<StatusEvent> events_;
};

struct PhoneStatus {
    platform::devices::DeviceStatus devices;
    platform::shell::ShellStatus shell;
    std::vector<std::string> sounds;  // "name" or "name (loop)"
    std::vector<StatusEvent> events;
};

// A snapshot of the drivers, the shell and the sound at the clock's time now.
PhoneStatus collect_phone_status(const EventHistory& history);

// The panel's text, one string a line, each at most columns characters
// (long events are wrapped, then cut).
std::vector<std::string> status_lines(const PhoneStatus& status, int columns);

// Draws the lines in the built-in font onto a panel of the given height.
// Lines starting with '=' are headings, drawn in the accent colour without
// the '='.
Image draw_status_panel(const std::vector<std::string>& lines, int height);

}  // namespace platform::host
