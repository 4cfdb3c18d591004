#include "platform/host/monkey_events.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "platform/gdi/screen.h"
#include "platform/shell/shell_screens.h"

namespace platform::host {
namespace {

constexpr int screen_width = platform::gdi::Screen::width;
constexpr int screen_height = platform::gdi::Screen::height;

// Where a program's question puts its "No" or "Cancel": right of the middle,
// just under the screen's middle. A question is mostly answered there, so
// the program lives on to be explored instead of being left at the first
// exit corner hit.
constexpr RECT negative_answer {240, screen_height / 2 + 32, 430, screen_height / 2 + 96};

// How often each kind of event comes, out of their sum. Taps and drags
// explore; keys and broadcasts stir the phone; the M key and a long power
// press end a program, so they are rare.
enum class Kind { tap, drag, double_tap, hold, rest, shake, tilt, near, call, sms, usb, mkey, power, power_long };
struct Weight {
    Kind kind;
    int weight;
};
constexpr std::array<Weight, 14> weights {{
    {Kind::tap, 400},
    {Kind::drag, 140},
    {Kind::double_tap, 70},
    {Kind::hold, 40},
    {Kind::rest, 50},
    {Kind::shake, 60},
    {Kind::tilt, 30},
    {Kind::near, 50},
    {Kind::call, 30},
    {Kind::sms, 30},
    {Kind::usb, 1},
    {Kind::mkey, 1},
    {Kind::power, 20},
    {Kind::power_long, 3},
}};

std::string words(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }

int middle_x(const RECT& r) { return int(r.left + r.right) / 2; }
int middle_y(const RECT& r) { return int(r.top + r.bottom) / 2; }

}  // namespace

MonkeyEvents::MonkeyEvents(std::uint64_t seed)
    : random_(seed)
{
}

std::uint64_t MonkeyEvents::below(std::uint64_t count)
{
    // Rejecting the top sliver keeps every value equally likely.
    std::uint64_t limit = ~std::uint64_t(0) - (~std::uint64_t(0) % count);
    for (;;) {
        std::uint64_t value = random_();
        if (value < limit) return value % count;
    }
}

int MonkeyEvents::between(int low, int high) { return low + int(below(std::uint64_t(high - low + 1))); }

std::string MonkeyEvents::point_words()
{
    if (chance(5))
        return words(between(negative_answer.left, negative_answer.right - 1),
            between(negative_answer.top, negative_answer.bottom - 1));
    return words(between(0, screen_width - 1), between(0, screen_height - 1));
}

std::string MonkeyEvents::tap_somewhere() { return "tap " + point_words() + "\n"; }

std::string MonkeyEvents::drag(bool long_swipe)
{
    int x = between(0, screen_width - 1), y = between(0, screen_height - 1);
    // A long swipe goes far enough to open the lock screen or turn a page.
    int reach = long_swipe ? between(140, 400) : between(10, 260);
    bool across = chance(50);
    int sign = chance(50) ? 1 : -1;
    int to_x = across ? std::clamp(x + sign * reach, 0, screen_width - 1)
                      : std::clamp(x + between(-30, 30), 0, screen_width - 1);
    int to_y = across ? std::clamp(y + between(-30, 30), 0, screen_height - 1)
                      : std::clamp(y + sign * reach, 0, screen_height - 1);
    if (long_swipe && std::abs(to_x - x) < 130 && std::abs(to_y - y) < 130) {
        // Near an edge the reach was cut short: go the other way instead.
        if (across)
            to_x = x < screen_width / 2 ? std::min(x + reach, screen_width - 1) : std::max(x - reach, 0);
        else
            to_y = y < screen_height / 2 ? std::min(y + reach, screen_height - 1) : std::max(y - reach, 0);
    }
    int steps = between(2, 6);
    std::string text = "press " + words(x, y) + "\n";
    for (int step = 1; step <= steps; ++step) {
        text += "wait " + std::to_string(between(10, 40)) + "\n";
        text += "move " + words(x + (to_x - x) * step / steps, y + (to_y - y) * step / steps) + "\n";
    }
    text += "wait " + std::to_string(between(10, 40)) + "\n";
    return text + "release " + words(to_x, to_y) + "\n";
}

// The shell's screens over the program, answered as a person would most of
// the time, and now and then otherwise.
std::string MonkeyEvents::answer_question(const MonkeyView& view)
{
    if (view.shutdown_question && chance(90)) {
        RECT cancel = platform::shell::cancel_button();
        return "tap " + words(middle_x(cancel), middle_y(cancel)) + "\n";
    }
    if (view.locked && chance(70)) return drag(true);
    if (view.popup && chance(90))
        return "tap " +
            words(between(negative_answer.left, negative_answer.right - 1),
                between(negative_answer.top, negative_answer.bottom - 1)) +
            "\n";
    if (view.usb_disk && chance(40)) return "usb off\n";
    if (view.call && chance(30)) {
        if (chance(50)) return "call end\n";
        RECT button = platform::shell::decline_button();
        if (chance(40)) button = platform::shell::answer_button();
        if (chance(30)) button = platform::shell::hang_up_button();
        return "tap " + words(middle_x(button), middle_y(button)) + "\n";
    }
    return {};
}

std::string MonkeyEvents::next(const MonkeyView& view)
{
    // Mostly a moment between events, now and then a pause for the
    // program's timers and animations to run their course.
    int pause = chance(90) ? between(30, 900) : between(900, 4000);
    std::string text = "wait " + std::to_string(pause) + "\n";
    if (std::string answer = answer_question(view); !answer.empty()) return text + answer;

    int total = 0;
    for (const auto& entry : weights) total += entry.weight;
    int pick = int(below(std::uint64_t(total)));
    Kind kind = weights.back().kind;
    for (const auto& entry : weights) {
        if (pick < entry.weight) {
            kind = entry.kind;
            break;
        }
        pick -= entry.weight;
    }
    switch (kind) {
    case Kind::tap:
        return text + tap_somewhere();
    case Kind::drag:
        return text + drag(chance(30));
    case Kind::double_tap:
        return text + "doubletap " + point_words() + "\n";
    case Kind::hold: {
        std::string point = point_words();
        return text + "press " + point + "\nwait " + std::to_string(between(500, 2000)) + "\nrelease " + point + "\n";
    }
    case Kind::rest:
        return "wait " + std::to_string(between(3000, 20000)) + "\n";
    case Kind::shake:
        return text + "shake " + std::to_string(between(100, 2500)) + "\n";
    case Kind::tilt:
        return text + "tilt " + std::to_string(between(-80, 80)) + " " + std::to_string(between(-80, 80)) + " " +
            std::to_string(between(-80, 80)) + "\n";
    case Kind::near:
        near_ = !near_;
        return text + (near_ ? "near on\n" : "near off\n");
    case Kind::call:
        return text + (view.call ? "call end\n" : "call begin\n");
    case Kind::sms:
        sms_ = !sms_;
        return text + (sms_ ? "sms begin\n" : "sms end\n");
    case Kind::usb:
        return text + (view.usb_disk ? "usb off\n" : "usb disk\n");
    case Kind::mkey:
        return text + "mkey\n";
    case Kind::power:
        return text + "power\n";
    case Kind::power_long:
        return text + "power long\n";
    }
    return text;
}

}  // namespace platform::host
