#include "platform/host/options.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <utility>

#include "platform/audio/audio_backend.h"
#include "platform/audio/audio_host.h"
#include "platform/host/display_backend.h"

#ifndef VELMOR_DEFAULT_DEVICE_ROOT
#define VELMOR_DEFAULT_DEVICE_ROOT "build/device"
#endif

namespace platform::host {
namespace {

std::optional<long> parse_number(std::string_view text, int base)
{
    if (base == 16 && (text.starts_with("0x") || text.starts_with("0X"))) text.remove_prefix(2);
    long value = 0;
    if (text.empty()) return std::nullopt;
    auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (failure != std::errc {} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The help's and the errors' words for the backends come from their tables,
// so a backend added there is offered here too.
using BackendRow = std::pair<std::string, std::string>;

std::vector<BackendRow> display_backend_rows()
{
    std::vector<BackendRow> rows;
    for (const auto& backend : display_backends()) rows.emplace_back(backend.name, backend.description);
    return rows;
}

std::vector<BackendRow> audio_backend_rows()
{
    std::vector<BackendRow> rows;
    for (const auto& backend : platform::audio::backends()) rows.emplace_back(backend.name, backend.description);
    return rows;
}

std::string joined_names(const std::vector<BackendRow>& rows, const std::string& between, const std::string& last)
{
    std::string names;
    for (std::size_t i = 0; i < rows.size(); ++i)
        names += (i == 0 ? "" : i + 1 == rows.size() ? last : between) + rows[i].first;
    return names;
}

std::string display_backend_names(const std::string& last) { return joined_names(display_backend_rows(), ", ", last); }
std::string audio_backend_names(const std::string& between, const std::string& last)
{
    return joined_names(audio_backend_rows(), between, last);
}

bool audio_backend_named(const std::string& name)
{
    for (const auto& row : audio_backend_rows())
        if (row.first == name) return true;
    return false;
}

std::string backend_lines(const std::vector<BackendRow>& rows)
{
    std::string lines;
    for (const auto& [name, description] : rows) {
        std::string line = "                          " + name;
        line.resize(std::max<std::size_t>(line.size() + 1, 36), ' ');
        lines += line + description + "\n";
    }
    return lines;
}

}  // namespace

Result<Options> parse_options(const std::vector<std::string>& arguments)
{
    Options options;
    // What value() or flag() refused, when they return false.
    std::optional<Failure> refused;
    auto refuse = [&](std::string text) {
        refused = Failure {std::move(text)};
        return false;
    };
    bool display_set = false, time_set = false, events_set = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> inline_value;
        if (auto equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
            inline_value = name.substr(equals + 1);
            name.resize(equals);
        }
        // Fetches the option's value, from "--x=value" or the next argument.
        auto value = [&](std::string& out) {
            if (inline_value) {
                out = *inline_value;
            } else if (i + 1 < arguments.size()) {
                out = arguments[++i];
            } else {
                return refuse(name + " needs a value (see --help)");
            }
            if (out.empty()) return refuse(name + " needs a value, not an empty one");
            return true;
        };
        auto flag = [&]() {
            if (inline_value) return refuse(name + " takes no value");
            return true;
        };
        std::string text;
        if (name == "--help" || name == "-h") {
            if (!flag()) return *refused;
            options.help = true;
        } else if (name == "--headless" || name == "--window" || name == "--display") {
            std::string backend = name == "--headless" ? "headless" : "sdl";
            if (name == "--display") {
                if (!value(backend)) return *refused;
                if (!find_display_backend(backend))
                    return Failure {"--display takes " + display_backend_names(" or ") + ", not \"" + backend + "\""};
            } else if (!flag()) {
                return *refused;
            }
            if (display_set && options.display_backend != backend)
                return Failure {"--headless, --window and --display exclude each other when they name two displays"};
            options.display_backend = backend;
            options.display = backend == "headless" ? DisplayChoice::headless : DisplayChoice::window;
            display_set = true;
        } else if (name == "--home") {
            if (!flag()) return *refused;
            options.home = true;
        } else if (name == "--real-time" || name == "--virtual-time") {
            if (!flag()) return *refused;
            auto choice = name == "--real-time" ? TimeChoice::real_time : TimeChoice::virtual_time;
            if (time_set && options.time != choice)
                return Failure {"--real-time and --virtual-time exclude each other"};
            options.time = choice;
            time_set = true;
        } else if (name == "--scale") {
            if (!value(text)) return *refused;
            auto number = parse_number(text, 10);
            if (!number || *number < 1 || *number > 8)
                return Failure {"--scale needs a whole number from 1 to 8, not \"" + text + "\""};
            options.scale = int(*number);
        } else if (name == "--fps") {
            if (!value(text)) return *refused;
            auto number = parse_number(text, 10);
            if (!number || *number < 1 || *number > 240)
                return Failure {"--fps needs a whole number from 1 to 240, not \"" + text + "\""};
            options.fps = int(*number);
        } else if (name == "--lang") {
            if (!value(text)) return *refused;
            auto number = parse_number(text, 16);
            if (!number || (*number != 0x0804 && *number != 0x0409))
                return Failure {"--lang takes 0x0804 (Simplified Chinese) or 0x0409 (English), not \"" + text + "\""};
            options.language = static_cast<LANGID>(*number);
        } else if (name == "--device-root") {
            if (!value(text)) return *refused;
            options.device_root = text;
        } else if (name == "--create-device-root") {
            if (!flag()) return *refused;
            options.create_device_root = true;
        } else if (name == "--check-determinism") {
            if (!flag()) return *refused;
            options.check_determinism = true;
        } else if (name == "--script") {
            if (!value(text)) return *refused;
            options.script = text;
        } else if (name == "--record") {
            if (!value(text)) return *refused;
            options.record = text;
        } else if (name == "--record-limit") {
            if (!value(text)) return *refused;
            auto number = parse_number(text, 10);
            if (!number || *number < 1 || *number > 1'048'576)
                return Failure {"--record-limit needs a size in MB from 1 to 1048576, not \"" + text + "\""};
            options.record_limit_mb = int(*number);
        } else if (name == "--record-frames") {
            if (!value(text)) return *refused;
            if (text != "pictures" && text != "hashes")
                return Failure {"--record-frames takes pictures or hashes, not \"" + text + "\""};
            options.record_frame_hashes = text == "hashes";
        } else if (name == "--audio") {
            if (!value(text)) return *refused;
            if (!audio_backend_named(text))
                return Failure {"--audio takes " + audio_backend_names(", ", " or ") + ", not \"" + text + "\""};
            options.audio = text;
        } else if (name == "--console") {
            if (!flag()) return *refused;
            options.console = true;
        } else if (name == "--console-port") {
            if (!value(text)) return *refused;
            auto number = parse_number(text, 10);
            if (!number || *number < 0 || *number > 65535)
                return Failure {"--console-port needs a port number from 0 to 65535, not \"" + text + "\""};
            options.console_port = int(*number);
            options.console = true;
        } else if (name == "--monkey") {
            if (!value(text)) return *refused;
            std::uint64_t seed = 0;
            auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), seed);
            if (failure != std::errc {} || end != text.data() + text.size()) {
                return Failure {
                    "--monkey needs a seed, a whole number from 0 to 18446744073709551615, not \"" + text + "\""};
            }
            options.monkey_seed = seed;
        } else if (name == "--events") {
            if (!value(text)) return *refused;
            auto number = parse_number(text, 10);
            if (!number || *number < 1 || *number > 10'000'000)
                return Failure {"--events needs a whole number from 1 to 10000000, not \"" + text + "\""};
            options.monkey_events = int(*number);
            events_set = true;
        } else {
            return Failure {
                (name.starts_with("-") ? "unknown option " : "unexpected argument ") + name + " (see --help)"};
        }
    }
    if (options.audio == "capture" && options.record.empty())
        return Failure {"--audio capture writes into the --record folder; give --record DIR as well"};
    if (options.console && !options.script.empty())
        return Failure {"--console and --script exclude each other: type the script's commands on the console instead"};
    if (options.monkey_seed) {
        const char* conflict = nullptr;
        if (!options.script.empty() || options.console || options.check_determinism)
            conflict = "--monkey makes up its own events; leave out --script, --console and --check-determinism";
        else if (options.display == DisplayChoice::window)
            conflict = "--monkey runs headless; leave out --window";
        else if (options.time == TimeChoice::real_time)
            conflict = "--monkey runs in virtual time, so that a seed gives the same run every time";
        if (conflict) return Failure {conflict};
        // Headless in virtual time whatever the environment says.
        options.display = DisplayChoice::headless;
        options.time = TimeChoice::virtual_time;
    } else if (events_set) {
        return Failure {"--events counts the monkey's events; give --monkey SEED as well"};
    }
    if (options.check_determinism) {
        const char* conflict = nullptr;
        if (options.script.empty())
            conflict = "--check-determinism runs a script twice; give --script FILE as well";
        else if (options.display == DisplayChoice::window)
            conflict = "--check-determinism runs headless; leave out --window";
        else if (options.time == TimeChoice::real_time)
            conflict = "--check-determinism needs virtual time: the wall clock differs from run to run";
        else if (!options.audio.empty() && options.audio != "capture")
            conflict = "--check-determinism compares the captured sound; leave out --audio or give --audio capture";
        if (conflict) return Failure {conflict};
    }
    return options;
}

