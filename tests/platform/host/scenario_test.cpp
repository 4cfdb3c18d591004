#include "platform/host/scenario.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/temp_folder.h"

using namespace platform::host;
using platform::user::PointerKind;

namespace {

platform::Result<Scenario> parse(std::string_view text)
{
    return parse_scenario_text(text, "/scripts/s.txt", ScenarioParseOptions {true});
}

// The faults a refused script is answered with, one a line.
std::vector<std::string> fault_lines(const platform::Result<Scenario>& scenario)
{
    std::vector<std::string> lines;
    if (scenario) return lines;
    std::istringstream text(scenario.failure().text());
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(ScenarioParser, TimesStepsAndExpandsTaps)
{
    auto scenario = parse("# a comment line\n"
                          "wait 100\n"
                          "tap 10 20   # trailing comment\n"
                          "\n"
                          "  doubletap 479 719\r\n"
                          "press 1 2\nmove 3 4\nwait 5\nrelease 5 6\n"
                          "screenshot a.png\n"
                          "expect-screen ref.png 4\n"
                          "quit\n"
                          "wait 30");
    ASSERT_TRUE(scenario) << scenario.failure().text();
    const auto& steps = scenario->steps;
    ASSERT_EQ(steps.size(), 12u);
    // tap: press at 100, release 50 ms later.
    EXPECT_EQ(steps[0].pointer, PointerKind::down);
    EXPECT_EQ(steps[0].time, 100u);
    EXPECT_EQ(steps[0].line, 3);
    EXPECT_EQ(steps[1].pointer, PointerKind::up);
    EXPECT_EQ(steps[1].time, 150u);
    // doubletap: two taps 50 ms apart, all four within 150 ms.
    EXPECT_EQ(steps[2].time, 150u);
    EXPECT_EQ(steps[2].x, 479);
    EXPECT_EQ(steps[5].time, 300u);
    EXPECT_EQ(steps[5].pointer, PointerKind::up);
    EXPECT_EQ(steps[7].pointer, PointerKind::move);
    EXPECT_EQ(steps[8].time, 305u);
    EXPECT_EQ(steps[9].kind, ScenarioStep::Kind::screenshot);
    EXPECT_EQ(steps[9].file, "a.png");
    EXPECT_EQ(steps[10].kind, ScenarioStep::Kind::expect_screen);
    EXPECT_EQ(steps[10].file, "/scripts/ref.png");  // beside the script
    EXPECT_EQ(steps[10].tolerance, 4);
    EXPECT_EQ(steps[11].kind, ScenarioStep::Kind::quit);
    EXPECT_EQ(scenario->end_time, 335u);
}

TEST(ScenarioParser, ReportsEveryFaultWithFileLineAndCommand)
{
    auto refused = parse("wait 10\n"
                         "tap 10\n"
                         "tap 480 3\n"
                         "wait -1\n"
                         "jump 1 2\n"
                         "shake 0\n"
                         "expect-screen x.png 300\n"
                         "move a 5\n"
                         "quit now\n");
    ASSERT_FALSE(refused);
    auto errors = fault_lines(refused);
    ASSERT_EQ(errors.size(), 8u);
    EXPECT_EQ(errors[0], "/scripts/s.txt:2: tap: expects X Y, got 1 argument");
    // The failure's own place is the first fault's.
    EXPECT_EQ(refused.failure().where, "/scripts/s.txt:2");
    EXPECT_NE(errors[1].find("s.txt:3: tap: the point (480, 3) is outside the screen"), std::string::npos);
    EXPECT_NE(errors[2].find(":4: wait: MS must be from 0"), std::string::npos);
    EXPECT_EQ(errors[3], "/scripts/s.txt:5: jump: unknown command");
    EXPECT_NE(errors[4].find(":6: shake: MS must be from 1 to 60000, not 0"), std::string::npos);
    EXPECT_NE(errors[5].find(":7: expect-screen: TOLERANCE must be from 0 to 255"), std::string::npos);
    EXPECT_NE(errors[6].find(":8: move: X must be a whole number, not \"a\""), std::string::npos);
    EXPECT_NE(errors[7].find(":9: quit: expects no arguments"), std::string::npos);
}

TEST(ScenarioParser, RequiresReferencesUnlessTheyAreBeingWritten)
{
    velmor_test::TempFolder folder("velmor-scenario-references");
    auto script = folder / "s.txt";
    std::ofstream(script) << "expect-screen missing.png\n";
    auto errors = fault_lines(parse_scenario_file(script, ScenarioParseOptions {false}));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("missing.png does not exist (run with VELMOR_UPDATE_REFERENCES=1"), std::string::npos);
    EXPECT_TRUE(parse_scenario_file(script, ScenarioParseOptions {true}));

    auto absent = parse_scenario_file(folder / "absent.txt", ScenarioParseOptions {});
    ASSERT_FALSE(absent);
    EXPECT_EQ(absent.failure().where, (folder / "absent.txt").string());
    EXPECT_EQ(absent.failure().text(),
        (folder / "absent.txt").string() + ": cannot read the script: No such file or directory");
}

TEST(ScenarioParser, DeviceCommandsBecomeStepsAtTheirTimes)
{
    auto scenario = parse("shake\n"
                          "wait 20\n"
                          "shake 250\n"
                          "tilt -128 5 127\n"
                          "near on\nnear off\n"
                          "call begin\nsms end\nusb disk\nusb off\n"
                          "mkey\npower\npower long\n"
                          "expect-sound Switch.WAV stopped\n"
                          "expect-exit 7\n"
                          "wait 5\n");
    ASSERT_TRUE(scenario) << scenario.failure().text();
    const auto& steps = scenario->steps;
    ASSERT_EQ(steps.size(), 13u);
    using Kind = ScenarioStep::Kind;
    EXPECT_EQ(steps[0].kind, Kind::shake);
    EXPECT_EQ(steps[0].duration_ms, 1000u);
    EXPECT_EQ(steps[0].time, 0u);
    EXPECT_EQ(steps[1].duration_ms, 250u);
    EXPECT_EQ(steps[1].time, 20u);
    EXPECT_EQ(steps[2].kind, Kind::tilt);
    EXPECT_EQ(steps[2].x, -128);
    EXPECT_EQ(steps[2].y, 5);
    EXPECT_EQ(steps[2].z, 127);
    EXPECT_EQ(steps[3].kind, Kind::near);
    EXPECT_TRUE(steps[3].on);
    EXPECT_FALSE(steps[4].on);
    EXPECT_EQ(steps[5].kind, Kind::call);
    EXPECT_TRUE(steps[5].on);
    EXPECT_EQ(steps[6].kind, Kind::sms);
    EXPECT_FALSE(steps[6].on);
    EXPECT_TRUE(steps[7].on);
    EXPECT_FALSE(steps[8].on);
    EXPECT_EQ(steps[9].kind, Kind::mkey);
    EXPECT_EQ(steps[10].kind, Kind::power);
    EXPECT_FALSE(steps[10].on);
    EXPECT_TRUE(steps[11].on);
    EXPECT_EQ(steps[12].kind, Kind::expect_sound);
    EXPECT_EQ(steps[12].name, "Switch.WAV");
    EXPECT_FALSE(steps[12].on);
    EXPECT_EQ(steps[12].line, 14);
    // expect-exit is checked at the end, not played as a step.
    ASSERT_TRUE(scenario->expected_exit.has_value());
    EXPECT_EQ(*scenario->expected_exit, 7);
    EXPECT_EQ(scenario->expected_exit_line, 15);
    EXPECT_EQ(scenario->end_time, 25u);
}

TEST(ScenarioParser, DeviceCommandMistakesAreNamed)
{
    auto refused = parse("near maybe\n"
                         "tilt 0 200 0\n"
                         "tilt 1 2\n"
                         "usb on\n"
                         "power medium\n"
                         "expect-sound x.wav loud\n"
                         "expect-exit 0\n"
                         "expect-exit 1\n"
                         "shake 60001\n"
                         "mkey twice\n"
                         "expect-exit 256\n");
    ASSERT_FALSE(refused);
    auto errors = fault_lines(refused);
    ASSERT_EQ(errors.size(), 10u);
    EXPECT_EQ(errors[0], "/scripts/s.txt:1: near: expects on or off, not \"maybe\"");
    EXPECT_EQ(errors[1], "/scripts/s.txt:2: tilt: Y must be from -128 to 127 (64 is 1 g), not 200");
    EXPECT_EQ(errors[2], "/scripts/s.txt:3: tilt: expects X Y Z, got 2 arguments");
    EXPECT_EQ(errors[3], "/scripts/s.txt:4: usb: expects disk or off, not \"on\"");
    EXPECT_EQ(errors[4], "/scripts/s.txt:5: power: expects short or long, not \"medium\"");
    EXPECT_EQ(errors[5], "/scripts/s.txt:6: expect-sound: expects playing or stopped after the name, not \"loud\"");
    EXPECT_EQ(errors[6], "/scripts/s.txt:8: expect-exit: the exit code is already expected on line 7");
    EXPECT_NE(errors[7].find(":9: shake: MS must be from 1 to 60000"), std::string::npos);
    EXPECT_EQ(errors[8], "/scripts/s.txt:10: mkey: expects no arguments, got 1 argument");
    EXPECT_EQ(errors[9], "/scripts/s.txt:11: expect-exit: CODE must be from 0 to 255, not 256");
}

TEST(ScenarioParser, ReadsScriptsOnlyFromRegularFilesOfAPageOrTwo)
{
    velmor_test::TempFolder folder("velmor-scenario-reading");
    std::filesystem::create_directories(folder / "scripts.d");
    struct Case {
        std::filesystem::path script;
        const char* message;
    } cases[] = {
        {folder / "scripts.d", "scripts.d: is a folder, not a script"},
        {"/dev/zero", "/dev/zero: is not a regular file"},
        {folder / "absent.txt", "absent.txt: cannot read the script"},
        {folder / "huge.txt", "huge.txt: the script is larger than 1 MB"},
    };
    // A megabyte of comments and one byte more.
    std::ofstream(folder / "huge.txt") << std::string(1u << 20, '#') << "\n";
    for (const auto& c : cases) {
        auto refused = parse_scenario_file(c.script, ScenarioParseOptions {true});
        auto errors = fault_lines(refused);
        ASSERT_EQ(errors.size(), 1u) << c.script;
        EXPECT_NE(errors[0].find(c.message), std::string::npos) << errors[0];
        EXPECT_EQ(refused.failure().where, c.script.string());
    }
    // Just under the limit is still a script.
    std::ofstream(folder / "long.txt") << std::string((1u << 20) - 8, '#') << "\nwait 5\n";
    auto long_script = parse_scenario_file(folder / "long.txt", ScenarioParseOptions {true});
    ASSERT_TRUE(long_script) << long_script.failure().text();
    EXPECT_EQ(long_script->end_time, 5u);
}

TEST(ScenarioParser, MessagesShowControlCharactersAsEscapes)
{
    // Words that would clear a terminal, retitle it and ring its bell, and a
    // byte that is not UTF-8; Chinese text stays as it is.
    auto refused = parse("tap \x1b[2J 5\n"
                         "\x1b]0;owned\x07 1\n"
                         "expect-sound 铃声 \xC2\x9B\xFF\n");
    ASSERT_FALSE(refused);
    auto errors = fault_lines(refused);
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_NE(errors[0].find(":1: tap: X must be a whole number, not \"\\x1B[2J\""), std::string::npos) << errors[0];
    EXPECT_NE(errors[1].find(":2: \\x1B]0;owned\\x07: unknown command"), std::string::npos) << errors[1];
    EXPECT_NE(errors[2].find("not \"\\u009B\\xFF\""), std::string::npos) << errors[2];
    for (const auto& error : errors)
        for (unsigned char c : error) EXPECT_TRUE(c >= 0x20 && c != 0x7F && c != 0xFF) << error;
}
