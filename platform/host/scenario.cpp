// The scenario language. Commands live in one table; the device commands of
// the phone's sensors and shell are known but refused until the platform has
// the drivers they talk to.

#include "platform/host/scenario.h"

#include <charconv>
#include <fstream>
#include <sstream>

#include "platform/gdi/screen.h"

namespace platform::host {
namespace {

// The longest wait a script may ask for (a day), so a typo cannot make a
// time stamp overflow.
constexpr long long longest_wait_ms = 24LL * 60 * 60 * 1000;
// How long a finger stays down in a tap, and the pause between the taps of a
// double tap.
constexpr std::uint64_t tap_hold_ms = 50;

struct Parser {
    const std::filesystem::path& file;
    const ScenarioParseOptions& options;
    std::vector<std::string>& errors;
    Scenario scenario;
    std::uint64_t time = 0;
    int line = 0;
    std::string command;

    void error(const std::string& text)
    {
        errors.push_back(file.string() + ":" + std::to_string(line) + ": " + command + ": " + text);
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
    Handler handler;  // null: known but not available in this build
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
    // The phone's sensors, calls, keys and sound come with their drivers.
    {"shake", 0, 1, "[MS]", nullptr},
    {"tilt", 3, 3, "X Y Z", nullptr},
    {"near", 1, 1, "on|off", nullptr},
    {"call", 1, 1, "begin|end", nullptr},
    {"sms", 1, 1, "begin|end", nullptr},
    {"usb", 1, 1, "disk|off", nullptr},
    {"mkey", 0, 0, "", nullptr},
    {"power", 0, 0, "", nullptr},
    {"expect-sound", 2, 2, "NAME playing|stopped", nullptr},
    {"expect-exit", 1, 1, "CODE", nullptr},
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

std::optional<Scenario> parse_scenario_text(std::string_view text, const std::filesystem::path& file,
    const ScenarioParseOptions& options, std::vector<std::string>* errors)
{
    std::vector<std::string> found;
    Parser parser {file, options, found, {}, 0, 0, {}};
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
        } else if (!info->handler) {
            parser.error("not available yet: this build of the phone has no driver for it");
        } else {
            info->handler(parser, words);
        }
        if (end == text.size()) break;
    }
    parser.scenario.end_time = parser.time;
    if (!found.empty()) {
        if (errors) *errors = std::move(found);
        return std::nullopt;
    }
    return std::move(parser.scenario);
}

std::optional<Scenario> parse_scenario_file(
    const std::filesystem::path& file, const ScenarioParseOptions& options, std::vector<std::string>* errors)
{
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        if (errors) *errors = {file.string() + ": cannot read the script"};
        return std::nullopt;
    }
    std::ostringstream text;
    text << stream.rdbuf();
    std::string content = text.str();
    // Scripts written on Windows end their lines with CR LF.
    std::erase(content, '\r');
    return parse_scenario_text(content, file, options, errors);
}

}  // namespace platform::host
