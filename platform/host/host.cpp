// Start-up and shut-down of the simulated phone around the program: the
// phone itself (phone_boot.h) a stage at a time with the host's recording,
// display, sound and presenter in between, then WinMain; afterwards
// everything is put away in reverse.

#include "platform/host/host.h"

#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/audio/audio_host.h"
#include "platform/host/console_session.h"
#include "platform/host/determinism_check.h"
#include "platform/host/display_backend.h"
#include "platform/host/input_command.h"
#include "platform/host/launcher.h"
#include "platform/host/monkey.h"
#include "platform/host/phone_boot.h"
#include "platform/host/phone_keys.h"
#include "platform/host/presenter.h"
#include "platform/host/recorder.h"
#include "platform/host/scenario_runner.h"
#include "platform/host/session_script.h"
#include "platform/host/status_panel.h"
#include "platform/include/winuser.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/phone_events.h"
#include "platform/kernel/result.h"
#include "platform/registry/registry_host.h"
#include "platform/shell/notification_reader.h"
#include "platform/user/host.h"

namespace platform::host {
namespace {

// How long a window's idle loop waits for the person at a time in virtual
// time, where nothing else would make time pass.
constexpr std::uint64_t window_idle_step_ms = 10;
// Characters a line of the status panel holds.
constexpr int status_panel_columns = 25;
constexpr std::uint64_t bytes_per_megabyte = 1'000'000;
// Silence longer than this is cut short in a recording's sound.wav.
constexpr std::uint64_t longest_recorded_silence_ms = 1000;

void say(const std::string& text) { std::fprintf(stderr, "velmor: %s\n", text.c_str()); }

const char* pointer_word(platform::user::PointerKind kind)
{
    return kind == platform::user::PointerKind::down ? "down"
        : kind == platform::user::PointerKind::move  ? "move"
                                                     : "up";
}

// The person's own clock, as virtual time in a window follows it while the
// phone idles. When the phone runs ahead (an animation's frames, a script's
// wait) it does not wait for the person to catch up: the clock starts over
// from there.
class PersonClock {
public:
    std::uint64_t read(std::uint64_t phone_now)
    {
        auto real = std::chrono::steady_clock::now();
        if (!started_) {
            started_ = true;
            real_start_ = real;
            phone_start_ = phone_now;
        }
        auto passed = std::chrono::duration_cast<std::chrono::milliseconds>(real - real_start_).count();
        std::uint64_t person_now = phone_start_ + std::uint64_t(std::max<std::int64_t>(passed, 0));
        if (phone_now > person_now) {
            phone_start_ += phone_now - person_now;
            person_now = phone_now;
        }
        return person_now;
    }

private:
    bool started_ = false;
    std::chrono::steady_clock::time_point real_start_;
    std::uint64_t phone_start_ = 0;
};

// Everything one run holds, so shut-down can undo start-up in order.
class Phone {
public:
    Phone(const Options& options, const Settings& settings, bool updating_references)
        : options_(options)
        , settings_(settings)
        , boot_(boot_options(options, settings))
        , updating_references_(updating_references)
    {
    }

    int run(std::optional<Scenario> scenario, ProgramEntry program);

private:
    platform::Result<void> set_up();
    platform::Result<void> start_audio();
    platform::Result<void> start_console();
    platform::Result<void> start_monkey();
    void listen_to_the_phone();
    ScenarioRunnerOptions runner_options();
    int verdict(int exit_code);
    RecordingLimits recording_limits() const
    {
        return RecordingLimits::share(std::uint64_t(options_.record_limit_mb) * bytes_per_megabyte);
    }
    void tear_down(int exit_code);
    void on_idle(std::optional<std::uint64_t> next_timer_due);
    void wait_for_the_person(std::uint32_t timeout_ms);
    void catch_up_with_the_person();
    void quit(const std::string& why);
    void log(const std::string& text)
    {
        if (recorder_) recorder_->event(text);
    }
    // What the phone did by itself: the event log and the status panel.
    void phone_event(std::uint64_t time, const std::string& text)
    {
        log(text);
        history_.add(time, text);
        // The panel shows it at once, though the UI thread may be asleep.
        if (display_ && std::this_thread::get_id() != ui_thread_) display_->wake();
    }
    // An input the person or a script gave, kept in session.script.
    void took_input(const std::string& command)
    {
        if (session_) session_->input(platform::clock::now(), command);
    }
    platform::Result<void> open_session_script();
    void say_what_was_done(int exit_code, int frames, bool in_window);
    void note_script_finger(platform::user::PointerKind kind, int x, int y)
    {
        if (kind == platform::user::PointerKind::down) script_finger_start_ = std::pair {x, y};
        if (kind != platform::user::PointerKind::up || !script_finger_start_) return;
        history_.add(platform::clock::now(), finger_event_text(*script_finger_start_, {x, y}));
        script_finger_start_.reset();
    }
    void pointer(platform::user::PointerKind kind, int x, int y)
    {
        log(std::string("input ") + pointer_word(kind) + " " + std::to_string(x) + " " + std::to_string(y));
        platform::user::inject_pointer(kind, x, y);
    }

