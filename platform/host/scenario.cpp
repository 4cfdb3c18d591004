// The scenario language. Commands live in one table, shared by scripts and
// the console; each becomes timed steps the runner plays into the phone.

#include "platform/host/scenario.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

#include "platform/devices/device_host.h"
#include "platform/gdi/screen.h"
#include "platform/host/printable_text.h"

namespace platform::host {
namespace {

// The longest wait a script may ask for (a day), so a typo cannot make a
// time stamp overflow.
constexpr long long longest_wait_ms = 24LL * 60 * 60 * 1000;
// The longest shake a script may ask for (a minute); the sensor's bursts are
// a second or two.
constexpr long long longest_shake_ms = 60 * 1000;
// A script is a page or two; anything near this size is not one.
constexpr std::size_t longest_script_bytes = 1u << 20;
// How long a finger stays down in a tap, and the pause between the taps of a
// double tap.
constexpr std::uint64_t tap_hold_ms = 50;

struct Parser {
    const std::filesystem::path& file;
    const ScenarioParseOptions& options;
    std::vector<Failure> faults;
    Scenario scenario;
    std::uint64_t time = 0;
    int line = 0;
    std::string command;

    // The words quoted in text and the command came from the script, so
    // they are made printable with the rest.
    void error(const std::string& text)
    {
        faults.push_back(failure_at(
            printable_text(file.string() + ":" + std::to_string(line)), printable_text(command + ": " + text)));
    }

    std::optional<long long> number(const std::string& word, const char* what)
    {
        long long value = 0;
        auto [end, failure] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (failure != std::errc {} || end != word.data() + word.size()) {
            error(std::string(what) + " must be a whole number, not \"" + word + "\"");
            return std::nullopt;
        }
        return value;
    }

    bool point(const std::vector<std::string>& words, int& x, int& y)
    {
        auto px = number(words[1], "X");
        auto py = number(words[2], "Y");
        if (!px || !py) return false;
        if (*px < 0 || *px >= platform::gdi::Screen::width || *py < 0 || *py >= platform::gdi::Screen::height) {
            error("the point (" + words[1] + ", " + words[2] + ") is outside the screen (0-" +
                std::to_string(platform::gdi::Screen::width - 1) + ", 0-" +
                std::to_string(platform::gdi::Screen::height - 1) + ")");
            return false;
        }
        x = int(*px);
        y = int(*py);
        return true;
    }

    ScenarioStep step(ScenarioStep::Kind kind)
    {
        ScenarioStep result;
        result.kind = kind;
        result.time = time;
        result.line = line;
        result.command = command;
        return result;
    }

    void add_pointer(platform::user::PointerKind kind, int x, int y)
    {
        auto added = step(ScenarioStep::Kind::pointer);
        added.pointer = kind;
        added.x = x;
        added.y = y;
        scenario.steps.push_back(added);
    }

