// Runs of a phone program as velmor runs them, for what the command line
// promises: a recording's session.script replays the run to the same
// frames and sound, --check-determinism finds two runs the same, a device
// root that does not exist is not made unless asked, and a script cut short
// by the program's end names the first line that did not run.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "tests/platform/host/run_folder.h"

namespace {

namespace fs = std::filesystem;

fs::path fresh_folder() { return test_run_folder("velmor-session-run-"); }

struct Outcome {
    int exit_code = -1;
    std::string output;
};

// The reacting program with these arguments, in folder; what it said on
// standard output and error together.
Outcome run(const fs::path& folder, const std::string& arguments)
{
    std::string command = "cd '" + folder.string() + "' && '" + VELMOR_REACTING_PROGRAM + "' " + arguments + " 2>&1";
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return outcome;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.output.append(buffer, n);
    int status = pclose(pipe);
    outcome.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

// A phone with the program's ring: half a second of an 8-bit square wave.
void make_phone(const fs::path& root)
{
    fs::create_directories(root / "Windows");
    const std::uint32_t rate = 8000, samples = 4000;
    std::string data;
    for (std::uint32_t i = 0; i < samples; ++i) data += char((i / 8) % 2 ? 200 : 56);
    auto u32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](std::uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
    std::string wav = "RIFF" + u32(36 + samples) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(rate) + u32(rate) +
        u16(1) + u16(8) + "data" + u32(samples) + data;
    std::ofstream(root / "Windows" / "ring.wav", std::ios::binary) << wav;
}

// The lines of events.log that tell what the program did (its trace) and
// how the run ended, with their times.
std::vector<std::string> reactions(const fs::path& record)
{
    std::vector<std::string> lines;
    std::ifstream log(record / "events.log");
    for (std::string line; std::getline(log, line);)
        if (line.find("trace ") != std::string::npos || line.find("exit code") != std::string::npos ||
            line.find(" ms  sound ") != std::string::npos)
            lines.push_back(line);
    return lines;
}

// A run with the finger, the sensors and the broadcasts, a check and a
// screenshot in between, ending on a wait.
const char* busy_script = "wait 200\n"
                          "tilt 10 -20 60\n"
                          "wait 100\n"
                          "shake 600\n"
                          "wait 700\n"
                          "near on\n"
                          "wait 100\n"
                          "call begin\n"
                          "wait 300\n"
                          "expect-sound ring.wav playing\n"
                          "call end\n"
                          "wait 100\n"
                          "sms begin\n"
                          "wait 200\n"
                          "sms end\n"
                          "press 100 100\n"
                          "move 120 130\n"
                          "wait 30\n"
                          "move 140 160\n"
                          "release 140 160\n"
                          "tap 200 300\n"
                          "screenshot shot.png\n"
                          "near off\n"
                          "wait 500\n";

}  // namespace

TEST(SessionRun, TheRecordedSessionScriptReplaysTheSameFramesSoundAndReactions)
{
    fs::path folder = fresh_folder();
    make_phone(folder / "first-root");
    make_phone(folder / "second-root");
    std::ofstream(folder / "script.txt") << busy_script;
    Outcome first = run(folder, "--headless --device-root first-root --script script.txt --record first");
    ASSERT_EQ(first.exit_code, 0) << first.output;

    std::string session = read_text(folder / "first" / "session.script");
    EXPECT_NE(session.find("\ntilt 10 -20 60\n"), std::string::npos) << session;
    EXPECT_NE(session.find("\nmove 140 160\nrelease 140 160\n"), std::string::npos) << session;
    EXPECT_EQ(session.find("screenshot"), std::string::npos) << session;
    EXPECT_EQ(session.find("expect-sound"), std::string::npos) << session;

    Outcome replay = run(folder, "--headless --device-root second-root --script first/session.script --record second");
    ASSERT_EQ(replay.exit_code, 0) << replay.output;
    auto shown = frames_and_sound(folder / "first");
    EXPECT_GT(shown.size(), 2u);
    EXPECT_EQ(frames_and_sound(folder / "second"), shown);
    auto reacted = reactions(folder / "first");
    EXPECT_GE(reacted.size(), 4u);
    EXPECT_EQ(reactions(folder / "second"), reacted);
    // The replay took the same inputs at the same times, so it writes the same script.
    EXPECT_EQ(read_text(folder / "second" / "session.script"), session);
    fs::remove_all(folder);
}

TEST(SessionRun, TheDeterminismCheckFindsTwoRunsOfAScriptTheSame)
{
    fs::path folder = fresh_folder();
    make_phone(folder / "root");
    std::ofstream(folder / "script.txt") << busy_script;
    Outcome checked = run(folder, "--device-root root --script script.txt --check-determinism --record kept");
    EXPECT_EQ(checked.exit_code, 0) << checked.output;
    EXPECT_NE(checked.output.find("are the same"), std::string::npos) << checked.output;
    // Kept as asked: two recordings, each of a whole run, and no copies of the phone.
    auto first = frames_and_sound(folder / "kept" / "first");
    EXPECT_GT(first.size(), 2u);
    EXPECT_EQ(frames_and_sound(folder / "kept" / "second"), first);
    EXPECT_FALSE(fs::exists(folder / "kept" / "first-device"));

    Outcome refused = run(folder, "--device-root root --check-determinism");
    EXPECT_EQ(refused.exit_code, 2);
    EXPECT_NE(refused.output.find("--script"), std::string::npos) << refused.output;
    fs::remove_all(folder);
}

TEST(SessionRun, ADeviceRootThatDoesNotExistIsMadeOnlyWhenAsked)
{
    fs::path folder = fresh_folder();
    std::ofstream(folder / "script.txt") << "wait 100\n";
    Outcome refused = run(folder, "--headless --device-root typo --script script.txt");
    EXPECT_EQ(refused.exit_code, 2);
    EXPECT_NE(refused.output.find("typo does not exist; give --create-device-root"), std::string::npos)
        << refused.output;
    EXPECT_FALSE(fs::exists(folder / "typo"));
    Outcome also_refused = run(folder, "--headless --script script.txt");
    EXPECT_EQ(also_refused.exit_code, 0) << "the build's own device root needs no flag: " << also_refused.output;

    Outcome made = run(folder, "--headless --device-root typo --create-device-root --script script.txt");
    EXPECT_EQ(made.exit_code, 0) << made.output;
    EXPECT_TRUE(fs::is_directory(folder / "typo" / "Windows"));
    fs::remove_all(folder);
}

TEST(SessionRun, TheProgramsEarlyEndNamesTheFirstLineThatDidNotRun)
{
    fs::path folder = fresh_folder();
    fs::create_directories(folder / "root");
    // The M key ends the program with 7; the wait after it, or the tap, never runs.
    std::ofstream(folder / "wait.txt") << "wait 100\nmkey\n# then\nwait 5000\n";
    Outcome waited = run(folder, "--headless --device-root root --script wait.txt");
    EXPECT_EQ(waited.exit_code, 7) << waited.output;
    EXPECT_NE(waited.output.find("before wait.txt:4 had run"), std::string::npos) << waited.output;

    std::ofstream(folder / "tap.txt") << "wait 100\nmkey\nwait 200\ntap 10 10\nwait 100\n";
    Outcome tapped = run(folder, "--headless --device-root root --script tap.txt");
    EXPECT_EQ(tapped.exit_code, 7) << tapped.output;
    EXPECT_NE(tapped.output.find("before tap.txt:4 had run"), std::string::npos) << tapped.output;
    fs::remove_all(folder);
}

TEST(SessionRun, ARunNothingDroveSaysWhatItDidAndHowToGoOn)
{
    fs::path folder = fresh_folder();
    fs::create_directories(folder / "root");
    Outcome idle = run(folder, "--headless --device-root root --record record");
    EXPECT_EQ(idle.exit_code, 0) << idle.output;
    EXPECT_NE(idle.output.find("velmor: ran the phone headless until it was first idle ("), std::string::npos)
        << idle.output;
    EXPECT_NE(idle.output.find("record/session.script replays it"), std::string::npos) << idle.output;
    EXPECT_NE(idle.output.find("--script FILE or --console"), std::string::npos) << idle.output;

    std::ofstream(folder / "script.txt") << "wait 10\n";
    Outcome scripted = run(folder, "--headless --device-root root --script script.txt");
    EXPECT_EQ(scripted.output.find("ran the phone"), std::string::npos) << scripted.output;
    fs::remove_all(folder);
}

TEST(SessionRun, TheDeterminismCheckNamesTheFirstFrameOfRunsThatDiffer)
{
    fs::path folder = fresh_folder();
    fs::create_directories(folder / "root");
    std::ofstream(folder / "script.txt") << "wait 200\ntap 10 10\nwait 200\n";
    std::string command = "cd '" + folder.string() + "' && '" + VELMOR_UNSTEADY_PROGRAM +
        "' --device-root root --script script.txt --check-determinism 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    int status = pclose(pipe);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1) << output;
    EXPECT_NE(output.find("differ:"), std::string::npos) << output;
    EXPECT_NE(output.find("frame 1 (frame-000001-"), std::string::npos) << output;
    EXPECT_NE(output.find("shows another picture"), std::string::npos) << output;
    // Kept for a person to look into, with what each run said.
    auto kept = output.find("both runs are kept in ");
    ASSERT_NE(kept, std::string::npos) << output;
    std::string where = output.substr(kept + 22);
    where = where.substr(0, where.find('\n'));
    EXPECT_TRUE(fs::exists(fs::path(where) / "first" / "frames.txt")) << where;
    EXPECT_TRUE(fs::exists(fs::path(where) / "second-output.txt")) << where;
    fs::remove_all(where);
    fs::remove_all(folder);
}
