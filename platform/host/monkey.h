// The monkey: drives whatever program the phone runs with random taps,
// drags, keys, sensors and broadcasts from a seed, in virtual time, and
// checks as it goes that the program answers and that its windows, GDI
// objects, handles and memory stay flat. Every event is written down as a
// scenario before it is played, so a failing run (a crash included) replays
// exactly with --script.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "platform/host/monkey_events.h"
#include "platform/host/monkey_watch.h"
#include "platform/host/options.h"
#include "platform/host/scenario_runner.h"
#include "platform/kernel/result.h"

namespace platform::host {

struct MonkeySettings {
    std::uint64_t seed = 0;
    int events = 1000;
    // Where the scenario is written.
    std::filesystem::path script;
    // The options a replay needs besides --script (--home, --lang, --fps).
    std::string replay_options;
    // How long the program may keep the phone from its idle loop, in real
    // time, before it counts as not answering.
    std::chrono::seconds hang_limit {60};
};

// The scenario's file for a run: DIR/monkey.script with --record DIR, else
// monkey-SEED.script in the current folder.
std::filesystem::path monkey_script_path(const Options& options);

class Monkey {
public:
    // Starts the scenario's file; a failure concerns it.
    static platform::Result<std::unique_ptr<Monkey>> start(
        MonkeySettings settings, Display& display, ScenarioRunnerOptions runner_options);
    ~Monkey();
    Monkey(const Monkey&) = delete;
    Monkey& operator=(const Monkey&) = delete;

    // From the phone's idle loop: plays the event under way and, once the
    // phone has taken it, checks the phone and picks the next one.
    void on_idle(std::optional<std::uint64_t> next_timer_due);
    // Every event has run, or a check failed.
    bool finished() const { return finished_; }
    // The program ended: stops watching and completes the scenario (a
    // replay expects the same end).
    void program_ended(int exit_code);
    // The run's exit code given the program's, and one line saying how it went.
    int verdict(int exit_code) const { return failure_ ? 1 : exit_code; }
    std::string summary() const;
    const std::optional<std::string>& failure() const { return failure_; }

private:
    Monkey(MonkeySettings settings, Display& display, ScenarioRunnerOptions runner_options);
    bool begin_event();
    void check_after_event();
    void fail(std::string reason);
    void write(const std::string& text);
    void start_watchdog();
    void stop_watchdog();

    MonkeySettings settings_;
    Display& display_;
    ScenarioRunnerOptions runner_options_;
    MonkeyEvents events_;
    LeakWatch leaks_;
    std::ofstream script_;
    int lines_written_ = 0;
    std::uint64_t cursor_ = 0;  // the scenario's time after the last event
    int event_ = 0;  // the event under way or last run (1-based)
    std::unique_ptr<ScenarioRunner> runner_;
    bool finished_ = false;
    bool program_ended_ = false;
    int exit_code_ = 0;
    std::optional<std::string> failure_;
    std::uint64_t longest_lateness_ms_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::duration ran_for_ {};
    struct Watchdog;
    std::unique_ptr<Watchdog> watchdog_;
};

}  // namespace platform::host