    void tap(int x, int y)
    {
        add_pointer(platform::user::PointerKind::down, x, y);
        time += tap_hold_ms;
        add_pointer(platform::user::PointerKind::up, x, y);
    }
};

using Handler = void (*)(Parser&, const std::vector<std::string>&);

struct CommandInfo {
    const char* name;
    int min_arguments;
    int max_arguments;
    const char* arguments;  // for messages
    Handler handler;
};

void wait_command(Parser& parser, const std::vector<std::string>& words)
{
    auto ms = parser.number(words[1], "MS");
    if (!ms) return;
    if (*ms < 0 || *ms > longest_wait_ms) {
        parser.error("MS must be from 0 to " + std::to_string(longest_wait_ms) + ", not " + words[1]);
        return;
    }
    parser.time += std::uint64_t(*ms);
    if (*ms > 0) parser.scenario.end_line = parser.line;
}

template <platform::user::PointerKind kind> void pointer_command(Parser& parser, const std::vector<std::string>& words)
{
    int x, y;
    if (parser.point(words, x, y)) parser.add_pointer(kind, x, y);
}

void tap_command(Parser& parser, const std::vector<std::string>& words)
{
    int x, y;
    if (parser.point(words, x, y)) parser.tap(x, y);
}

void doubletap_command(Parser& parser, const std::vector<std::string>& words)
{
    int x, y;
    if (!parser.point(words, x, y)) return;
    parser.tap(x, y);
    parser.time += tap_hold_ms;
    parser.tap(x, y);
}

void screenshot_command(Parser& parser, const std::vector<std::string>& words)
{
    auto step = parser.step(ScenarioStep::Kind::screenshot);
    step.file = words[1];
    parser.scenario.steps.push_back(step);
}

void expect_screen_command(Parser& parser, const std::vector<std::string>& words)
{
    auto step = parser.step(ScenarioStep::Kind::expect_screen);
    std::filesystem::path reference = words[1];
    if (reference.is_relative()) reference = parser.file.parent_path() / reference;
    step.file = reference;
    if (words.size() > 2) {
        auto tolerance = parser.number(words[2], "TOLERANCE");
        if (!tolerance) return;
        if (*tolerance < 0 || *tolerance > 255) {
            parser.error("TOLERANCE must be from 0 to 255, not " + words[2]);
            return;
        }
        step.tolerance = int(*tolerance);
    }
    if (!parser.options.updating_references && !std::filesystem::is_regular_file(reference)) {
        parser.error("the reference " + reference.string() +
            " does not exist (run with VELMOR_UPDATE_REFERENCES=1 to create it)");
        return;
    }
    parser.scenario.steps.push_back(step);
}

void quit_command(Parser& parser, const std::vector<std::string>&)
{
    parser.scenario.steps.push_back(parser.step(ScenarioStep::Kind::quit));
}

void shake_command(Parser& parser, const std::vector<std::string>& words)
{
    auto step = parser.step(ScenarioStep::Kind::shake);
    step.duration_ms = platform::devices::default_shake_ms;
    if (words.size() > 1) {
        auto ms = parser.number(words[1], "MS");
        if (!ms) return;
        if (*ms < 1 || *ms > longest_shake_ms) {
            parser.error("MS must be from 1 to " + std::to_string(longest_shake_ms) + ", not " + words[1]);
            return;
        }
        step.duration_ms = std::uint32_t(*ms);
    }
    parser.scenario.steps.push_back(step);
}

void tilt_command(Parser& parser, const std::vector<std::string>& words)
{
    // The sensor reads signed bytes: 64 is 1 g.
    int axes[3];
    const char* names[3] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
        auto value = parser.number(words[i + 1], names[i]);
        if (!value) return;
        if (*value < -128 || *value > 127) {
            parser.error(std::string(names[i]) + " must be from -128 to 127 (64 is 1 g), not " + words[i + 1]);
            return;
        }
        axes[i] = int(*value);
    }
    auto step = parser.step(ScenarioStep::Kind::tilt);
    step.x = axes[0];
    step.y = axes[1];
    step.z = axes[2];
    parser.scenario.steps.push_back(step);
}

// The two words of a command that switches something: "near on|off".
struct SwitchWords {
    ScenarioStep::Kind kind;
    const char* on;
    const char* off;
};
constexpr SwitchWords switch_words[] = {
    {ScenarioStep::Kind::near, "on", "off"},
    {ScenarioStep::Kind::call, "begin", "end"},
    {ScenarioStep::Kind::sms, "begin", "end"},
    {ScenarioStep::Kind::usb, "disk", "off"},
};

template <ScenarioStep::Kind switched> void switch_command(Parser& parser, const std::vector<std::string>& words)
{
    for (const auto& choice : switch_words) {
        if (choice.kind != switched) continue;
        if (words[1] != choice.on && words[1] != choice.off) {
            parser.error(std::string("expects ") + choice.on + " or " + choice.off + ", not \"" + words[1] + "\"");
            return;
        }
        auto step = parser.step(switched);
        step.on = words[1] == choice.on;
        parser.scenario.steps.push_back(step);
    }
}

void mkey_command(Parser& parser, const std::vector<std::string>&)
{
    parser.scenario.steps.push_back(parser.step(ScenarioStep::Kind::mkey));
}

void power_command(Parser& parser, const std::vector<std::string>& words)
{
    auto step = parser.step(ScenarioStep::Kind::power);
    if (words.size() > 1) {
        if (words[1] != "short" && words[1] != "long") {
            parser.error("expects short or long, not \"" + words[1] + "\"");
            return;
        }
        step.on = words[1] == "long";
    }
    parser.scenario.steps.push_back(step);
}

void expect_sound_command(Parser& parser, const std::vector<std::string>& words)
{
    if (words[2] != "playing" && words[2] != "stopped") {
        parser.error("expects playing or stopped after the name, not \"" + words[2] + "\"");
        return;
    }
    auto step = parser.step(ScenarioStep::Kind::expect_sound);
    step.name = words[1];
    step.on = words[2] == "playing";
    parser.scenario.steps.push_back(step);
}

void expect_exit_command(Parser& parser, const std::vector<std::string>& words)
{
    auto code = parser.number(words[1], "CODE");
    if (!code) return;
    if (*code < 0 || *code > 255) {
        parser.error("CODE must be from 0 to 255, not " + words[1]);
        return;
    }
    if (parser.scenario.expected_exit) {
        parser.error("the exit code is already expected on line " + std::to_string(parser.scenario.expected_exit_line));
        return;
    }
    parser.scenario.expected_exit = int(*code);
    parser.scenario.expected_exit_line = parser.line;
}

const CommandInfo commands[] = {
    {"wait", 1, 1, "MS", wait_command},
    {"tap", 2, 2, "X Y", tap_command},
    {"press", 2, 2, "X Y", pointer_command<platform::user::PointerKind::down>},
    {"move", 2, 2, "X Y", pointer_command<platform::user::PointerKind::move>},
    {"release", 2, 2, "X Y", pointer_command<platform::user::PointerKind::up>},
    {"doubletap", 2, 2, "X Y", doubletap_command},
    {"screenshot", 1, 1, "FILE", screenshot_command},
    {"expect-screen", 1, 2, "FILE [TOLERANCE]", expect_screen_command},
    {"quit", 0, 0, "", quit_command},
    {"shake", 0, 1, "[MS]", shake_command},
    {"tilt", 3, 3, "X Y Z", tilt_command},
    {"near", 1, 1, "on|off", switch_command<ScenarioStep::Kind::near>},
    {"call", 1, 1, "begin|end", switch_command<ScenarioStep::Kind::call>},
    {"sms", 1, 1, "begin|end", switch_command<ScenarioStep::Kind::sms>},
    {"usb", 1, 1, "disk|off", switch_command<ScenarioStep::Kind::usb>},
    {"mkey", 0, 0, "", mkey_command},
    {"power", 0, 1, "[short|long]", power_command},
    {"expect-sound", 2, 2, "NAME playing|stopped", expect_sound_command},
    {"expect-exit", 1, 1, "CODE", expect_exit_command},
};

std::vector<std::string> split_words(std::string_view text)
{
    std::vector<std::string> words;
    std::istringstream stream {std::string(text)};
    std::string word;
    while (stream >> word) words.push_back(word);
    return words;
}

}  // namespace

