#include "platform/host/scenario.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace platform::host;
using platform::user::PointerKind;

namespace {

std::optional<Scenario> parse(std::string_view text, std::vector<std::string>* errors = nullptr)
{
    std::vector<std::string> ignored;
    return parse_scenario_text(text, "/scripts/s.txt", ScenarioParseOptions {true}, errors ? errors : &ignored);
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
    ASSERT_TRUE(scenario.has_value());
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
    std::vector<std::string> errors;
    EXPECT_FALSE(parse("wait 10\n"
                       "tap 10\n"
                       "tap 480 3\n"
                       "wait -1\n"
                       "jump 1 2\n"
                       "shake\n"
                       "expect-screen x.png 300\n"
                       "move a 5\n"
                       "quit now\n",
        &errors)
                     .has_value());
    ASSERT_EQ(errors.size(), 8u);
    EXPECT_EQ(errors[0], "/scripts/s.txt:2: tap: expects X Y, got 1 argument");
    EXPECT_NE(errors[1].find("s.txt:3: tap: the point (480, 3) is outside the screen"), std::string::npos);
    EXPECT_NE(errors[2].find(":4: wait: MS must be from 0"), std::string::npos);
    EXPECT_EQ(errors[3], "/scripts/s.txt:5: jump: unknown command");
    EXPECT_NE(errors[4].find(":6: shake: not available yet"), std::string::npos);
    EXPECT_NE(errors[5].find(":7: expect-screen: TOLERANCE must be from 0 to 255"), std::string::npos);
    EXPECT_NE(errors[6].find(":8: move: X must be a whole number, not \"a\""), std::string::npos);
    EXPECT_NE(errors[7].find(":9: quit: expects no arguments"), std::string::npos);
}

TEST(ScenarioParser, RequiresReferencesUnlessTheyAreBeingWritten)
{
    auto folder = std::filesystem::temp_directory_path() / "velmor-scenario-references";
    std::filesystem::create_directories(folder);
    auto script = folder / "s.txt";
    std::ofstream(script) << "expect-screen missing.png\n";
    std::vector<std::string> errors;
    EXPECT_FALSE(parse_scenario_file(script, ScenarioParseOptions {false}, &errors).has_value());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("missing.png does not exist (run with VELMOR_UPDATE_REFERENCES=1"), std::string::npos);
    EXPECT_TRUE(parse_scenario_file(script, ScenarioParseOptions {true}, &errors).has_value());

    errors.clear();
    EXPECT_FALSE(parse_scenario_file(folder / "absent.txt", ScenarioParseOptions {}, &errors).has_value());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("absent.txt: cannot read the script"), std::string::npos);
}
