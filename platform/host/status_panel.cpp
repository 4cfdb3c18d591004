#include "platform/host/status_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/audio/audio_host.h"
#include "platform/host/host_text.h"
#include "platform/host/phone_skin.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/utf.h"
#include "platform/shell/shell_events.h"
#include "platform/user/window.h"

namespace platform::host {
namespace {

constexpr std::uint32_t card_colour = 0x202328;
constexpr std::uint32_t text_colour = 0xD8DCE0;
constexpr std::uint32_t heading_colour = 0x7FC8FF;
constexpr std::uint32_t footer_colour = 0x9AA1AA;
constexpr std::uint32_t rule_colour = 0x3A3F46;
constexpr double card_radius = 14;
constexpr double padding = 12;
constexpr double char_height = 14;
constexpr char continuation_mark = '\t';

std::string handle_text(HWND window)
{
    return window ? platform::shell::hex(std::uint32_t(reinterpret_cast<std::uintptr_t>(window))) : "none";
}

// Seconds with their milliseconds: "12.345".
std::string seconds_text(std::uint64_t milliseconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%llu.%03u", static_cast<unsigned long long>(milliseconds / 1000),
        static_cast<unsigned>(milliseconds % 1000));
    return text;
}

// Adds text as lines of at most columns characters, broken at spaces where
// there are any; the lines after the first carry the continuation mark.
void add_wrapped(std::vector<std::string>& lines, const std::string& text, int columns)
{
    std::size_t room = std::size_t(std::max(1, columns));
    std::size_t at = 0;
    bool first = true;
    do {
        std::size_t take = std::min(room, text.size() - at);
        if (at + take < text.size()) {
            std::size_t space = text.rfind(' ', at + take);
            if (space != std::string::npos && space > at) take = space - at;
        }
        // Never split a UTF-8 character.
        while (take > 1 && at + take < text.size() && (static_cast<unsigned char>(text[at + take]) & 0xC0) == 0x80)
            --take;
        lines.push_back((first ? "" : std::string(1, continuation_mark)) + text.substr(at, take));
        first = false;
        at += take;
        while (at < text.size() && text[at] == ' ') ++at;
    } while (at < text.size());
}

struct Entry {
    std::string text;
    bool heading = false;
};

std::vector<Entry> join_entries(const std::vector<std::string>& lines)
{
    std::vector<Entry> entries;
    for (const auto& line : lines) {
        if (!line.empty() && line[0] == continuation_mark && !entries.empty()) {
            entries.back().text += " " + line.substr(1);
        } else if (!line.empty() && line[0] == '=') {
            entries.push_back({line.substr(1), true});
        } else {
            entries.push_back({line, false});
        }
    }
    return entries;
}

std::vector<std::vector<PanelLine>> wrap_entries(
    const std::vector<Entry>& entries, const HostFont& font, int width, int indent)
{
    std::vector<std::vector<PanelLine>> wrapped;
    for (const auto& entry : entries) {
        std::vector<PanelLine> lines;
        auto text = decode_utf8(entry.text);
        if (entry.heading) {
            lines.push_back({text, true, false});
        } else {
            auto first = font.wrap(text, width);
            lines.push_back({first.front(), false, false});
            // The rest, wrapped again in the narrower room beside the indent.
            std::u32string rest;
            for (std::size_t i = 1; i < first.size(); ++i) rest += (i > 1 ? U" " : U"") + first[i];
            if (first.size() > 1)
                for (auto& line : font.wrap(rest, std::max(1, width - indent))) lines.push_back({line, false, true});
        }
        wrapped.push_back(std::move(lines));
    }
    return wrapped;
}

std::size_t count_lines(const std::vector<std::vector<PanelLine>>& entries)
{
    std::size_t count = 0;
    for (const auto& entry : entries) count += entry.size();
    return count;
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

void EventHistory::clear()
{
    std::lock_guard lock(mutex_);
    events_.clear();
}

EventHistory& window_events()
{
    static EventHistory history;
    return history;
}

void note_window_event(std::string text) { window_events().add(platform::clock::now(), std::move(text)); }

std::string finger_event_text(std::pair<int, int> start, std::pair<int, int> end)
{
    // A finger never lands twice on one pixel: this much slide is still a tap.
    constexpr int tap_slop = 8;
    auto [start_x, start_y] = start;
    auto [end_x, end_y] = end;
    if (std::abs(end_x - start_x) <= tap_slop && std::abs(end_y - start_y) <= tap_slop)
        return "tap " + std::to_string(start_x) + " " + std::to_string(start_y);
    return "swipe " + std::to_string(start_x) + " " + std::to_string(start_y) + " to " + std::to_string(end_x) + " " +
        std::to_string(end_y);
}

PhoneStatus collect_phone_status(const EventHistory& history)
{
    PhoneStatus status;
    status.devices = platform::devices::device_status();
    status.shell = platform::shell::shell_status();
    // Read from the window's record, not with GetWindowTextW: that would send
    // the program a WM_GETTEXT every time the phone goes idle.
    if (HWND front = status.shell.foreground) {
        auto handle = std::uint32_t(reinterpret_cast<std::uintptr_t>(front));
        if (auto window = platform::user::find_window_quietly(handle)) {
            if (window->window_class) status.foreground_class = platform::to_utf8(window->window_class->name);
            status.foreground_title = platform::to_utf8(window->text);
        }
    }
    for (const auto& sound : platform::audio::playing_sounds())
        status.sounds.push_back(platform::to_utf8(sound.name) + (sound.looping ? " (loop)" : ""));
    status.events = history.events();
    auto own = window_events().events();
    status.events.insert(status.events.end(), own.begin(), own.end());
    std::stable_sort(status.events.begin(), status.events.end(),
        [](const StatusEvent& a, const StatusEvent& b) { return a.time < b.time; });
    std::size_t keep = std::max(history.capacity(), window_events().capacity());
    if (status.events.size() > keep) status.events.erase(status.events.begin(), status.events.end() - long(keep));
    return status;
}

std::vector<std::string> status_lines(const PhoneStatus& status, int columns)
{
    const auto& devices = status.devices;
    const auto& shell = status.shell;
    std::vector<std::string> lines;
    auto add = [&](const std::string& text) { add_wrapped(lines, text, columns); };

    lines.push_back("=SENSORS");
    add("acc x " + std::to_string(devices.acceleration.x) + " y " + std::to_string(devices.acceleration.y) + " z " +
        std::to_string(devices.acceleration.z) + (devices.shaking ? ", shaking" : ", still"));
    add(std::string("proximity ") + (devices.near ? "NEAR" : "far") +
        (devices.proximity_reports ? ", reports on" : ""));
    add(std::string("usb ") + (devices.usb_disk_mode ? "DISK MODE" : "off"));
    lines.push_back("");
    lines.push_back("=SHELL");
    if (!shell.running) add("not running");
    add(std::string("call ") + (shell.call_active ? "RINGING" : "none") + ", sms " +
        (shell.sms_active ? "NEW" : "none"));
    add(std::string("task bar ") + (shell.task_bar_visible ? "shown" : "hidden") + ", M key answer " +
        (shell.last_m_key_answer ? std::to_string(*shell.last_m_key_answer) : std::string("-")));
    add("front " + handle_text(shell.foreground));
    if (shell.foreground) add("class " + status.foreground_class + ", title \"" + status.foreground_title + "\"");
    lines.push_back("");
    lines.push_back("=SOUND");
    if (status.sounds.empty()) add("silent");
    for (const auto& sound : status.sounds) add(sound);
    lines.push_back("");
    lines.push_back("=EVENTS");
    for (const auto& event : status.events) add(seconds_text(event.time) + " " + event.text);
    return lines;
}

std::vector<PanelLine> lay_out_status_panel(const std::vector<std::string>& lines,
    const std::vector<std::string>& footer, const HostFont& font, int width, int max_lines)
{
    int indent = font.width(U"    ");
    auto body = wrap_entries(join_entries(lines), font, width, indent);
    auto bottom = wrap_entries(join_entries(footer), font, width, indent);
    std::size_t room = std::size_t(std::max(0, max_lines));
    std::size_t footer_lines = std::min(room, count_lines(bottom) + (bottom.empty() ? 0 : 1));

    // The oldest entries of the last section give way first.
    std::size_t last_heading = body.size();
    for (std::size_t i = body.size(); i-- > 0;)
        if (!body[i].empty() && body[i].front().heading) {
            last_heading = i;
            break;
        }
    while (count_lines(body) + footer_lines > room && last_heading + 1 < body.size())
        body.erase(body.begin() + long(last_heading) + 1);

    std::vector<PanelLine> result;
    for (const auto& entry : body)
        for (const auto& line : entry)
            if (result.size() + footer_lines < room) result.push_back(line);
    if (!bottom.empty() && footer_lines > 0) {
        // A blank line between the phone's lines and the window's own.
        result.push_back({U"", false, false, true});
        for (const auto& entry : bottom)
            for (auto line : entry)
                if (result.size() < room) {
                    line.footer = true;
                    result.push_back(line);
                }
    }
    return result;
}

Image draw_status_panel(
    const std::vector<std::string>& lines, const std::vector<std::string>& footer, int width, int height, double scale)
{
    Image panel(width, height, desk_colour);
    fill_rounded(panel, 0, 0, width, height, card_radius * scale, card_colour, card_colour);
    int size = std::max(6, int(std::lround(char_height * scale)));
    HostFont font(size), bold(size, true);
    if (!font.usable()) return panel;
    int inset = int(std::lround(padding * scale));
    int line_height = font.line_height();
    int max_lines = std::max(0, (height - 2 * inset) / std::max(1, line_height));
    auto laid_out = lay_out_status_panel(lines, footer, font, width - 2 * inset, max_lines);

    int indent = font.width(U"    ");
    int y = inset;
    int footer_lines = int(std::count_if(laid_out.begin(), laid_out.end(), [](auto& line) { return line.footer; }));
    bool rule_drawn = false;
    for (const auto& line : laid_out) {
        bool in_footer = line.footer;
        if (in_footer && !rule_drawn) {
            // The window's own lines stay at the bottom, where the eye finds them.
            y = std::max(y, height - inset - footer_lines * line_height);
            rule_drawn = true;
            int rule_y = y + line_height / 2;
            for (int x = inset; x < width - inset && rule_y < height; ++x) panel.at(x, rule_y) = rule_colour;
        }
        int x = inset + (line.continued ? indent : 0);
        if (line.heading) {
            bold.draw(panel, x, y, line.text, heading_colour);
        } else {
            font.draw(panel, x, y, line.text, in_footer ? footer_colour : text_colour);
        }
        y += line_height;
    }
    return panel;
}

}  // namespace platform::host
