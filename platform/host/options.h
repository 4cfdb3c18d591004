// The host's command line: how the simulated phone is set up for this run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/include/wintypes.h"
#include "platform/kernel/result.h"

namespace platform::host {

enum class DisplayChoice { automatic, headless, window };
enum class TimeChoice { automatic, real_time, virtual_time };

struct Options {
    DisplayChoice display = DisplayChoice::automatic;
    // The display backend by name (--display, or sdl for --window and
    // headless for --headless); empty when not given.
    std::string display_backend;
    int scale = 1;
    // Stay at the home screen until the program's icon is tapped.
    bool home = false;
    std::filesystem::path device_root;  // empty: from the environment or the build's default
    // A device root that does not exist may be made (a new phone); without
    // this a mistyped path is refused instead of quietly becoming one.
    bool create_device_root = false;
    TimeChoice time = TimeChoice::automatic;
    int fps = 30;
    LANGID language = 0x0804;
    std::filesystem::path script;
    std::filesystem::path record;
    int record_limit_mb = 1024;  // the most one recording writes
    // Frames kept as hashes in frames.txt rather than as PNGs and run.gif.
    bool record_frame_hashes = false;
    std::string audio;  // empty: capture with --record, else the null backend
    // Commands typed live: on standard input, or on 127.0.0.1:console_port
    // (0: any free port, announced on standard error).
    bool console = false;
    std::optional<int> console_port;
    // Run the script twice on copies of the device root and compare what
    // the two runs showed, played and logged.
    bool check_determinism = false;
    // Drive the program with random events from this seed (--monkey), this
    // many of them (--events).
    std::optional<std::uint64_t> monkey_seed;
    int monkey_events = 1000;
    bool help = false;
};

// Parses the arguments after the program name. A bad option fails with one
// line that starts with the option and says what is wrong.
platform::Result<Options> parse_options(const std::vector<std::string>& arguments);

// Reads one environment variable (empty when unset); tests pass their own.
using Environment = std::function<std::string(const char* name)>;
Environment process_environment();

// What "automatic" means here: a window when a display is there (DISPLAY or
// WAYLAND_DISPLAY set), headless otherwise; virtual time headless, real time
// in a window; the device root from VELMOR_DEVICE_ROOT, else the build's.
struct Settings {
    bool window = false;
    bool display_was_chosen = false;  // --headless, --window, --display or VELMOR_DISPLAY given
    // The display backend's name, checked against the table when the phone starts.
    std::string display_backend;
    bool real_time = false;
    std::filesystem::path device_root;
    // Named by --device-root or VELMOR_DEVICE_ROOT rather than the build's
    // default, so it must exist unless --create-device-root is given.
    bool device_root_named = false;
};
Settings resolve_settings(const Options& options, const Environment& environment);

// The folder the build lays out as the phone, used without --device-root
// and VELMOR_DEVICE_ROOT.
std::filesystem::path default_device_root();

std::string usage_text();

}  // namespace platform::host
