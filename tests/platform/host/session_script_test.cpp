// session.script: what it writes for a run's inputs, and that what it writes
// reads back as the same inputs.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/devices/device_host.h"
#include "platform/host/input_command.h"
#include "platform/host/session_script.h"
#include "tests/platform/host/run_folder.h"
#include "tests/support/temp_folder.h"

using namespace platform::host;

namespace {

namespace fs = std::filesystem;

// The lines that are not comments.
std::vector<std::string> commands(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line[0] != '#') lines.push_back(line);
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

}  // namespace

TEST(SessionScript, InputsAreWrittenWithTheWaitsBetweenThemAndTheRunsEnd)
{
    velmor_test::TempFolder folder("velmor-session");
    fs::path file = folder / "session.script";
    auto opened = SessionScript::open(file, "first line\nsecond line", 0);
    ASSERT_TRUE(opened) << opened.failure().text();
    auto& script = *opened;
    script->input(1200, "press 10 20");
    script->input(1200, "move 11 22");  // at the same time: no wait
    script->input(1250, "release 11 22");
    script->input(1240, "near on");  // a clock read late never runs time back
    script->ends_at(3000);
    script->input(3500, "mkey");  // after the end was asked for: not part of the run
    EXPECT_EQ(script->inputs(), 4);
    auto closed = script->close(0);
    ASSERT_TRUE(closed) << closed.failure().text();

    std::string text = read_text(file);
    EXPECT_EQ(text.rfind("# first line\n# second line\n", 0), 0u) << text;
    EXPECT_EQ(commands(text),
        (std::vector<std::string> {
            "wait 1200", "press 10 20", "move 11 22", "wait 50", "release 11 22", "near on", "wait 1750"}));
    EXPECT_NE(text.find("# the program ended with code 0\n"), std::string::npos);
}

TEST(SessionScript, ReachingItsLimitIsSaidInTheScript)
{
    velmor_test::TempFolder folder("velmor-session");
    fs::path file = folder / "session.script";
    auto opened = SessionScript::open(file, "header", 600);
    ASSERT_TRUE(opened);
    auto& script = *opened;
    for (int i = 0; i < 100; ++i) script->input(std::uint64_t(i) * 10, "move 100 100");
    ASSERT_TRUE(script->close(3));
    EXPECT_LT(script->inputs(), 100);
    EXPECT_GT(script->inputs(), 0);
    std::string text = read_text(file);
    EXPECT_LE(text.size(), 600u);
    EXPECT_NE(text.find("the recording limit was reached"), std::string::npos);
    EXPECT_NE(text.find("ended with code 3"), std::string::npos);
}

TEST(SessionScript, AFileThatCannotBeWrittenIsNamedInTheFailure)
{
    velmor_test::TempFolder folder("velmor-session");
    auto missing = SessionScript::open(folder / "missing" / "session.script", "", 0);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.failure().text(),
        (folder / "missing" / "session.script").string() + ": cannot be written: No such file or directory");

    // A disk that fills up during the run: the close reports it.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    auto full = SessionScript::open("/dev/full", "header", 0);
    ASSERT_TRUE(full) << full.failure().text();
    (*full)->input(10, "tap 1 2");
    auto closed = (*full)->close(0);
    ASSERT_FALSE(closed);
    EXPECT_EQ(closed.failure().text(), "/dev/full: cannot be written: No space left on device");
}

// Every input a script can give, written down as commands and read again,
// gives the same steps at the same times; checks and screenshots are no
// input and are left out.
TEST(SessionScript, InputCommandsReadBackAsTheSameSteps)
{
    const std::string original = "tap 10 20\n"
                                 "wait 100\n"
                                 "press 1 2\nmove 3 4\nrelease 479 719\n"
                                 "doubletap 30 40\n"
                                 "shake\nshake 250\ntilt -5 64 -128\n"
                                 "near on\nnear off\ncall begin\ncall end\nsms begin\nsms end\n"
                                 "usb disk\nusb off\nmkey\npower\npower long\npower short\n"
                                 "screenshot a.png\nexpect-sound x playing\nquit\n";
    auto parsed = parse_scenario_text(original, "original.txt", {});
    ASSERT_TRUE(parsed) << parsed.failure().text();

    velmor_test::TempFolder folder("velmor-session");
    fs::path file = folder / "session.script";
    auto opened = SessionScript::open(file, "round trip", 0);
    ASSERT_TRUE(opened);
    auto& script = *opened;
    std::vector<ScenarioStep> inputs;
    for (const auto& step : parsed->steps) {
        if (auto command = input_command(step)) {
            script->input(step.time, *command);
            inputs.push_back(step);
        }
    }
    ASSERT_TRUE(script->close(0));
    EXPECT_EQ(inputs.size(), parsed->steps.size() - 3);

    auto replayed = parse_scenario_text(read_text(file), file, {});
    ASSERT_TRUE(replayed) << replayed.failure().text();
    ASSERT_EQ(replayed->steps.size(), inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto &a = inputs[i], &b = replayed->steps[i];
        EXPECT_EQ(int(a.kind), int(b.kind)) << i;
        EXPECT_EQ(a.time, b.time) << i;
        EXPECT_EQ(int(a.pointer), int(b.pointer)) << i;
        EXPECT_EQ(a.x, b.x) << i;
        EXPECT_EQ(a.y, b.y) << i;
        EXPECT_EQ(a.z, b.z) << i;
        EXPECT_EQ(a.on, b.on) << i;
        EXPECT_EQ(a.duration_ms, b.duration_ms) << i;
    }
}

// A window key that toggles is written as the state it switches to, so the
// replay switches the same way whatever it started from.
TEST(SessionScript, AWindowKeyIsWrittenAsTheStateItSwitchesTo)
{
    namespace devices = platform::devices;
    devices::install_devices();
    EXPECT_EQ(phone_key_command(PhoneKey::near_toggle), "near on");
    EXPECT_EQ(phone_key_command(PhoneKey::usb_toggle), "usb disk");
    devices::set_near(true);
    devices::set_usb_disk_mode(true);
    EXPECT_EQ(phone_key_command(PhoneKey::near_toggle), "near off");
    EXPECT_EQ(phone_key_command(PhoneKey::usb_toggle), "usb off");
    devices::set_near(false);
    devices::set_usb_disk_mode(false);
    EXPECT_EQ(phone_key_command(PhoneKey::shake), "shake " + std::to_string(devices::default_shake_ms));
    EXPECT_EQ(phone_key_command(PhoneKey::m_key), "mkey");
    EXPECT_EQ(phone_key_command(PhoneKey::call_toggle), "call begin");
    EXPECT_EQ(phone_key_command(PhoneKey::power), "power");
    EXPECT_EQ(phone_key_command(PhoneKey::power_long), "power long");
    devices::uninstall_devices();
}
