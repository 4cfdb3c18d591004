#include "platform/host/scenario_runner.h"

#include <windows.h>

#include <algorithm>

#include "platform/audio/audio_host.h"
#include "platform/devices/device_host.h"
#include "platform/gdi/screen.h"
#include "platform/host/screen_compare.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/utf.h"
#include "platform/shell/shell_keys.h"

namespace platform::host {
namespace {

Image screen_image()
{
    Image image;
    image.width = platform::gdi::Screen::width;
    image.height = platform::gdi::Screen::height;
    image.pixels = platform::gdi::screen().read_xrgb();
    return image;
}

// "home.png" -> "home.actual.png".
std::filesystem::path beside(const std::filesystem::path& reference, const char* what)
{
    auto result = reference;
    result.replace_extension(std::string(".") + what + reference.extension().string());
    return result;
}

}  // namespace

ScenarioRunner::ScenarioRunner(Scenario scenario, Display& display, ScenarioRunnerOptions options)
    : scenario_(std::move(scenario))
    , display_(display)
    , options_(std::move(options))
{
    if (!options_.presented_screen) options_.presented_screen = screen_image;
    if (!options_.pointer) options_.pointer = platform::user::inject_pointer;
    if (!options_.report) options_.report = [](const std::string&) {};
    if (!options_.complain) options_.complain = options_.report;
}

std::uint64_t ScenarioRunner::next_time() const
{
    return next_ < scenario_.steps.size() ? scenario_.steps[next_].time : scenario_.end_time;
}

bool ScenarioRunner::done() const
{
    return finished_ || (next_ >= scenario_.steps.size() && platform::clock::now() >= scenario_.end_time);
}

int ScenarioRunner::next_line() const
{
    if (next_ < scenario_.steps.size()) return scenario_.steps[next_].line;
    return done() ? 0 : scenario_.end_line;
}

std::string ScenarioRunner::where(const ScenarioStep& step) const
{
    return scenario_.file.string() + ":" + std::to_string(step.line) + ": " + step.command + ": ";
}

void ScenarioRunner::on_idle(std::optional<std::uint64_t> next_timer_due)
{
    while (!finished_) {
        std::uint64_t target = next_time();
        if (platform::clock::now() < target) {
            if (platform::clock::mode() != platform::clock::Mode::virtual_time) return;
            // A timer before the step runs first; the loop jumps to it.
            if (next_timer_due && *next_timer_due <= target) return;
            // So does whatever else falls due on the way (a sound's end, the
            // status clock's minute). Either way the phone takes what the
            // jump brought, paints and shows it before the step looks.
            auto stop = platform::clock::next_stop();
            platform::clock::advance_to(stop ? std::min(*stop, target) : target);
            return;
        }
        if (next_ >= scenario_.steps.size()) {
            finished_ = true;
            return;
        }
        const ScenarioStep& step = scenario_.steps[next_++];
        run(step);
        if (step.kind == ScenarioStep::Kind::quit) finished_ = true;
        if (step.kind == ScenarioStep::Kind::pointer) return;
        // A key or a report waits in the queue: the program takes it before
        // time moves on to the next step.
        MSG waiting;
        if (PeekMessageW(&waiting, nullptr, 0, 0, PM_NOREMOVE)) return;
    }
}

void ScenarioRunner::run(const ScenarioStep& step)
{
    switch (step.kind) {
    case ScenarioStep::Kind::pointer:
        // The finger itself is logged by whoever feeds it to the phone.
        options_.pointer(step.pointer, step.x, step.y);
        if (options_.took_input) options_.took_input(step);
        break;
    case ScenarioStep::Kind::screenshot:
        take_screenshot(step);
        break;
    case ScenarioStep::Kind::expect_screen:
        expect_screen(step);
        break;
    case ScenarioStep::Kind::quit:
        options_.report("script line " + std::to_string(step.line) + ": quit");
        break;
    case ScenarioStep::Kind::expect_sound:
        expect_sound(step);
        break;
    default:
        press(step);
        break;
    }
}

void ScenarioRunner::press(const ScenarioStep& step)
{
    namespace devices = platform::devices;
    namespace shell = platform::shell;
    auto phase = step.on ? shell::Phase::begins : shell::Phase::ends;
    std::string done;
    bool shell_took_it = true;
    switch (step.kind) {
    case ScenarioStep::Kind::shake:
        devices::shake(step.duration_ms);
        done = "shake " + std::to_string(step.duration_ms) + " ms";
        break;
    case ScenarioStep::Kind::tilt:
        devices::tilt(step.x, step.y, step.z);
        done = "tilt " + std::to_string(step.x) + " " + std::to_string(step.y) + " " + std::to_string(step.z);
        break;
    case ScenarioStep::Kind::near: {
        int reports = devices::set_near(step.on);
        done = std::string("near ") + (step.on ? "on" : "off") + " (" + std::to_string(reports) + " reports)";
        break;
    }
    case ScenarioStep::Kind::usb: {
        int messages = devices::set_usb_disk_mode(step.on);
        done = std::string("usb ") + (step.on ? "disk" : "off") + " (" + std::to_string(messages) + " messages)";
        break;
    }
    case ScenarioStep::Kind::call:
        shell_took_it = shell::signal_call(phase);
        done = std::string("call ") + (step.on ? "begin" : "end");
        break;
    case ScenarioStep::Kind::sms:
        shell_took_it = shell::signal_sms(phase);
        done = std::string("sms ") + (step.on ? "begin" : "end");
        break;
    case ScenarioStep::Kind::mkey:
        shell_took_it = shell::press_m_key();
        done = "mkey";
        break;
    case ScenarioStep::Kind::power:
        shell_took_it = shell::press_power(step.on ? shell::PowerPress::long_press : shell::PowerPress::short_press);
        done = step.on ? "power long" : "power";
        break;
    default:
        return;
    }
    if (!shell_took_it) {
        ++failures_;
        options_.complain(where(step) + "the shell is not running, so nothing can take the key or the broadcast");
        return;
    }
    if (options_.took_input) options_.took_input(step);
    options_.report("script line " + std::to_string(step.line) + ": " + done);
}

void ScenarioRunner::expect_sound(const ScenarioStep& step)
{
    bool playing = platform::audio::is_sound_playing(platform::from_utf8(step.name));
    std::string wanted = step.on ? "playing" : "stopped";
    if (playing == step.on) {
        options_.report("script line " + std::to_string(step.line) + ": expect-sound " + step.name + " " + wanted);
        return;
    }
    ++failures_;
    std::string now;
    for (const auto& sound : platform::audio::playing_sounds())
        now += (now.empty() ? "" : ", ") + platform::to_utf8(sound.name) + (sound.looping ? " (looping)" : "");
    options_.complain(where(step) + step.name + " is " + (playing ? "playing" : "not playing") + ", expected " +
        wanted + "; playing now: " + (now.empty() ? "nothing" : now));
}

void ScenarioRunner::take_screenshot(const ScenarioStep& step)
{
    auto file = step.file.is_relative() ? options_.screenshot_folder / step.file : step.file;
    auto image = display_.capture();
    Result<void> saved = image ? write_png(file, *image) : Result<void>(image.failure());
    if (saved) {
        options_.report("script line " + std::to_string(step.line) + ": screenshot " + file.string());
        return;
    }
    ++failures_;
    options_.complain(where(step) + saved.failure().text());
}

void ScenarioRunner::expect_screen(const ScenarioStep& step)
{
    Image actual = options_.presented_screen();
    if (options_.updating_references) {
        if (auto written = write_png(step.file, actual)) {
            options_.complain(where(step) + "wrote the reference " + step.file.string());
        } else {
            ++failures_;
            options_.complain(where(step) + written.failure().text());
        }
        return;
    }
    auto expected = read_png(step.file);
    if (!expected) {
        ++failures_;
        options_.complain(where(step) + expected.failure().text());
        return;
    }
    auto comparison = compare_images(*expected, actual, step.tolerance);
    if (comparison.matches) {
        options_.report(
            "script line " + std::to_string(step.line) + ": expect-screen " + step.file.string() + " matches");
        return;
    }
    ++failures_;
    auto actual_file = beside(step.file, "actual");
    auto difference_file = beside(step.file, "diff");
    std::string message = where(step) + step.file.string() + ": " + comparison.describe() + " (tolerance " +
        std::to_string(step.tolerance) + ")";
    auto written = write_png(actual_file, actual);
    if (written) written = write_png(difference_file, difference_image(*expected, actual, step.tolerance));
    if (written)
        message += "; wrote " + actual_file.string() + " and " + difference_file.string();
    else
        message += "; " + written.failure().text();
    options_.complain(message);
}

}  // namespace platform::host
