#include "platform/audio/audio_host.h"
#include "platform/host/display_backend.h"
#include "platform/host/options.h"

#include <gtest/gtest.h>

#include <map>

using namespace platform::host;

namespace {

platform::Result<Options> parse(std::vector<std::string> arguments) { return parse_options(arguments); }

// The line a refused command line is answered with; "(accepted)" when it is not refused.
std::string refusal(std::vector<std::string> arguments)
{
    auto options = parse_options(arguments);
    return options ? "(accepted)" : options.failure().text();
}

Environment environment(std::map<std::string, std::string> values)
{
    return [values](const char* name) {
        auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    };
}

}  // namespace

TEST(HostOptions, ReadsEveryOptionInBothForms)
{
    auto options = parse({"--window", "--scale", "3", "--device-root=/tmp/phone", "--virtual-time", "--fps=60",
        "--lang", "0x0409", "--script", "s.txt", "--record", "out", "--audio", "null", "--record-limit", "50"});
    ASSERT_TRUE(options) << options.failure().text();
    EXPECT_EQ(options->display, DisplayChoice::window);
    EXPECT_EQ(options->scale, 3);
    EXPECT_EQ(options->device_root, "/tmp/phone");
    EXPECT_EQ(options->time, TimeChoice::virtual_time);
    EXPECT_EQ(options->fps, 60);
    EXPECT_EQ(options->language, 0x0409);
    EXPECT_EQ(options->script, "s.txt");
    EXPECT_EQ(options->record, "out");
    EXPECT_EQ(options->audio, "null");
    EXPECT_EQ(options->record_limit_mb, 50);
    EXPECT_EQ(parse({})->record_limit_mb, 1024);
    EXPECT_TRUE(parse({"--help"})->help);
}

TEST(HostOptions, NamesWhatIsWrong)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* named;
    };
    const Case cases[] = {
        {{"--scale", "0"}, "--scale needs a whole number from 1 to 8, not \"0\""},
        {{"--scale", "2x"}, "not \"2x\""},
        {{"--fps", "1000"}, "--fps"},
        {{"--lang", "0x0407"}, "--lang takes 0x0804"},
        {{"--script"}, "--script needs a value"},
        {{"--record="}, "--record needs a value"},
        {{"--headless", "--window"}, "exclude each other"},
        {{"--real-time", "--virtual-time"}, "exclude each other"},
        {{"--headless=yes"}, "--headless takes no value"},
        {{"--colour"}, "unknown option --colour"},
        {{"stray"}, "unexpected argument stray"},
        {{"--audio", "loud"}, "--audio takes null, capture or sdl"},
        {{"--record-limit", "0"}, "--record-limit needs a size in MB from 1 to 1048576, not \"0\""},
        {{"--audio", "capture"}, "give --record DIR"},
        {{"--console-port", "65536"}, "--console-port needs a port number from 0 to 65535"},
        {{"--console-port", "-1"}, "not \"-1\""},
        {{"--console", "--script", "s.txt"}, "--console and --script exclude each other"},
        {{"--console-port", "0", "--script", "s.txt"}, "exclude each other"},
    };
    for (const auto& c : cases) {
        std::string refused = refusal(c.arguments);
        EXPECT_NE(refused.find(c.named), std::string::npos) << refused;
    }
    // The line starts with the option, as it was typed, so it needs no other place.
    EXPECT_EQ(refusal({"--fps", "0"}), "--fps needs a whole number from 1 to 240, not \"0\"");
    EXPECT_EQ(refusal({"--bogus"}), "unknown option --bogus (see --help)");
}

TEST(HostOptions, ConsoleOnStandardInputOrAPort)
{
    auto typed = parse({"--console"});
    ASSERT_TRUE(typed) << typed.failure().text();
    EXPECT_TRUE(typed->console);
    EXPECT_FALSE(typed->console_port.has_value());
    auto port = parse({"--console-port=4567"});
    ASSERT_TRUE(port) << port.failure().text();
    EXPECT_TRUE(port->console);
    EXPECT_EQ(port->console_port, 4567);
}

