#include "platform/host/status_panel.h"

#include <algorithm>

#include "platform/audio/audio_host.h"
#include "platform/host/bitmap_font.h"
#include "platform/kernel/utf.h"
#include "platform/shell/shell_events.h"

namespace platform::host {
namespace {

constexpr std::uint32_t background_colour = 0x202226;
constexpr std::uint32_t text_colour = 0xD8DCE0;
constexpr std::uint32_t heading_colour = 0x7FC8FF;
constexpr int margin = 4;
// How many lines one event may take before it is cut.
constexpr int lines_per_event = 3;

std::string handle_text(HWND window)
{
    return window ? platform::shell::hex(std::uint32_t(reinterpret_cast<std::uintptr_t>(window))) : "none";
}

// Adds text as lines of at most columns characters, the continuation lines
// indented, up to max_lines of them.
void add_wrapped(std::vector<std::string>& lines, const std::string& text, int columns, int max_lines)
{
    std::size_t at = 0;
    for (int count = 0; count < max_lines && at < text.size(); ++count) {
        std::string indent = count == 0 ? "" : "  ";
        std::size_t room = std::size_t(std::max(1, columns - int(indent.size())));
        std::string piece = text.substr(at, room);
        at += piece.size();
        if (count == max_lines - 1 && at < text.size() && piece.size() > 1) piece.back() = '~';
        lines.push_back(indent + piece);
    }
}

}  // namespace

void EventHistory::add(std::uint64_t time, std::string text)
{
    std::lock_guard lock(mutex_);
    events_.push_back({time, std::move(text)});
    while (events_.size() > capacity_) events_.pop_front();
}

std::vector<StatusEvent> EventHistory::events() const
{
    std::lock_guard lock(mutex_);
    return {events_.begin(), events_.end()};
}

PhoneStatus collect_phone_status(const EventHistory& history)
{
    PhoneStatus status;
    status.devices = platform::devices::device_status();
    status.shell = platform::shell::shell_status();
    for (const auto& sound : platform::audio::playing_sounds())
        status.sounds.push_back(platform::to_utf8(sound.name) + (sound.looping ? " (loop)" : ""));
    status.events = history.events();
    return status;
}

std::vector<std::string> status_lines(const PhoneStatus& status, int columns)
{
    const auto& devices = status.devices;
    const auto& shell = status.shell;
    std::vector<std::string> lines;
    auto add = [&](const std::string& text) { add_wrapped(lines, text, columns, 1); };

    add("=SENSORS");
    add("acc x " + std::to_string(devices.acceleration.x) + " y " + std::to_string(devices.acceleration.y) + " z " +
        std::to_string(devices.acceleration.z));
    add(std::string("    ") + (devices.shaking ? "shaking" : "still"));
    add(std::string("proximity ") + (devices.near ? "NEAR" : "far") +
        (devices.proximity_reports ? ", reports on" : ""));
    add(std::string("usb ") + (devices.usb_disk_mode ? "DISK MODE" : "off"));
    lines.push_back("");
    add("=SHELL");
    if (!shell.running) add("not running");
    add(std::string("call ") + (shell.call_active ? "RINGING" : "none") + "  sms " +
        (shell.sms_active ? "NEW" : "none"));
    add(std::string("task bar ") + (shell.task_bar_visible ? "shown" : "hidden"));
    add("front " + handle_text(shell.foreground));
    add("m key answer " + (shell.last_m_key_answer ? std::to_string(*shell.last_m_key_answer) : std::string("-")));
    lines.push_back("");
    add("=SOUND");
    if (status.sounds.empty()) add("silent");
    for (const auto& sound : status.sounds) add_wrapped(lines, sound, columns, 2);
    lines.push_back("");
    add("=EVENTS");
    for (const auto& event : status.events)
        add_wrapped(lines, std::to_string(event.time) + " " + event.text, columns, lines_per_event);
    return lines;
}

Image draw_status_panel(const std::vector<std::string>& lines, int height)
{
    Image panel(status_panel_width, height, background_colour);
    int y = margin;
    for (const auto& line : lines) {
        if (y + glyph_height > height) break;
        bool heading = !line.empty() && line[0] == '=';
        draw_text(panel, margin, y, heading ? std::string_view(line).substr(1) : std::string_view(line),
            heading ? heading_colour : text_colour);
        y += cell_height;
    }
    return panel;
}

}  // namespace platform::host
