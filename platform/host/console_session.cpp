#include "platform/host/console_session.h"

#include <windows.h>

#include "platform/host/printable_text.h"
#include "platform/kernel/clock.h"

namespace platform::host {
namespace {

// Console lines are parsed as one-line scripts of this name; its place
// ("console:1: ") is taken off the answers again.
constexpr const char* console_name = "console";
const std::string console_place = "console:1: ";
const std::string script_place = "script line 1: ";
// How long a wait for input in virtual time lasts before the loop looks for
// messages other threads posted.
constexpr int input_poll_ms = 50;

std::string without_prefix(const std::string& text, const std::string& prefix)
{
    return text.starts_with(prefix) ? text.substr(prefix.size()) : text;
}

// Whether the message loop has something to retrieve now: what a command
// caused (posted messages, touches, paints, due timers) or a quit.
bool phone_has_work()
{
    MSG message;
    return PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
}

}  // namespace

ConsoleSession::ConsoleSession(std::unique_ptr<ConsoleInput> input, Display& display, ConsoleSessionOptions options)
    : input_(std::move(input))
    , display_(display)
    , options_(std::move(options))
{
    if (!options_.runner.report) options_.runner.report = [](const std::string&) {};
    if (!options_.runner.complain) options_.runner.complain = options_.runner.report;
}

std::optional<std::uint64_t> ConsoleSession::next_time() const
{
    if (runner_ && !runner_->finished()) return runner_->next_time();
    return std::nullopt;
}

void ConsoleSession::on_idle(std::optional<std::uint64_t> next_timer_due, bool wait_for_input)
{
    for (const auto& notice : input_->take_notices()) options_.runner.report(notice);
    while (!quit_reason_) {
        if (runner_) {
            if (!runner_->finished()) {
                runner_->on_idle(next_timer_due);
                if (!runner_->finished()) return;
            }
            // The answer waits until the phone has taken what the command caused.
            if (phone_has_work()) return;
            finish();
            continue;
        }
        auto line = input_->next_line(0);
        if (!line) {
            if (input_->ended()) {
                quit_reason_ = "the console's input ended";
                return;
            }
            if (!wait_for_input) return;
            line = input_->next_line(input_poll_ms);
            if (!line) {
                if (phone_has_work()) return;
                continue;
            }
        }
        start(*line);
    }
}

void ConsoleSession::start(const ConsoleLine& line)
{
    line_ = line;
    if (line.too_long) {
        options_.runner.report("console < " + printable_text(line.text) + "... (too long)");
        answer("KO: the line is longer than " + std::to_string(ConsoleLineReader::longest_line) +
            " bytes; it was not run");
        return;
    }
    options_.runner.report("console < " + printable_text(line.text));
    auto scenario = parse_scenario_text(line.text, console_name, ScenarioParseOptions {true});
    if (!scenario) {
        // The place is always the console's one line; the answer says what is wrong with it.
        const std::string& message = scenario.failure().message;
        answer("KO: " + message.substr(0, message.find('\n')));
        return;
    }
    if (scenario->expected_exit) expected_exit_ = scenario->expected_exit;
    // A command's times count from now, not from the start of the run.
    std::uint64_t now = platform::clock::now();
    for (auto& step : scenario->steps) {
        step.time += now;
        if (step.kind == ScenarioStep::Kind::quit) line_quits_ = true;
    }
    scenario->end_time += now;
    first_problem_.clear();
    ScenarioRunnerOptions runner_options = options_.runner;
    runner_options.report = [this](const std::string& text) {
        options_.runner.report("console: " + without_prefix(text, script_place));
    };
    runner_options.complain = [this](const std::string& text) {
        if (first_problem_.empty()) first_problem_ = without_prefix(text, console_place);
        options_.runner.complain(text);
    };
    runner_ = std::make_unique<ScenarioRunner>(std::move(*scenario), display_, std::move(runner_options));
}

void ConsoleSession::finish()
{
    int failed = runner_->failures();
    failures_ += failed;
    runner_.reset();
    answer(failed > 0 ? "KO: " + first_problem_ : "OK");
    if (line_quits_) quit_reason_ = "quit typed on the console";
    line_quits_ = false;
}

void ConsoleSession::answer(const std::string& text)
{
    if (!line_) return;
    // One line, whatever the command's messages quoted.
    std::string shown = printable_text(text);
    options_.runner.report("console > " + shown);
    input_->answer(*line_, shown);
    line_.reset();
}

void ConsoleSession::program_ended(int exit_code)
{
    if (!line_) return;
    if (runner_ && runner_->done()) {
        finish();
        return;
    }
    if (runner_) failures_ += runner_->failures();
    runner_.reset();
    answer("KO: the program ended (code " + std::to_string(exit_code) + ") before the command finished");
}

}  // namespace platform::host
