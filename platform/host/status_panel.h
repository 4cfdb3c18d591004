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
#include <utility>
#include <vector>

#include "platform/devices/device_host.h"
#include "platform/host/png_image.h"
#include "platform/shell/shell_keys.h"

namespace platform::host {

class HostFont;

// The panel's width in window units (the window scales it with the phone).
inline constexpr int status_panel_width = 300;

struct StatusEvent {
    std::uint64_t time = 0;
    std::string text;
    friend bool operator==(const StatusEvent&, const StatusEvent&) = default;
};

// The last events the panel shows. Device, shell and sound events arrive on
// whichever thread caused them, so it is safe from any thread.
class EventHistory {
public:
    explicit EventHistory(std::size_t capacity = 40)
        : capacity_(capacity)
    {
    }
    void add(std::uint64_t time, std::string text);
    // Oldest first.
    std::vector<StatusEvent> events() const;
    void clear();
    std::size_t capacity() const { return capacity_; }

private:
    mutable std::mutex mutex_;
    std::size_t capacity_;
    std::deque<StatusEvent> events_;
};

// What the person did in the window itself (taps, screenshots), stamped with
// the clock's time; collect_phone_status shows them among the phone's events.
void note_window_event(std::string text);
EventHistory& window_events();

// A finger's press and release as the events name it: "tap X Y" where it
// was pressed when they lie close together, else "swipe X Y to X Y".
std::string finger_event_text(std::pair<int, int> start, std::pair<int, int> end);

struct PhoneStatus {
    platform::devices::DeviceStatus devices;
    platform::shell::ShellStatus shell;
    // The window in front: its class and title, empty without one.
    std::string foreground_class;
    std::string foreground_title;
    std::vector<std::string> sounds;  // "name" or "name (loop)"
    std::vector<StatusEvent> events;
};

// A snapshot of the drivers, the shell and the sound at the clock's time
// now, with the history's and the window's events in order of time.
PhoneStatus collect_phone_status(const EventHistory& history);

// The panel's text, one string a line. Lines longer than columns characters
// go on at whole words in lines starting with a tab, which the panel joins
// back to wrap them by its font's measure. Lines starting with '=' are
// headings; the last section holds the events, oldest first.
std::vector<std::string> status_lines(const PhoneStatus& status, int columns);

// A line as the panel draws it.
struct PanelLine {
    std::u32string text;
    bool heading = false;
    // The second or later line of one wrapped line (drawn indented).
    bool continued = false;
    // One of the footer's lines, or the blank line above them.
    bool footer = false;
    friend bool operator==(const PanelLine&, const PanelLine&) = default;
};

// The lines the panel shows, at most max_lines of them, none wider than
// width pixels in the font: the status lines first, the footer's (the
// window's own: frame times, the keys) last. When not all fit, the oldest
// entries of the last section (the events) give way first.
std::vector<PanelLine> lay_out_status_panel(const std::vector<std::string>& lines,
    const std::vector<std::string>& footer, const HostFont& font, int width, int max_lines);

// Draws the panel at width x height pixels, its text sized by scale.
Image draw_status_panel(
    const std::vector<std::string>& lines, const std::vector<std::string>& footer, int width, int height, double scale);

}  // namespace platform::host
