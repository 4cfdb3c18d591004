#include "platform/host/scenario_runner.h"

#include "platform/gdi/screen.h"
#include "platform/host/screen_compare.h"
#include "platform/kernel/clock.h"

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
    if (!options_.pointer) options_.pointer = platform::user::inject_pointer;
    if (!options_.report) options_.report = [](const std::string&) {};
    if (!options_.complain) options_.complain = options_.report;
}

std::uint64_t ScenarioRunner::next_time() const
{
    return next_ < scenario_.steps.size() ? scenario_.steps[next_].time : scenario_.end_time;
}

int ScenarioRunner::next_line() const { return next_ < scenario_.steps.size() ? scenario_.steps[next_].line : 0; }

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
            platform::clock::advance_to(target);
        }
        if (next_ >= scenario_.steps.size()) {
            finished_ = true;
            return;
        }
        const ScenarioStep& step = scenario_.steps[next_++];
        run(step);
        if (step.kind == ScenarioStep::Kind::quit) finished_ = true;
        if (step.kind == ScenarioStep::Kind::pointer) return;
    }
}

void ScenarioRunner::run(const ScenarioStep& step)
{
    switch (step.kind) {
    case ScenarioStep::Kind::pointer:
        // The finger itself is logged by whoever feeds it to the phone.
        options_.pointer(step.pointer, step.x, step.y);
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
    }
}

void ScenarioRunner::take_screenshot(const ScenarioStep& step)
{
    auto file = step.file.is_relative() ? options_.screenshot_folder / step.file : step.file;
    std::string error;
    auto image = display_.capture(&error);
    if (image && write_png(file, *image, &error)) {
        options_.report("script line " + std::to_string(step.line) + ": screenshot " + file.string());
        return;
    }
    ++failures_;
    options_.complain(where(step) + error);
}

void ScenarioRunner::expect_screen(const ScenarioStep& step)
{
    Image actual = screen_image();
    std::string error;
    if (options_.updating_references) {
        if (write_png(step.file, actual, &error)) {
            options_.complain(where(step) + "wrote the reference " + step.file.string());
        } else {
            ++failures_;
            options_.complain(where(step) + error);
        }
        return;
    }
    auto expected = read_png(step.file, &error);
    if (!expected) {
        ++failures_;
        options_.complain(where(step) + error);
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
    if (write_png(actual_file, actual, &error) &&
        write_png(difference_file, difference_image(*expected, actual, step.tolerance), &error))
        message += "; wrote " + actual_file.string() + " and " + difference_file.string();
    else
        message += "; " + error;
    options_.complain(message);
}

}  // namespace platform::host
