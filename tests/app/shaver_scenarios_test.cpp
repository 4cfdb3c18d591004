// The shaver as a person uses it: velmor run as its own process on a fresh
// headless phone laid out by the build, under the scenario scripts kept with
// the application. Every screen a script reaches is compared with its kept
// reference, every sound change is checked as it happens, and the event log
// tells what the phone felt and heard in between.
//
// Scripts and references are copied to a temporary folder, so a failed
// comparison leaves its actual and difference pictures in the build folder;
// with VELMOR_UPDATE_REFERENCES=1 the run writes the references in place.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct ScenarioRun {
    int exit_code = -1;
    std::string output;
    std::vector<std::string> events;
    fs::path record;
    // Where the run's phone and recording are, kept as long as the run is
    // looked at.
    std::optional<velmor_test::TempFolder> folder;

    // The index of the first event line from `from` on that contains text,
    // or -1.
    int find(const std::string& text, int from = 0) const
    {
        for (int i = std::max(from, 0); i < int(events.size()); ++i)
            if (events[std::size_t(i)].find(text) != std::string::npos) return i;
        return -1;
    }
};

bool updating_references()
{
    const char* update = std::getenv("VELMOR_UPDATE_REFERENCES");
    return update && std::string(update) == "1";
}

void keep_failures(const fs::path& from)
{
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(from, ignored)) {
        std::string name = entry.path().filename().string();
        if (name.find(".actual.") == std::string::npos && name.find(".diff.") == std::string::npos) continue;
        fs::create_directories(SHAVER_SCENARIO_FAILURES, ignored);
        fs::copy_file(
            entry.path(), fs::path(SHAVER_SCENARIO_FAILURES) / name, fs::copy_options::overwrite_existing, ignored);
    }
}

// velmor with these arguments on the phone at root; its exit code and what
// it said.
ScenarioRun run_velmor(const fs::path& root, const std::string& arguments)
{
    ScenarioRun run;
    std::string command =
        std::string("'") + SHAVER_VELMOR + "' --headless --device-root '" + root.string() + "' " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    if (!pipe) return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

ScenarioRun run_script(const std::string& script)
{
    velmor_test::TempFolder folder("shaver-scenario");
    const fs::path& root = folder.path();
    fs::copy(SHAVER_BUILT_DEVICE_ROOT, root / "device", fs::copy_options::recursive);
    std::error_code ignored;
    fs::remove(root / "device" / "registry.reg", ignored);
    fs::path scripts = SHAVER_SCENARIOS;
    if (!updating_references()) {
        fs::copy(scripts, root / "scenarios", fs::copy_options::recursive);
        scripts = root / "scenarios";
    }
    fs::path record = root / "record";
    ScenarioRun run = run_velmor(
        root / "device", "--script '" + (scripts / script).string() + "' --record '" + record.string() + "'");
    run.record = record;
    std::ifstream events(run.record / "events.log");
    for (std::string line; std::getline(events, line);) run.events.push_back(line);
    if (run.exit_code != 0) keep_failures(root);
    run.folder = std::move(folder);
    return run;
}

TEST(ShaverScenario, GoldenSessionMatchesEveryScreenAndSound)
{
    ScenarioRun run = run_script("golden.txt");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    // Nothing near: the first shake plays no variant; with a hand near the
    // second does.
    int first_shake = run.find("script line 31: shake");
    int near = run.find("near on", first_shake);
    ASSERT_GE(first_shake, 0);
    ASSERT_GT(near, first_shake);
    int variant = run.find("sound started wave-out", first_shake);
    EXPECT_GT(variant, near) << "a variant played with nothing near";
    EXPECT_LT(variant, run.find("near off", near));
    // The call's end put the phone's mode back through the platform.
    int call_end = run.find("call end");
    EXPECT_GT(run.find("[PlatformMode] SetOwnerWindow", call_end), call_end);
    // The session was recorded whole, for a person to watch.
    EXPECT_TRUE(fs::exists(run.record / "run.gif"));
    EXPECT_GE(run.find("exit code 0"), 0);
}

TEST(ShaverScenario, UsbDiskModeNoticeEndsTheProgram)
{
    ScenarioRun run = run_script("usb_disk.txt");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_GE(run.find("usb disk"), 0);
}

TEST(ShaverScenario, MKeyEndsTheProgram)
{
    ScenarioRun run = run_script("m_key.txt");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_GE(run.find("answer 2, the program leaves the front"), 0);
}

TEST(ShaverScenario, ASecondStartOnTheSamePhoneIsRefusedWithMinusOne)
{
    velmor_test::TempFolder folder("shaver-twice");
    const fs::path& root = folder.path();
    fs::copy(SHAVER_BUILT_DEVICE_ROOT, root / "device", fs::copy_options::recursive);
    std::error_code ignored;
    fs::remove(root / "device" / "registry.reg", ignored);
    // The first runs in real time for a few seconds, then leaves by the M key.
    std::ofstream(root / "first.txt") << "wait 9000\nmkey\nwait 200\nexpect-exit 0\n";
    ScenarioRun first;
    std::thread running(
        [&] { first = run_velmor(root / "device", "--real-time --script '" + (root / "first.txt").string() + "'"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    // Refused: InitInstance's false makes the entry's -1 the process's 255.
    ScenarioRun second = run_velmor(root / "device", "");
    running.join();
    EXPECT_EQ(second.exit_code, 255) << second.output;
    EXPECT_EQ(first.exit_code, 0) << first.output;
}

}  // namespace
