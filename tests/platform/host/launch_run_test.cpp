// A program the home screen starts from its icon, run as velmor runs the
// shaver: started by the host's own tap, or with --home by a script's tap on
// the icon; its exit code (a refused second start's -1 too) is the run's; and
// in a window its end brings the home screen back in a fresh process.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/host/png_image.h"
#include "platform/shell/shell_layout.h"
#include "tests/platform/host/run_folder.h"
#include "tests/platform/host/xvfb_server.h"

using namespace platform::host;

namespace {

namespace fs = std::filesystem;

fs::path fresh_folder()
{
    auto folder = test_run_folder("velmor-launch-");
    // The phone's device root: an empty folder becomes a new phone.
    fs::create_directories(folder / "root");
    return folder;
}

void write_text(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }

Image load(const fs::path& file)
{
    auto image = read_png(file);
    EXPECT_TRUE(image) << image.failure().text();
    return image ? *image : Image(480, 720);
}

std::string point_of(const platform::shell::AppIcon& icon)
{
    return std::to_string((icon.tile.left + icon.tile.right) / 2) + " " +
        std::to_string((icon.tile.top + icon.tile.bottom) / 2);
}

// A velmor of the launched program started in folder, its standard output
// and error going to output.txt; standard input is a pipe the test holds.
class Velmor {
public:
    Velmor(const std::vector<std::string>& arguments, const fs::path& folder,
        const std::vector<std::string>& environment = {})
        : output_(folder / "output.txt")
    {
        std::vector<std::string> all = {VELMOR_LAUNCHED_PROGRAM};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& argument : all) argv.push_back(argument.data());
        argv.push_back(nullptr);
        int input[2];
        if (pipe(input) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(input[0], 0);
            close(input[0]);
            close(input[1]);
            int out = open(output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || chdir(folder.c_str()) != 0) _exit(126);
            dup2(out, 1);
            dup2(out, 2);
            for (const auto& setting : environment) {
                auto equals = setting.find('=');
                if (equals == std::string::npos)
                    unsetenv(setting.c_str());
                else
                    setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
            }
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(input[0]);
        input_ = input[1];
    }
    ~Velmor()
    {
        if (input_ >= 0) close(input_);
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    pid_t pid() const { return pid_; }
    void end_input()
    {
        close(input_);
        input_ = -1;
    }
    bool running()
    {
        if (exited_) return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == 0) return true;
        exited_ = true;
        exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return false;
    }
    int wait_for_exit(int timeout_s = 60)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
        while (running()) {
            if (std::chrono::steady_clock::now() > deadline) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return exit_code_;
    }
    std::string output() const { return read_text(output_); }

private:
    fs::path output_;
    pid_t pid_ = -1;
    int input_ = -1;
    bool exited_ = false;
    int exit_code_ = -1;
};

// Waits up to timeout_s for the condition.
template <class Condition> bool eventually(Condition condition, int timeout_s = 20)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

struct Frame {
    std::uint64_t time_ms;
    fs::path file;
};

std::vector<Frame> recorded_frames(const fs::path& record)
{
    std::vector<Frame> frames;
    std::regex name(R"(frame-(\d{6})-(\d{8})ms\.png)");
    for (const auto& entry : fs::directory_iterator(record)) {
        std::smatch match;
        std::string file = entry.path().filename().string();
        if (std::regex_match(file, match, name)) frames.push_back({std::stoull(match[2]), entry.path()});
    }
    std::sort(frames.begin(), frames.end(), [](const Frame& a, const Frame& b) { return a.file < b.file; });
    return frames;
}

// The program's screen colour (0, 160, 80), within the 16-bit screen's rounding.
bool is_program_green(std::uint32_t pixel)
{
    auto near = [](std::uint32_t value, int wanted) { return std::abs(int(value & 0xFF) - wanted) <= 4; };
    return near(pixel >> 16, 0) && near(pixel >> 8, 160) && near(pixel, 80);
}

// A point inside the shaver's tile, away from its glyph.
std::uint32_t tile_pixel(const Image& image)
{
    const RECT& tile = platform::shell::program_icon().tile;
    return image.at(tile.left + 6, (tile.top + tile.bottom) / 2);
}

int brightness(std::uint32_t pixel) { return int((pixel >> 16) & 0xFF) + int((pixel >> 8) & 0xFF) + int(pixel & 0xFF); }

TEST(LaunchRun, TheHostTapsTheIconThenTheProgramRunsAndItsExitCodeIsTheRuns)
{
    auto folder = fresh_folder();
    write_text(folder / "s.txt", "wait 200\nscreenshot running.png\ntap 240 400\nwait 100\n");
    Velmor velmor({"--headless", "--device-root", "root", "--script", "s.txt", "--record", "record"}, folder);
    // The program ended on the script's last step with its own code.
    EXPECT_EQ(velmor.wait_for_exit(), 3) << velmor.output();

    auto record = folder / "record";
    std::string log = read_text(record / "events.log");
    std::string centre = point_of(platform::shell::program_icon());
    EXPECT_NE(log.find("        0 ms  launch: the host taps the program's icon"), std::string::npos) << log;
    EXPECT_NE(log.find("        0 ms  input down " + centre), std::string::npos) << log;
    EXPECT_NE(log.find("      100 ms  input up " + centre), std::string::npos) << log;
    EXPECT_NE(log.find("      100 ms  trace launched: running at 100"), std::string::npos) << log;
    EXPECT_NE(log.find("trace launched: tapped, leaving"), std::string::npos) << log;
    EXPECT_NE(log.find("exit code 3"), std::string::npos) << log;

    // The home screen with the tile pressed, then released, then the program.
    auto frames = recorded_frames(record);
    ASSERT_GE(frames.size(), 3u);
    Image pressed = load(frames[0].file);
    EXPECT_EQ(frames[0].time_ms, 0u);
    Image released = load(frames[1].file);
    EXPECT_EQ(frames[1].time_ms, 100u);
    EXPECT_LT(brightness(tile_pixel(pressed)) + 60, brightness(tile_pixel(released)));
    EXPECT_FALSE(is_program_green(released.at(240, 400)));
    EXPECT_TRUE(is_program_green(load(record / "running.png").at(240, 400)));

    // With an expectation of the code, the run passes with 0.
    write_text(folder / "s.txt", "tap 240 400\nwait 100\nexpect-exit 3\n");
    Velmor expecting({"--headless", "--device-root", "root", "--script", "s.txt"}, folder);
    EXPECT_EQ(expecting.wait_for_exit(), 0) << expecting.output();
}

TEST(LaunchRun, WithHomeOnlyATapOnTheIconStartsTheProgram)
{
    auto folder = fresh_folder();
    write_text(folder / "s.txt",
        "wait 300\n"
        "screenshot home.png\n"
        "tap " +
            point_of(platform::shell::app_icons().back()) +
            "\n"
            "wait 300\n"
            "screenshot still-home.png\n"
            "tap " +
            point_of(platform::shell::program_icon()) +
            "\n"
            "wait 100\n"
            "screenshot running.png\n"
            "tap 240 400\n"
            "wait 100\n"
            "expect-exit 3\n");
    Velmor velmor({"--headless", "--home", "--device-root", "root", "--script", "s.txt", "--record", "record"}, folder);
    EXPECT_EQ(velmor.wait_for_exit(), 0) << velmor.output();

    auto record = folder / "record";
    Image home = load(record / "home.png");
    EXPECT_FALSE(is_program_green(home.at(240, 400)));
    // Another icon's tap is the shell's business (it may show something of its own), never the program's start.
    EXPECT_FALSE(is_program_green(load(record / "still-home.png").at(240, 400)));
    EXPECT_TRUE(is_program_green(load(record / "running.png").at(240, 400)));

    std::string log = read_text(record / "events.log");
    EXPECT_NE(log.find("        0 ms  launch: the phone waits at its home screen for a tap on the program's icon"),
        std::string::npos)
        << log;
    EXPECT_EQ(log.find("launch: the host taps"), std::string::npos) << log;
    // The program started on the release of the tap on its icon, not before.
    auto released = log.find("      700 ms  input up " + point_of(platform::shell::program_icon()));
    auto running = log.find("trace launched: running at 700");
    EXPECT_NE(released, std::string::npos) << log;
    EXPECT_NE(running, std::string::npos) << log;
    EXPECT_LT(released, running) << log;
    EXPECT_EQ(log.find("trace launched"), running) << log;
    EXPECT_NE(log.find("expect-exit 3 matches"), std::string::npos) << log;
}

TEST(LaunchRun, HeadlessAtHomeWithoutAScriptEndsThereWithoutTheProgram)
{
    auto folder = fresh_folder();
    Velmor velmor({"--headless", "--home", "--device-root", "root", "--record", "record"}, folder);
    EXPECT_EQ(velmor.wait_for_exit(), 0) << velmor.output();
    std::string log = read_text(folder / "record" / "events.log");
    EXPECT_NE(
        log.find("launch: the phone was asked to quit at its home screen; the program did not run"), std::string::npos)
        << log;
    EXPECT_EQ(log.find("trace launched"), std::string::npos) << log;
    auto frames = recorded_frames(folder / "record");
    ASSERT_FALSE(frames.empty());
    EXPECT_FALSE(is_program_green(load(frames.back().file).at(240, 400)));
}

TEST(LaunchRun, ASecondStartOnTheSamePhoneIsRefusedWithMinusOne)
{
    auto folder = fresh_folder();
    // The first phone runs the program and, on the console in virtual time,
    // stands still until its input ends.
    Velmor first({"--headless", "--device-root", "root", "--console", "--record", "first"}, folder / "");
    ASSERT_TRUE(eventually([&] {
        return read_text(folder / "first" / "events.log").find("trace launched: running") != std::string::npos;
    })) << first.output();

    fs::create_directories(folder / "second");
    write_text(folder / "second" / "s.txt", "wait 10\n");
    Velmor second(
        {"--headless", "--device-root", "../root", "--script", "s.txt", "--record", "record"}, folder / "second");
    EXPECT_EQ(second.wait_for_exit(), 255) << second.output();
    std::string log = read_text(folder / "second" / "record" / "events.log");
    EXPECT_NE(log.find("trace launched: refused, already running"), std::string::npos) << log;
    EXPECT_NE(log.find("exit code -1"), std::string::npos) << log;

    first.end_input();
    EXPECT_EQ(first.wait_for_exit(), 0) << first.output();
}

TEST(LaunchRun, InAWindowTheProgramsEndBringsTheHomeScreenBackInAFreshProcess)
{
    if (!XvfbServer::installed()) GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb)";
    auto folder = fresh_folder();
    XvfbServer server;
    bool started = server.start("1280x1024x24");
    std::string display = server.display();

