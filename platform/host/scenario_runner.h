// Plays a scenario into the running phone. It runs from the message loop's
// idle handler: each step happens when the phone has nothing left to do at
// the step's time, so a screenshot sees the effect of the taps before it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/host/display_backend.h"
#include "platform/host/scenario.h"

namespace platform::host {

struct ScenarioRunnerOptions {
    // Where relative screenshot names go.
    std::filesystem::path screenshot_folder = ".";
    // expect-screen writes its reference instead of comparing.
    bool updating_references = false;
    // The screen as last presented, which expect-screen compares; the
    // screen's own pixels when empty.
    std::function<Image()> presented_screen;
    // The finger; inject_pointer when empty.
    std::function<void(platform::user::PointerKind, int x, int y)> pointer;
    // Progress worth the event log.
    std::function<void(const std::string&)> report;
    // Faults worth the person's attention (failed checks, unwritable files).
    std::function<void(const std::string&)> complain;
    // Each step that acted on the phone (a finger, a key, a sensor, a
    // broadcast), once it has: what the recording's session script holds.
    std::function<void(const ScenarioStep&)> took_input;
};

class ScenarioRunner {
public:
    ScenarioRunner(Scenario scenario, Display& display, ScenarioRunnerOptions options);

    // Runs the steps that are due, given when the thread's next timer falls
    // due. In virtual time it moves the clock towards the next step unless a
    // timer comes first, stopping on the way where the clock has a stop, and
    // returns, so the phone takes and shows what came due before the step
    // runs at the next idle; in real time it waits to be asked again. It
    // stops after a touch, or a step that left messages waiting, so the
    // program takes them before the next step.
    void on_idle(std::optional<std::uint64_t> next_timer_due);

    // All steps done and the last wait over (or quit reached).
    bool finished() const { return finished_; }
    // Every step has run and its time is over, though the runner may not yet
    // have been asked again to notice.
    bool done() const;
    // The time the runner next wants to act, when it is not finished.
    std::uint64_t next_time() const;
    int failures() const { return failures_; }
    const Scenario& scenario() const { return scenario_; }
    // The first line that has not run: the next step's, or, once every step
    // has run, the last wait's until its time is over (0 when done).
    int next_line() const;

private:
    void run(const ScenarioStep& step);
    void take_screenshot(const ScenarioStep& step);
    void expect_screen(const ScenarioStep& step);
    void expect_sound(const ScenarioStep& step);
    void press(const ScenarioStep& step);
    std::string where(const ScenarioStep& step) const;

    Scenario scenario_;
    Display& display_;
    ScenarioRunnerOptions options_;
    std::size_t next_ = 0;
    bool finished_ = false;
    int failures_ = 0;
};

}  // namespace platform::host