TEST(HostOptions, AutomaticChoicesFollowTheDisplayAndTheEnvironment)
{
    Options defaults;
    auto no_display = resolve_settings(defaults, environment({}));
    EXPECT_FALSE(no_display.window);
    EXPECT_FALSE(no_display.real_time);
    EXPECT_FALSE(no_display.display_was_chosen);
    EXPECT_EQ(no_display.device_root, default_device_root());

    auto x11 = resolve_settings(defaults, environment({{"DISPLAY", ":0"}, {"VELMOR_DEVICE_ROOT", "/env/root"}}));
    EXPECT_TRUE(x11.window);
    EXPECT_TRUE(x11.real_time);
    EXPECT_EQ(x11.device_root, "/env/root");
    EXPECT_TRUE(resolve_settings(defaults, environment({{"WAYLAND_DISPLAY", "wayland-0"}})).window);

    auto chosen = *parse({"--headless", "--real-time", "--device-root", "/opt/phone"});
    auto settings = resolve_settings(chosen, environment({{"DISPLAY", ":0"}, {"VELMOR_DEVICE_ROOT", "/env/root"}}));
    EXPECT_FALSE(settings.window);
    EXPECT_TRUE(settings.display_was_chosen);
    EXPECT_TRUE(settings.real_time);
    EXPECT_EQ(settings.device_root, "/opt/phone");
}

TEST(HostOptions, TheDisplayIsChosenByItsNameFromTheTable)
{
    // --window and --headless are names of the table's backends too.
    EXPECT_EQ(parse({"--display", "sdl"})->display_backend, "sdl");
    EXPECT_EQ(parse({"--display=headless", "--headless"})->display_backend, "headless");
    EXPECT_EQ(parse({"--window", "--display", "sdl"})->display, DisplayChoice::window);
    EXPECT_EQ(refusal({"--display", "fbdev"}), "--display takes headless or sdl, not \"fbdev\"");
    EXPECT_NE(refusal({"--window", "--display", "headless"}).find("exclude each other"), std::string::npos);

    // VELMOR_DISPLAY counts as a choice, so a window that cannot open is an
    // error rather than a quiet headless run; an option still wins.
    auto from_environment =
        resolve_settings(*parse({}), environment({{"VELMOR_DISPLAY", "headless"}, {"DISPLAY", ":0"}}));
    EXPECT_EQ(from_environment.display_backend, "headless");
    EXPECT_FALSE(from_environment.window);
    EXPECT_TRUE(from_environment.display_was_chosen);
    auto option_wins = resolve_settings(*parse({"--display", "sdl"}), environment({{"VELMOR_DISPLAY", "headless"}}));
    EXPECT_EQ(option_wins.display_backend, "sdl");
    EXPECT_TRUE(option_wins.window);
    EXPECT_EQ(resolve_settings(*parse({}), environment({{"DISPLAY", ":0"}})).display_backend, "sdl");
    EXPECT_EQ(resolve_settings(*parse({}), environment({})).display_backend, "headless");

    // The help offers every backend of both tables with its description.
    std::string help = usage_text();
    for (const auto& backend : display_backends()) {
        EXPECT_NE(help.find(backend.name), std::string::npos) << backend.name;
        EXPECT_NE(help.find(backend.description), std::string::npos) << backend.description;
    }
    for (const auto& backend : platform::audio::backends())
        EXPECT_NE(help.find(backend.description), std::string::npos) << backend.description;
    EXPECT_NE(help.find("--audio null|capture|sdl"), std::string::npos);
}

TEST(HostOptions, DeviceRootCreationAndTheDeterminismCheck)
{
    auto options = parse({"--create-device-root", "--device-root", "x", "--script", "s.txt", "--check-determinism"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->create_device_root);
    EXPECT_TRUE(options->check_determinism);

    // Only a root someone named must exist; the build's default is made.
    EXPECT_TRUE(resolve_settings(*options, environment({})).device_root_named);
    EXPECT_TRUE(resolve_settings(*parse({}), environment({{"VELMOR_DEVICE_ROOT", "/phone"}})).device_root_named);
    EXPECT_FALSE(resolve_settings(*parse({}), environment({})).device_root_named);

    // The check runs a script headless in virtual time with captured sound.
    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"--check-determinism"}, "--script"},
        {{"--check-determinism", "--script", "s", "--window"}, "--window"},
        {{"--check-determinism", "--script", "s", "--real-time"}, "virtual time"},
        {{"--check-determinism", "--script", "s", "--audio", "sdl"}, "--audio"},
        {{"--check-determinism=1", "--script", "s"}, "takes no value"},
    };
    for (const auto& [arguments, words] : refused) {
        std::string refused_with = refusal(arguments);
        EXPECT_NE(refused_with.find(words), std::string::npos) << refused_with;
    }
    EXPECT_TRUE(parse({"--check-determinism", "--script", "s", "--headless", "--record", "r", "--lang", "0x0409"}));
}