    std::string cmdline_before, cmdline_after, output;
    bool restarted = false, stayed_home = false;
    if (started) {
        // SDL's X11 driver leaves libdbus's allocations for the process to
        // release; the leak checker would count them against the run.
        Velmor velmor({"--window", "--device-root", "root"}, folder,
            {"DISPLAY=" + display, "SDL_VIDEODRIVER", "ASAN_OPTIONS=detect_leaks=0"});
        auto cmdline = [&] {
            std::string text = read_text("/proc/" + std::to_string(velmor.pid()) + "/cmdline");
            std::replace(text.begin(), text.end(), '\0', ' ');
            return text;
        };
        cmdline_before = cmdline();
        // The program runs two seconds by itself; then the same process comes back with --home.
        restarted = eventually([&] { return velmor.running() && cmdline().find("--home") != std::string::npos; });
        cmdline_after = cmdline();
        // At home the program does not start again by itself: no second end after its two seconds.
        std::this_thread::sleep_for(std::chrono::milliseconds(3500));
        output = velmor.output();
        stayed_home = velmor.running();
    }
    server.stop();
    ASSERT_TRUE(started) << "Xvfb did not start";
    EXPECT_EQ(cmdline_before.find("--home"), std::string::npos) << cmdline_before;
    EXPECT_TRUE(restarted) << output;
    EXPECT_NE(cmdline_after.find("--window --device-root root --home"), std::string::npos) << cmdline_after;
    EXPECT_TRUE(stayed_home) << output;
    const std::string back = "velmor: the program ended with code 0; back to the home screen";
    auto said = output.find(back);
    EXPECT_NE(said, std::string::npos) << output;
    EXPECT_EQ(output.find(back, said + back.size()), std::string::npos) << output;
}

}  // namespace