    static PhoneBootOptions boot_options(const Options& options, const Settings& settings)
    {
        PhoneBootOptions boot;
        boot.device_root = settings.device_root;
        boot.language = options.language;
        boot.time = settings.real_time ? platform::clock::Mode::real_time : platform::clock::Mode::virtual_time;
        return boot;
    }

    const Options& options_;
    Settings settings_;
    PhoneBoot boot_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<SessionScript> session_;
    std::unique_ptr<Display> display_;
    std::unique_ptr<Presenter> presenter_;
    std::unique_ptr<ScenarioRunner> runner_;
    std::unique_ptr<ConsoleSession> console_;
    std::unique_ptr<Monkey> monkey_;
    EventHistory history_;
    // A script's or the console's finger, told in the panel as the window's is.
    std::optional<std::pair<int, int>> script_finger_start_;
    std::thread::id ui_thread_;
    int phone_listener_ = 0;
    // A window's wait for the person in virtual time: how far the clock may
    // go, and whether the person did something meanwhile.
    struct PumpInVirtualTime {
        std::uint64_t until = 0;
        bool person_acted = false;
    };
    std::optional<PumpInVirtualTime> pump_;
    PersonClock person_clock_;
    bool updating_references_ = false;
    int capture_id_ = 0;
    bool audio_started_ = false;
    bool quit_posted_ = false;
};

platform::Result<void> Phone::set_up()
{
    // The phone comes up a stage at a time around the host's own parts: the
    // recording first, so it tells how the registry loaded.
    if (auto files = boot_.bring_up_to(PhoneBoot::Stage::files); !files) {
        return files.failure();
    }
    if (!options_.record.empty()) {
        auto recorder = Recorder::open(options_.record, options_.fps, recording_limits(),
            options_.record_frame_hashes ? FrameRecording::hashes : FrameRecording::pictures);
        if (!recorder) return recorder.failure();
        recorder_ = std::move(*recorder);
        capture_id_ = platform::debug_output::add_capture([this](std::string_view line) {
            if (recorder_) recorder_->event("trace " + std::string(line));
        });
        log("device root " + settings_.device_root.string());
        if (auto session = open_session_script(); !session) return session;
    }

    auto registry = boot_.bring_up_to(PhoneBoot::Stage::registry);
    if (!boot_.registry().note.empty()) log("registry: " + boot_.registry().note);
    if (!registry) return registry.failure();

    DisplayOptions display_options;
    display_options.scale = options_.scale;
    display_options.screenshot_folder = options_.record.empty() ? std::filesystem::path(".") : options_.record;
    display_options.pointer = [this](platform::user::PointerKind kind, int x, int y) {
        took_input(pointer_command(kind, x, y));
        pointer(kind, x, y);
    };
    display_options.report = [this](const std::string& text) {
        say(text);
        log(text);
    };
    display_options.before_input = [this] { catch_up_with_the_person(); };
    // A script gives its inputs one at a time; a replay of this run is one.
    display_options.one_input_per_pump = !settings_.real_time;
    display_options.key = [this](PhoneKey key) {
        // Read before the press: a toggle's command is the state it goes to.
        std::string command = phone_key_command(key);
        std::string done = press_phone_key(key);
        if (done.find(" ignored: ") == std::string::npos) took_input(command);
        log(done);
        history_.add(platform::clock::now(), done);
    };
    const DisplayBackend* backend = find_display_backend(settings_.display_backend);
    if (!backend) {
        std::string message =
            "there is no display called " + settings_.display_backend + " (VELMOR_DISPLAY); there are:";
        for (const auto& known : display_backends()) message += std::string(" ") + known.name;
        return platform::Failure {message};
    }
    auto display = backend->create(display_options);
    if (!display) {
        if (settings_.display_was_chosen) return display.failure();
        say(display.failure().text() + "; running headless");
        backend = find_display_backend("headless");
        display = backend->create(display_options);
        if (!display) return display.failure();
    }
    display_ = std::move(*display);
    log(std::string("display ") + backend->name);

    if (auto audio = start_audio(); !audio) return audio;
    // Time starts now, so opening a window does not eat into a script's waits.
    if (auto hardware = boot_.bring_up_to(PhoneBoot::Stage::hardware); !hardware) return hardware;
    listen_to_the_phone();

    presenter_ = std::make_unique<Presenter>(*display_, recorder_.get(), options_.fps, display_->interactive());
    presenter_->attach();
    ui_thread_ = std::this_thread::get_id();
    platform::user::set_idle_handler([this](std::optional<std::uint64_t> due) { on_idle(due); });
    if (display_->interactive() && settings_.real_time) {
        // An idle phone in a window sleeps until the person, a timer or
        // another thread has something for it.
        platform::user::set_idle_wait(platform::user::IdleWait {
            [this](std::uint32_t timeout_ms) { wait_for_the_person(timeout_ms); }, [this] { display_->wake(); }});
    }

    // A phone whose shell failed still runs the program.
    if (auto shell = boot_.bring_up_to(PhoneBoot::Stage::shell); !shell) {
        say(shell.failure().text() + "; the phone runs without them");
        log("shell failed to start");
    }
    return start_console();
}

platform::Result<void> Phone::open_session_script()
{
    std::string replay = "velmor --script session.script";
    if (options_.home) replay += " --home";
    if (options_.language != 0x0804) replay += " --lang 0x0409";
    if (options_.fps != 30) replay += " --fps " + std::to_string(options_.fps);
    std::string header = "The inputs of a run of velmor, each at its time (ms from the start of the run).\n"
                         "Replay: " +
        replay +
        ", on a phone that starts as this one did\n"
        "(a copy of its device root as it was, registry included).";
    auto session =
        SessionScript::open(options_.record / "session.script", header, recording_limits().session_script_bytes);
    if (!session) return session.failure();
    session_ = std::move(*session);
    return {};
}

// One line for a run nothing drove, so the person knows what happened and
// what to try next.
void Phone::say_what_was_done(int exit_code, int frames, bool in_window)
{
    std::string done = in_window ? "ran the phone in a window until " : "ran the phone headless until ";
    done += quit_posted_ ? (in_window ? "the window was closed" : "it was first idle")
                         : "the program ended with code " + std::to_string(exit_code);
    done += " (" + std::to_string(frames) + " frames";
    if (!options_.record.empty())
        done += ", recorded into " + options_.record.string() + "; --script " +
            (options_.record / "session.script").string() + " replays it";
    done += "); --script FILE or --console drive the phone";
    if (!in_window) done += ", --window lets you use it by hand";
    say(done + ", --help lists the rest");
}

platform::Result<void> Phone::start_audio()
{
    // A recording is of the whole run, its sound included, unless --audio
    // says where else the sound goes.
    std::string backend = options_.audio;
    if (backend.empty() && !options_.record.empty()) backend = "capture";
    if (backend.empty()) return {};
    platform::audio::BackendOptions audio_options;
    if (!options_.record.empty()) {
        audio_options.wav_file = options_.record / "sound.wav";
        audio_options.event_log_file = options_.record / "sounds.log";
        // A recording of an hour's wait holds a second of its silence, not an hour.
        audio_options.longest_silence_ms = longest_recorded_silence_ms;
        audio_options.wav_limit_bytes = recording_limits().sound_bytes;
        audio_options.event_log_limit_bytes = recording_limits().sound_log_bytes;
    }
    if (auto started = platform::audio::start_backend(backend, audio_options); !started) {
        return platform::Failure {"cannot start the " + backend + " sound: " + started.failure().text()};
    }
    audio_started_ = true;
    log("audio " + backend);
    return {};
}

void Phone::listen_to_the_phone()
{
    phone_listener_ = platform::phone_events::add_listener([this](const platform::phone_events::PhoneEvent& event) {
        phone_event(event.time, std::string(platform::phone_events::source_name(event.source)) + " " + event.text);
    });
}

ScenarioRunnerOptions Phone::runner_options()
{
    ScenarioRunnerOptions options;
    options.screenshot_folder = options_.record.empty() ? std::filesystem::path(".") : options_.record;
    options.updating_references = updating_references_;
    options.presented_screen = [this] { return presenter_->presented_screen(); };
    options.pointer = [this](platform::user::PointerKind kind, int x, int y) {
        pointer(kind, x, y);
        note_script_finger(kind, x, y);
    };
    options.took_input = [this](const ScenarioStep& step) {
        if (auto command = input_command(step)) took_input(*command);
    };
    options.report = [this](const std::string& text) { log(text); };
    options.complain = [this](const std::string& text) {
        say(text);
        log(text);
        history_.add(platform::clock::now(), text);
    };
    return options;
}

platform::Result<void> Phone::start_console()
{
    if (!options_.console) return {};
    auto opened =
        options_.console_port ? ConsoleInput::open_port(*options_.console_port) : ConsoleInput::open_standard_input();
    if (!opened) return opened.failure();
    std::unique_ptr<ConsoleInput> input = std::move(*opened);
    if (input->port() != 0) {
        // Said on standard error, so whoever started velmor with port 0 learns where to connect.
        say("console on 127.0.0.1:" + std::to_string(input->port()));
        log("console on 127.0.0.1:" + std::to_string(input->port()));
    } else {
        log("console on standard input");
    }
    ConsoleSessionOptions console_options;
    console_options.runner = runner_options();
    // The console's answers are its complaints; standard error would repeat them.
    console_options.runner.complain = [this](const std::string& text) {
        log(text);
        history_.add(platform::clock::now(), text);
    };
    input->set_arrival_hook([display = display_.get()] { display->wake(); });
    console_ = std::make_unique<ConsoleSession>(std::move(input), *display_, std::move(console_options));
    return {};
}

platform::Result<void> Phone::start_monkey()
{
    MonkeySettings settings;
    settings.seed = *options_.monkey_seed;
    settings.events = options_.monkey_events;
    settings.script = monkey_script_path(options_);
    if (options_.home) settings.replay_options += " --home";
    if (options_.language != 0x0804) settings.replay_options += " --lang 0x0409";
    if (options_.fps != 30) settings.replay_options += " --fps " + std::to_string(options_.fps);
    auto monkey = Monkey::start(std::move(settings), *display_, runner_options());
    if (!monkey) return monkey.failure();
    monkey_ = std::move(*monkey);
    return {};
}

void Phone::quit(const std::string& why)
{
    if (quit_posted_) return;
    quit_posted_ = true;
    log("quit: " + why);
    if (session_) session_->ends_at(platform::clock::now());
    PostQuitMessage(0);
}

void Phone::on_idle(std::optional<std::uint64_t> next_timer_due)
{
    platform::shell::read_shell_notifications();
    // The panel first, so a window shows it and the frame together, once.
    if (display_->interactive())
        display_->show_status(status_lines(collect_phone_status(history_), status_panel_columns));
    presenter_->present_pending();
    if (display_->interactive()) {
        std::uint64_t now = platform::clock::now();
        if (platform::clock::mode() == platform::clock::Mode::virtual_time) {
            // Nothing but the person moves time here: let it pass as theirs
            // does, never past what falls due on the way.
            std::uint64_t limit = std::numeric_limits<std::uint64_t>::max();
            if (next_timer_due) limit = std::min(limit, std::max(*next_timer_due, now));
            if (runner_ && !runner_->finished()) limit = std::min(limit, std::max(runner_->next_time(), now));
            if (auto console_time = console_ ? console_->next_time() : std::nullopt)
                limit = std::min(limit, std::max(*console_time, now));
            if (auto stop = platform::clock::next_stop()) limit = std::min(limit, *stop);
            // Behind the person's clock (the phone was busy), it catches up
            // at once; else it waits for the person's clock to move on.
            std::uint64_t wall = person_clock_.read(now);
            std::uint64_t until = std::min(limit, std::max(wall, now + window_idle_step_ms));
            // What falls due now goes first; the person's input waits in the
            // window's queue, as a replay's step at this time would wait.
            if (limit > now) {
                // Input comes before what falls due at the limit, so it is
                // stamped before it: a replayed step at the limit would come after.
                pump_ = PumpInVirtualTime {std::min(until, limit - 1), false};
                bool open = display_->pump_events(wall >= until ? 0 : int(until - wall));
                while (open && !pump_->person_acted) {
                    wall = person_clock_.read(platform::clock::now());
                    if (wall >= until) break;
                    open = display_->pump_events(int(until - wall));
                }
                // What the person did happened at its own moment, which the
                // phone takes before time moves on.
                bool acted = pump_->person_acted;
                pump_.reset();
                if (!acted) platform::clock::advance_to(until);
                if (!open) return quit("the window was closed");
            }
        } else if (!display_->pump_events(0)) {
            return quit("the window was closed");
        }
    }
    if (quit_posted_) return;
    if (runner_) {
        runner_->on_idle(next_timer_due);
        if (runner_->finished()) quit("the script has run");
    } else if (monkey_) {
        monkey_->on_idle(next_timer_due);
        if (monkey_->finished()) quit(monkey_->failure() ? "the monkey found a fault" : "the monkey has run");
    } else if (console_) {
        bool virtual_time = platform::clock::mode() == platform::clock::Mode::virtual_time;
        console_->on_idle(next_timer_due, virtual_time && !display_->interactive());
        if (console_->quit_reason()) quit(*console_->quit_reason());
    } else if (!display_->interactive()) {
        quit("the phone is idle and there is no script");
    }
}

// The real-time window's idle wait: for the person, the loop's own
// deadline (a timer), or a script or console step that falls due.
void Phone::wait_for_the_person(std::uint32_t timeout_ms)
{
    std::optional<std::uint64_t> until;
    std::uint64_t now = platform::clock::now();
    if (timeout_ms != INFINITE) until = now + timeout_ms;
    auto sooner = [&](std::uint64_t time) { until = until ? std::min(*until, time) : time; };
    if (runner_ && !runner_->finished()) sooner(runner_->next_time());
    if (auto console_time = console_ ? console_->next_time() : std::nullopt) sooner(*console_time);
    int wait_ms = -1;
    if (until) wait_ms = int(std::min<std::uint64_t>(*until > now ? *until - now : 0, 0x7FFFFFFF));
    display_->pump_events(wait_ms);
}

void Phone::catch_up_with_the_person()
{
    if (!pump_) return;
    platform::clock::advance_to(std::min(pump_->until, person_clock_.read(platform::clock::now())));
    pump_->person_acted = true;
}

void Phone::tear_down(int exit_code)
{
    platform::user::set_idle_wait({});
    platform::user::set_idle_handler({});
    if (presenter_) {
        presenter_->present_pending();
        presenter_->detach();
    }
    // What the shell and the program's windows report on their way down is
    // still logged.
    boot_.take_down();
    if (phone_listener_) platform::phone_events::remove_listener(phone_listener_);
    phone_listener_ = 0;
    if (audio_started_) platform::audio::stop_backend();
    platform::debug_output::flush();
    if (capture_id_) platform::debug_output::remove_capture(capture_id_);
    if (session_) {
        if (auto closed = session_->close(exit_code); !closed) say(closed.failure().text());
        session_.reset();
    }
    if (recorder_) {
        if (auto closed = recorder_->close(exit_code); !closed) say(closed.failure().text());
    }
    console_.reset();
    presenter_.reset();
    display_.reset();
}

int Phone::run(std::optional<Scenario> scenario, ProgramEntry program)
{
    if (auto ready = set_up(); !ready) {
        say(ready.failure().text());
        tear_down(exit_setup_failed);
        return exit_setup_failed;
    }
    if (scenario) runner_ = std::make_unique<ScenarioRunner>(std::move(*scenario), *display_, runner_options());
    if (options_.monkey_seed) {
        if (auto monkey = start_monkey(); !monkey) {
            say(monkey.failure().text());
            tear_down(exit_setup_failed);
            return exit_setup_failed;
        }
    }

    Launcher launcher(options_.home,
        LaunchHooks {[this](platform::user::PointerKind kind, int x, int y) { pointer(kind, x, y); },
            [this] { presenter_->present_pending(); }, [this](const std::string& text) { log(text); }});
    int exit_code = launcher.run(program);
    // Left to a person in a window, the phone goes back to its home screen when the program ends by itself.
    bool back_to_home = launcher.started_from_icon() && display_->interactive() && !runner_ && !console_ &&
        !quit_posted_ && options_.record.empty();

    if (console_) console_->program_ended(exit_code);
    if (monkey_) {
        monkey_->program_ended(exit_code);
        say("monkey: " + monkey_->summary());
        log("monkey: " + monkey_->summary());
    }
    int result = monkey_ ? monkey_->verdict(exit_code) : verdict(exit_code);
    int frames = presenter_->frames();
    bool left_to_itself = !runner_ && !console_ && !monkey_;
    bool in_window = display_->interactive();
    tear_down(exit_code);
    if (back_to_home) say(restart_at_home(exit_code).text());
    if (left_to_itself) say_what_was_done(exit_code, frames, in_window);
    return result;
}

// The run's exit code: the program's, unless a check failed, the script was
// cut short, or the code was not the one expected.
int Phone::verdict(int exit_code)
{
    std::optional<int> expected;
    int failures = 0;
    if (runner_) {
        expected = runner_->scenario().expected_exit;
        failures = runner_->failures();
    }
    if (console_) {
        expected = console_->expected_exit();
        failures = console_->failures();
    }
    int result = exit_code;
    if (expected) {
        if (exit_code != *expected) {
            std::string where = runner_ ? " (" + runner_->scenario().file.string() + ":" +
                    std::to_string(runner_->scenario().expected_exit_line) + ")"
                                        : "";
            say("the program ended with code " + std::to_string(exit_code) + ", expected " + std::to_string(*expected) +
                where);
            log("expect-exit failed: code " + std::to_string(exit_code) + ", expected " + std::to_string(*expected));
            return exit_check_failed;
        }
        log("expect-exit " + std::to_string(*expected) + " matches");
        result = 0;
    }
    // A program expected to end may leave the rest of the script unrun. One
    // that ended on the script's last step (an M key, say) left nothing.
    if (runner_ && !runner_->done() && !expected) {
        say("the program ended (code " + std::to_string(exit_code) + ") before " + runner_->scenario().file.string() +
            ":" + std::to_string(runner_->next_line()) + " had run");
        if (result == 0) result = exit_check_failed;
    }
    if (failures > 0 && result == 0) result = exit_check_failed;
    return result;
}

}  // namespace

int run_phone(const std::vector<std::string>& arguments, ProgramEntry program, const Environment& environment)
{
    auto options = parse_options(arguments);
    if (!options) {
        say(options.failure().text());
        return exit_bad_usage;
    }
    if (options->help) {
        std::fputs(usage_text().c_str(), stdout);
        return 0;
    }
    Settings settings = resolve_settings(*options, environment);
    bool updating_references = environment("VELMOR_UPDATE_REFERENCES") == "1";

    std::optional<Scenario> scenario;
    if (!options->script.empty()) {
        auto parsed = parse_scenario_file(options->script, ScenarioParseOptions {updating_references});
        if (!parsed) {
            std::fprintf(stderr, "%s\n", parsed.failure().text().c_str());
            say("the script has errors; the phone was not started");
            return exit_bad_usage;
        }
        scenario = std::move(*parsed);
    }
    std::error_code failure;
    if (settings.device_root_named && !options->create_device_root &&
        !std::filesystem::exists(settings.device_root, failure)) {
        // A mistyped path would otherwise become a whole new, empty phone.
        say("the device root " + settings.device_root.string() +
            " does not exist; give --create-device-root to make a new phone there");
        return exit_bad_usage;
    }
    if (options->check_determinism) {
        // This process only starts and compares the two runs. The registry
        // loaded for the program before main stays in memory, so nothing is
        // saved into the device root they copy.
        {
            auto& hive = platform::registry::active_hive();
            std::lock_guard lock(hive.mutex());
            hive.set_file({});
        }
        auto executable = std::filesystem::read_symlink("/proc/self/exe", failure);
        if (failure) {
            say("cannot find this program to run it twice: " + failure.message());
            return exit_setup_failed;
        }
        return check_determinism(executable, *options, settings.device_root);
    }
    Phone phone(*options, settings, updating_references);
    return phone.run(std::move(scenario), program);
}

}  // namespace platform::host