Result<Scenario> parse_scenario_text(
    std::string_view text, const std::filesystem::path& file, const ScenarioParseOptions& options)
{
    Parser parser {file, options, {}, {}, 0, 0, {}};
    parser.scenario.file = file;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++parser.line;
        if (auto comment = line.find('#'); comment != std::string_view::npos) line = line.substr(0, comment);
        auto words = split_words(line);
        if (words.empty()) {
            if (end == text.size()) break;
            continue;
        }
        parser.command = words[0];
        const CommandInfo* info = nullptr;
        for (const auto& candidate : commands)
            if (words[0] == candidate.name) info = &candidate;
        if (!info) {
            parser.error("unknown command");
        } else if (int count = int(words.size()) - 1; count < info->min_arguments || count > info->max_arguments) {
            parser.error(std::string("expects ") + (info->max_arguments == 0 ? "no arguments" : info->arguments) +
                ", got " + std::to_string(count) + (count == 1 ? " argument" : " arguments"));
        } else {
            info->handler(parser, words);
        }
        if (end == text.size()) break;
    }
    parser.scenario.end_time = parser.time;
    if (!parser.faults.empty()) {
        // All of them at once, so a script is mended in one go.
        Failure all = parser.faults.front();
        for (std::size_t i = 1; i < parser.faults.size(); ++i) all.message += "\n" + parser.faults[i].text();
        return all;
    }
    return std::move(parser.scenario);
}

Result<Scenario> parse_scenario_file(const std::filesystem::path& file, const ScenarioParseOptions& options)
{
    auto refuse = [&](const std::string& why) {
        return failure_at(printable_text(file.string()), printable_text(why));
    };
    // Only a regular file is a script: a folder reads as empty and would
    // pass, a device such as /dev/zero never ends.
    std::error_code code;
    auto status = std::filesystem::status(file, code);
    if (code || !std::filesystem::exists(status))
        return refuse("cannot read the script: " + (code ? code.message() : std::string("no such file")));
    if (std::filesystem::is_directory(status)) return refuse("is a folder, not a script");
    if (!std::filesystem::is_regular_file(status)) return refuse("is not a regular file, so it cannot be a script");

    std::ifstream stream(file, std::ios::binary);
    if (!stream) return refuse("cannot read the script");
    // Read in pieces up to one byte past the limit, so a file that grows
    // meanwhile is still caught without being read to its end, and a short
    // script does not pay for the longest one's buffer.
    std::string content;
    char piece[64 * 1024];
    while (content.size() <= longest_script_bytes && stream) {
        auto wanted = std::min(sizeof piece, longest_script_bytes + 1 - content.size());
        stream.read(piece, std::streamsize(wanted));
        content.append(piece, std::size_t(stream.gcount()));
    }
    if (stream.bad()) return refuse("cannot read the script");
    if (content.size() > longest_script_bytes)
        return refuse("the script is larger than " + std::to_string(longest_script_bytes >> 20) + " MB");
    // Scripts written on Windows end their lines with CR LF.
    std::erase(content, '\r');
    return parse_scenario_text(content, file, options);
}

}  // namespace platform::host
