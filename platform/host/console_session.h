// The console: scenario commands typed live, each run on the UI thread from
// the message loop's idle handler and answered "OK" or "KO: reason" once it
// has run and the phone has taken what it caused.
//
// Time: in real time the clock runs as always. In virtual time with nobody
// watching a window, time stands still between commands: the idle loop
// waits for the next line instead of jumping to the next timer, and only
// "wait MS" lets time (and the program's timers) pass, as in a script.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/host/console_input.h"
#include "platform/host/scenario_runner.h"

namespace platform::host {

struct ConsoleSessionOptions {
    // The runner options each command runs with (screenshot folder,
    // pointer, reporting); report and complain also receive the console's
    // own lines.
    ScenarioRunnerOptions runner;
};

class ConsoleSession {
public:
    ConsoleSession(std::unique_ptr<ConsoleInput> input, Display& display, ConsoleSessionOptions options);

    // Runs what is due. With wait_for_input it blocks until a command
    // arrives when there is nothing else to do (virtual time); it returns
    // when the phone has something to do, the clock moved, or the console
    // wants the program to quit.
    void on_idle(std::optional<std::uint64_t> next_timer_due, bool wait_for_input);

    // Why the program should quit ("quit" typed, standard input ended), or
    // nothing.
    const std::optional<std::string>& quit_reason() const { return quit_reason_; }
    // When the running command next wants to act.
    std::optional<std::uint64_t> next_time() const;
    // Checks that failed (expect-screen, expect-sound, keys without a shell).
    int failures() const { return failures_; }
    // The code expect-exit asked for.
    std::optional<int> expected_exit() const { return expected_exit_; }
    // The program has ended: the command in flight is answered.
    void program_ended(int exit_code);

    ConsoleInput& input() { return *input_; }

private:
    void start(const ConsoleLine& line);
    void finish();
    void answer(const std::string& text);

    std::unique_ptr<ConsoleInput> input_;
    Display& display_;
    ConsoleSessionOptions options_;
    std::optional<ConsoleLine> line_;  // the command running
    std::unique_ptr<ScenarioRunner> runner_;
    std::string first_problem_;
    bool line_quits_ = false;
    std::optional<std::string> quit_reason_;
    int failures_ = 0;
    std::optional<int> expected_exit_;
};

}  // namespace platform::host