Environment process_environment()
{
    return [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
}

std::filesystem::path default_device_root() { return VELMOR_DEFAULT_DEVICE_ROOT; }

Settings resolve_settings(const Options& options, const Environment& environment)
{
    Settings settings;
    settings.display_was_chosen = options.display != DisplayChoice::automatic;
    settings.display_backend = options.display_backend;
    if (options.display == DisplayChoice::automatic) {
        if (auto named = environment("VELMOR_DISPLAY"); !named.empty()) {
            settings.display_backend = named;
            settings.display_was_chosen = true;
        } else {
            bool screen = !environment("DISPLAY").empty() || !environment("WAYLAND_DISPLAY").empty();
            settings.display_backend = screen ? "sdl" : "headless";
        }
    } else if (settings.display_backend.empty()) {
        settings.display_backend = options.display == DisplayChoice::window ? "sdl" : "headless";
    }
    settings.window = settings.display_backend != "headless";
    if (options.time == TimeChoice::automatic)
        settings.real_time = settings.window;
    else
        settings.real_time = options.time == TimeChoice::real_time;
    settings.device_root_named = true;
    if (!options.device_root.empty())
        settings.device_root = options.device_root;
    else if (auto from_environment = environment("VELMOR_DEVICE_ROOT"); !from_environment.empty())
        settings.device_root = from_environment;
    else {
        settings.device_root = default_device_root();
        settings.device_root_named = false;
    }
    return settings;
}

std::string usage_text()
{
    return "Usage: velmor [options]\n"
           "Runs the phone: sets it up from a device root and starts the program.\n"
           "\n"
           "  --headless            keep the screen in memory (the default without DISPLAY or WAYLAND_DISPLAY)\n"
           "  --window              show the phone in a window; the mouse is the finger, F12 saves a screenshot,\n"
           "                        closing the window ends the program as if it had quit with code 0\n"
           "  --display NAME        the display by its name (default: $VELMOR_DISPLAY, else as above):\n" +
        backend_lines(display_backend_rows()) +
        "  --scale N             window pixels per phone pixel, 1 to 8 (default 1); a window the screen cannot\n"
        "                        hold is shown at the largest scale it can (a fraction, if need be), and said\n"
        "  --home                stay at the home screen until the program's icon (the shaver, first on the\n"
        "                        home screen) is tapped; without it the phone taps the icon itself. In a window\n"
        "                        without --script, --console or --record the home screen comes back when the\n"
        "                        program ends (velmor starts itself anew with --home), and a tap starts it again\n"
        "  --device-root DIR     the host folder that stands for the phone's \"\\\" (default: $VELMOR_DEVICE_ROOT,\n"
        "                        else " +
        default_device_root().string() +
        "); missing standard folders are created.\n"
        "                        A DIR that does not exist is refused unless --create-device-root is given\n"
        "                        (the build's default is always made)\n"
        "  --create-device-root  make the device root when it does not exist: a new, empty phone\n"
        "  --real-time           the phone's clock is the wall clock (the default in a window)\n"
        "  --virtual-time        time moves only when the phone waits (the default headless)\n"
        "  --fps N               frame rate of full-screen animations (default 30): in real time the next\n"
        "                        frame waits for its period; in virtual time each frame drawn back to back\n"
        "                        after another moves the clock on by the period\n"
        "  --lang 0x0804|0x0409  the phone's language (default 0x0804, Simplified Chinese)\n"
        "  --audio " +
        audio_backend_names("|", "|") + "  where sound goes (default: capture with --record, else null; capture\n" +
        "                        writes sound.wav and sounds.log into the --record folder):\n" +
        backend_lines(audio_backend_rows()) +
        "  --script FILE         run a scenario (see below)\n"
        "  --console             read the scenario's commands from standard input as they are typed; each is\n"
        "                        answered on standard output with OK or KO: reason once the phone has taken\n"
        "                        it. quit (or the end of the input) ends the program\n"
        "  --console-port N      the same on a TCP port of 127.0.0.1, one client at a time (0: a free port,\n"
        "                        announced on standard error)\n"
        "  --record DIR          write every presented frame as PNG (frame-NUMBER-TIMEms.png), run.gif\n"
        "                        (paced as the run was) and events.log into DIR; with capture sound,\n"
        "                        sound.wav (silences over a second shortened; sounds.log says where) and\n"
        "                        sounds.log; and session.script, every input the run took (taps, drags,\n"
        "                        keys) at its time, which --script replays\n"
        "  --record-frames pictures|hashes  how --record keeps the frames: as PNGs and run.gif (the default),\n"
        "                        or as one hash a frame in frames.txt (what comparing two runs needs)\n"
        "  --record-limit MB     the most one recording writes (default 1024): sound.wav up to a quarter,\n"
        "                        the logs up to a sixteenth and a sixty-fourth, frames and run.gif the rest.\n"
        "                        Reaching a share is said on standard error and in the log; the run goes\n"
        "                        on without that part\n"
        "  --check-determinism   run --script twice, headless in virtual time, each on a fresh copy of the\n"
        "                        device root, and compare the frames, the captured sound and events.log;\n"
        "                        a difference names the first frame, sample or line that differs (exit 1).\n"
        "                        With --record DIR the two runs are kept in DIR/first and DIR/second\n"
        "  --monkey SEED         drive the program with random taps, drags, keys, sensors and broadcasts made\n"
        "                        from SEED, headless in virtual time, checking after each event that the\n"
        "                        program answers and that its windows, GDI objects, handles and memory stay\n"
        "                        flat. The events are written as a scenario (DIR/monkey.script with --record\n"
        "                        DIR, else monkey-SEED.script) that --script replays; a failure says why and\n"
        "                        where the scenario is (exit 1)\n"
        "  --events N            how many events the monkey makes (default 1000)\n"
        "  --help                show this text\n"
        "\n"
        "Scenario: one command a line, '#' starts a comment, times in milliseconds, points in screen pixels:\n"
        "  wait MS | tap X Y | press X Y | move X Y | release X Y | doubletap X Y | quit\n"
        "  shake [MS]                      shake the phone for MS (default 1000)\n"
        "  tilt X Y Z                      hold the phone so the accelerometer reads X Y Z (64 = 1 g)\n"
        "  near on|off                     something comes near the proximity sensor, or goes\n"
        "  call begin|end, sms begin|end   a call rings or ends, an SMS arrives or is read\n"
        "  usb disk|off                    the phone enters or leaves USB-disk mode\n"
        "  mkey, power [short|long]        press the M key or the power key\n"
        "  expect-sound NAME playing|stopped  check a sound by its name or last part (switch.wav)\n"
        "  expect-exit CODE                the program must end with CODE (then the run passes)\n"
        "  screenshot FILE                 what the display shows, as PNG (relative to --record DIR, else the\n"
        "                                  current folder; in a window, the window's phone area)\n"
        "  expect-screen FILE [TOLERANCE]  compare the screen with a PNG beside the script, each channel within\n"
        "                                  TOLERANCE (default 0); on failure FILE.actual.png and FILE.diff.png\n"
        "                                  are written beside it. VELMOR_UPDATE_REFERENCES=1 (re)writes FILE.\n"
        "A tap is a press and a release 50 ms apart; a double tap two taps 50 ms apart. Commands run when the\n"
        "phone is idle at their time; in virtual time a wait stops at every timer, sound end and minute on\n"
        "its way, and the phone draws and shows what came due before the next command looks; screenshot and\n"
        "expect-screen see the frame last shown. When the script has run (or at quit) the program is asked\n"
        "to quit with code 0. Without a script, a headless run ends as soon as the phone is first idle (everything "
        "drawn);\n"
        "a window stays until it is closed. On the console in virtual time, time stands still between\n"
        "commands: only wait MS lets it (and the program's timers) run.\n"
        "\n"
        "Window keys: Home or Esc the M key, S shake, N near/far, C call begin/end, M SMS begin/end,\n"
        "U USB-disk mode on/off, P power (Shift+P held), F12 screenshot of the screen (Shift+F12 of the window).\n"
        "\n"
        "Exit status: the program's (0 when it matched expect-exit), 1 if a check failed or the program's\n"
        "code was not the expected one, 2 for a bad option or script, 3 when the phone cannot be set up.\n";
}

}  // namespace platform::host
