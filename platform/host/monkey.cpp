#include "platform/host/monkey.h"

#include <windows.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <thread>

#include "platform/kernel/clock.h"
#include "platform/shell/notification_reader.h"
#include "platform/shell/shell_screens.h"

namespace platform::host {
namespace {

// After an event the phone must be idle again within this much of its own
// time: an animation takes seconds, a program that keeps posting to itself
// never gets there.
constexpr std::uint64_t lateness_limit_ms = 60'000;
// How long a message sent to the window in front may take, in real time.
constexpr auto answer_limit = std::chrono::seconds(5);
// What a program announces on the shell's queue when a popup of its own
// (a question, a notice) comes up.
constexpr DWORD popup_shown_code = 20;
constexpr int signals_watched[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// What a crash says, made ready before each event: a signal handler may
// only write what is already there.
char crash_line[1024];
std::atomic<std::size_t> crash_line_length {0};

void on_crash(int signal_number)
{
    std::size_t length = crash_line_length.load();
    if (length > 0) {
        const char* name = signal_number == SIGSEGV ? "SIGSEGV"
            : signal_number == SIGBUS               ? "SIGBUS"
            : signal_number == SIGFPE               ? "SIGFPE"
            : signal_number == SIGILL               ? "SIGILL"
                                                    : "SIGABRT";
        ssize_t ignored = write(STDERR_FILENO, "velmor: monkey: crashed (", 25);
        ignored = write(STDERR_FILENO, name, std::strlen(name));
        ignored = write(STDERR_FILENO, crash_line, length);
        (void)ignored;
    }
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

// The signals whose handler this run took over, to give back at its end.
bool took_signal[sizeof signals_watched / sizeof signals_watched[0]] = {};

// Only where nobody else handles the signal: a sanitizer's own report says
// more than this line would.
void watch_for_crashes()
{
    for (std::size_t i = 0; i < std::size(signals_watched); ++i) {
        struct sigaction current { };
        took_signal[i] = sigaction(signals_watched[i], nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
            !(current.sa_flags & SA_SIGINFO);
        if (took_signal[i]) signal(signals_watched[i], on_crash);
    }
}

void stop_watching_for_crashes()
{
    for (std::size_t i = 0; i < std::size(signals_watched); ++i) {
        if (took_signal[i]) signal(signals_watched[i], SIG_DFL);
        took_signal[i] = false;
    }
}

MonkeyView what_the_phone_shows()
{
    using platform::shell::ScreenKind;
    using platform::shell::shown_screen;
    MonkeyView view;
    view.locked = shown_screen(ScreenKind::lock) != nullptr;
    view.shutdown_question = shown_screen(ScreenKind::shutdown_question) != nullptr;
    view.call = shown_screen(ScreenKind::incoming_call) != nullptr;
    view.usb_disk = shown_screen(ScreenKind::disk_mode) != nullptr;
    // Popups announce themselves shown but never take it back, so only a
    // window still there counts.
    for (const auto& notice : platform::shell::active_notifications()) {
        HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(notice.window));
        view.popup = view.popup || (notice.code == popup_shown_code && IsWindow(window) && IsWindowVisible(window));
    }
    return view;
}

std::string kib(std::size_t bytes) { return std::to_string(bytes / 1024) + " KiB"; }

}  // namespace

// Watches from its own thread that the phone's thread comes back to its
// idle loop; a program stuck in a loop never does.
struct Monkey::Watchdog {
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    std::atomic<std::int64_t> last_idle_ms {0};
    std::atomic<int> event {0};
    std::string script;
    std::chrono::seconds limit;
    std::thread thread;

    static std::int64_t now_ms()
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    void run()
    {
        std::unique_lock lock(mutex);
        while (!wake.wait_for(lock, std::chrono::milliseconds(250), [this] { return stop; })) {
            std::int64_t quiet = now_ms() - last_idle_ms.load();
            if (quiet < std::chrono::duration_cast<std::chrono::milliseconds>(limit).count()) continue;
            std::fprintf(stderr,
                "velmor: monkey: the program did not answer for %lld s after event %d; replay: velmor --script %s\n",
                static_cast<long long>(quiet / 1000), event.load(), script.c_str());
            std::fflush(stderr);
            _exit(1);
        }
    }
};

std::filesystem::path monkey_script_path(const Options& options)
{
    if (!options.record.empty()) return options.record / "monkey.script";
    return "monkey-" + std::to_string(options.monkey_seed.value_or(0)) + ".script";
}

Monkey::Monkey(MonkeySettings settings, Display& display, ScenarioRunnerOptions runner_options)
    : settings_(std::move(settings))
    , display_(display)
    , runner_options_(std::move(runner_options))
    , events_(settings_.seed)
    // Long enough for the program to have shown its screens once, short
    // enough that a short run still checks most of its events.
    , leaks_(std::clamp(settings_.events / 5, 1, 500))
    , started_(std::chrono::steady_clock::now())
{
}

Monkey::~Monkey()
{
    stop_watchdog();
    crash_line_length = 0;
}

Result<std::unique_ptr<Monkey>> Monkey::start(
    MonkeySettings settings, Display& display, ScenarioRunnerOptions runner_options)
{
    // Tests of the watchdog need not wait its minute.
    if (const char* limit = std::getenv("VELMOR_MONKEY_HANG_SECONDS"); limit && std::atoi(limit) > 0)
        settings.hang_limit = std::chrono::seconds(std::atoi(limit));
    std::unique_ptr<Monkey> monkey(new Monkey(std::move(settings), display, std::move(runner_options)));
    monkey->script_.open(monkey->settings_.script, std::ios::binary | std::ios::trunc);
    if (!monkey->script_)
        return failure_at(monkey->settings_.script.string(),
            std::string("cannot write the monkey's scenario: ") + std::strerror(errno));
    const auto& s = monkey->settings_;
    monkey->write("# A monkey run: seed " + std::to_string(s.seed) + ", " + std::to_string(s.events) +
        " events, each marked \"# event N\".\n# Replay: velmor --script " + s.script.string() + s.replay_options +
        ", on a phone that starts as this one did\n# (a copy of its device root as it was, registry included).\n");
    watch_for_crashes();
    monkey->start_watchdog();
    std::fprintf(stderr, "velmor: monkey: seed %llu, %d events; the scenario goes to %s\n",
        static_cast<unsigned long long>(s.seed), s.events, s.script.string().c_str());
    return monkey;
}

void Monkey::start_watchdog()
{
    watchdog_ = std::make_unique<Watchdog>();
    watchdog_->script = settings_.script.string();
    watchdog_->limit = settings_.hang_limit;
    watchdog_->last_idle_ms = Watchdog::now_ms();
    watchdog_->thread = std::thread([dog = watchdog_.get()] { dog->run(); });
}

void Monkey::stop_watchdog()
{
    if (!watchdog_) return;
    {
        std::lock_guard lock(watchdog_->mutex);
        watchdog_->stop = true;
    }
    watchdog_->wake.notify_all();
    watchdog_->thread.join();
    watchdog_.reset();
    stop_watching_for_crashes();
}

void Monkey::write(const std::string& text)
{
    script_ << text;
    // Flushed at once: after a crash the file must hold the event that did it.
    script_.flush();
    for (char c : text) lines_written_ += c == '\n';
    // A run that could not be written down could not be replayed either.
    if (!script_ && !failure_) fail("cannot write the scenario " + settings_.script.string());
}

void Monkey::fail(std::string reason)
{
    if (failure_) return;
    failure_ = "event " + std::to_string(event_) + ": " + reason;
    finished_ = true;
}

void Monkey::on_idle(std::optional<std::uint64_t> next_timer_due)
{
    if (watchdog_) watchdog_->last_idle_ms = Watchdog::now_ms();
    while (!finished_) {
        if (runner_) {
            runner_->on_idle(next_timer_due);
            if (!runner_->finished()) return;
            runner_.reset();
            check_after_event();
            if (finished_) break;
        }
        if (event_ >= settings_.events) {
            finished_ = true;
            break;
        }
        if (!begin_event()) break;
    }
    ran_for_ = std::chrono::steady_clock::now() - started_;
}

bool Monkey::begin_event()
{
    ++event_;
    if (watchdog_) watchdog_->event = event_;
    std::string lines = events_.next(what_the_phone_shows());
    int first_line = lines_written_ + 2;  // after the event's mark
    write("# event " + std::to_string(event_) + "\n" + lines);

    std::string crash =
        ") at event " + std::to_string(event_) + "; replay: velmor --script " + settings_.script.string() + "\n";
    std::size_t length = std::min(crash.size(), sizeof crash_line);
    crash_line_length = 0;
    std::memcpy(crash_line, crash.data(), length);
    crash_line_length = length;

    auto scenario = parse_scenario_text(lines, settings_.script, ScenarioParseOptions {});
    if (!scenario) {
        fail("made an event the scenario language refuses: " + scenario.failure().text());
        return false;
    }
    for (auto& step : scenario->steps) {
        step.time += cursor_;
        step.line += first_line - 1;
    }
    scenario->end_time += cursor_;
    scenario->end_line += first_line - 1;
    cursor_ = scenario->end_time;
    runner_ = std::make_unique<ScenarioRunner>(std::move(*scenario), display_, runner_options_);
    return true;
}

void Monkey::check_after_event()
{
    std::uint64_t now = platform::clock::now();
    std::uint64_t late = now > cursor_ ? now - cursor_ : 0;
    longest_lateness_ms_ = std::max(longest_lateness_ms_, late);
    if (late > lateness_limit_ms)
        return fail("the phone was busy for " + std::to_string(late / 1000) + " s of its time after the event");

    if (HWND front = GetForegroundWindow()) {
        auto before = std::chrono::steady_clock::now();
        SendMessageW(front, WM_NULL, 0, 0);
        auto took = std::chrono::steady_clock::now() - before;
        if (took > answer_limit)
            return fail("the window in front took " +
                std::to_string(std::chrono::duration_cast<std::chrono::seconds>(took).count()) +
                " s to answer a message");
    }
    if (auto growth = leaks_.sample(event_, count_resources())) return fail(*growth);
}

void Monkey::program_ended(int exit_code)
{
    program_ended_ = true;
    exit_code_ = exit_code;
    stop_watchdog();
    crash_line_length = 0;
    // A program that ended by itself ends a replay the same way.
    if (!finished_ && !failure_) write("expect-exit " + std::to_string(exit_code) + "\n");
    ran_for_ = std::chrono::steady_clock::now() - started_;
    script_.close();
}

std::string Monkey::summary() const
{
    double seconds = std::chrono::duration<double>(ran_for_).count();
    std::string rate = seconds > 0 ? std::to_string(int(event_ / seconds)) : "?";
    std::string time = std::to_string(platform::clock::now() / 1000) + " s of phone time";
    std::string replay = "velmor --script " + settings_.script.string() + settings_.replay_options;
    if (failure_) return "FAILED at " + *failure_ + "; replay: " + replay;
    const auto& high = leaks_.high_marks();
    std::string flat = "GDI objects " + std::to_string(high[Resource::gdi_objects]) + ", windows " +
        std::to_string(high[Resource::windows]) + ", kernel handles " + std::to_string(high[Resource::kernel_handles]) +
        ", local heap " + kib(high[Resource::local_heap_bytes]) + ", heap " + kib(high[Resource::process_heap_bytes]);
    std::string how = finished_ ? std::to_string(event_) + " events ran"
                                : "the program ended with code " + std::to_string(exit_code_) + " at event " +
            std::to_string(event_) + " of " + std::to_string(settings_.events);
    return how + " (seed " + std::to_string(settings_.seed) + ", " + time + ", " + rate +
        " events a second); the program answered after every event and its counts stayed within their slack of " +
        flat + "; the longest it was busy after an event: " + std::to_string(longest_lateness_ms_) +
        " ms; scenario: " + replay;
}

}  // namespace platform::host
