// The built velmor program, run the way people and scripts run it: headless
// against a reference picture, with a recording, with mistakes in its
// options and scripts, and in a real window on an X server.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "gif_reader.h"
#include "platform/host/png_image.h"
#include "platform/host/screen_compare.h"
#include "tests/platform/host/run_folder.h"
#include "tests/platform/host/xvfb_server.h"

using namespace platform::host;

namespace {

struct Outcome {
    int exit_code = -1;
    std::string output;  // standard output and error together
};

using EnvironmentChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

// Runs the program with the changes to the environment applied; kills it
// after timeout_s.
Outcome run(const std::vector<std::string>& arguments, const std::filesystem::path& folder,
    const EnvironmentChanges& changes = {}, int timeout_s = 60)
{
    auto output_file = folder / "output.txt";
    // Each test's phone is a folder made for it.
    std::vector<std::string> all = {VELMOR_EXECUTABLE, "--create-device-root"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child == 0) {
        FILE* out = std::freopen(output_file.c_str(), "w", stdout);
        if (!out) _exit(126);
        dup2(fileno(stdout), 2);
        chdir(folder.c_str());
        for (const auto& [name, value] : changes) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    Outcome outcome;
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            outcome.output = "(killed after " + std::to_string(timeout_s) + " s)\n";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFEXITED(status)) outcome.exit_code = WEXITSTATUS(status);
    std::ifstream stream(output_file);
    outcome.output += std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    return outcome;
}

std::filesystem::path fresh_folder() { return test_run_folder("velmor-run-"); }

void write_text(const std::filesystem::path& file, const std::string& text) { std::ofstream(file) << text; }

Image load(const std::filesystem::path& file)
{
    auto image = read_png(file);
    EXPECT_TRUE(image) << image.failure().text();
    return image ? *image : Image();
}

// The home screen's look, independent of its details: the task bar's dark
// band at the top and a colourful area below it.
void expect_home_screen(const Image& image, const std::string& what)
{
    ASSERT_EQ(image.width, 480) << what;
    ASSERT_EQ(image.height, 720) << what;
    std::set<std::uint32_t> colours(image.pixels.begin(), image.pixels.end());
    EXPECT_GT(colours.size(), 200u) << what << ": the screen looks blank";
    EXPECT_NE(image.at(240, 400), 0u) << what;
}

}  // namespace

TEST(VelmorRun, HeadlessScriptMatchesTheHomeScreenReferenceAndRecordsTheRun)
{
    auto folder = fresh_folder();
    std::filesystem::path reference = std::filesystem::path(VELMOR_REFERENCES) / "home_screen.png";
    write_text(folder / "home.txt",
        "wait 100\n"
        "screenshot shot.png\n"
        "expect-screen " +
            reference.string() + " 8\n");
    EnvironmentChanges changes;
    if (const char* update = std::getenv("VELMOR_UPDATE_REFERENCES"))
        changes.push_back({"VELMOR_UPDATE_REFERENCES", update});
    auto outcome =
        run({"--headless", "--device-root", (folder / "root").string(), "--script", "home.txt", "--record", "record"},
            folder, changes);
    ASSERT_EQ(outcome.exit_code, 0) << outcome.output;

    // The phone was laid out in the device root and its registry written.
    EXPECT_TRUE(std::filesystem::is_directory(folder / "root" / "Windows"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "root" / "Program Files" / "Velmor"));
    EXPECT_TRUE(std::filesystem::is_regular_file(folder / "root" / "registry.reg"));

    // The recording: frames with number and time, the animation, the log.
    auto record = folder / "record";
    std::vector<std::filesystem::path> frames;
    std::regex frame_name(R"(frame-\d{6}-\d{8}ms\.png)");
    for (const auto& entry : std::filesystem::directory_iterator(record))
        if (std::regex_match(entry.path().filename().string(), frame_name)) frames.push_back(entry.path());
    ASSERT_FALSE(frames.empty());
    std::sort(frames.begin(), frames.end());
    expect_home_screen(load(frames.back()), frames.back().string());
    Image shot = load(record / "shot.png");
    expect_home_screen(shot, "screenshot");
    EXPECT_TRUE(compare_images(shot, load(frames.back()), 0).matches);

    auto animation = gif_test::read_gif_file((record / "run.gif").string());
    ASSERT_TRUE(animation) << animation.failure().text();
    ASSERT_FALSE(animation->frames.empty());
    EXPECT_EQ(animation->width, 480);
    // The animation's colours are the palette's: each within a step of its
    // colour cube (51) of the screen's.
    Image last(480, 720);
    last.pixels = animation->frames.back().picture;
    EXPECT_LT(compare_images(shot, last, 51).differing_pixels, 480 * 720 / 100);

    std::string log = read_text(record / "events.log");
    EXPECT_NE(log.find("frame 1 presented: frame-000001-"), std::string::npos) << log;
    EXPECT_NE(log.find("expect-screen"), std::string::npos) << log;
    EXPECT_NE(log.find("100 ms  script line 2: screenshot"), std::string::npos) << log;
    EXPECT_NE(log.find("exit code 0"), std::string::npos) << log;
}

TEST(VelmorRun, FailedExpectationWritesTheActualAndDifferencePictures)
{
    auto folder = fresh_folder();
    auto written = write_png(folder / "white.png", Image(480, 720, 0xFFFFFF));
    ASSERT_TRUE(written) << written.failure().text();
    write_text(folder / "s.txt", "wait 10\nscreenshot seen.png\nexpect-screen white.png 3\n");
    auto outcome = run(
        {"--headless", "--device-root", (folder / "root").string(), "--script", (folder / "s.txt").string()}, folder);
    EXPECT_EQ(outcome.exit_code, 1) << outcome.output;
    EXPECT_NE(outcome.output.find("s.txt:3: expect-screen: " + (folder / "white.png").string()), std::string::npos)
        << outcome.output;
    EXPECT_NE(outcome.output.find("pixels differ; the first at (0, 0): expected #FFFFFF, actual #"), std::string::npos)
        << outcome.output;

    Image actual = load(folder / "white.actual.png");
    EXPECT_TRUE(compare_images(load(folder / "seen.png"), actual, 0).matches);
    Image difference = load(folder / "white.diff.png");
    EXPECT_EQ(difference.at(0, 0), 0xFF0000u);
    // The reference itself is left alone.
    EXPECT_EQ(load(folder / "white.png").at(0, 0), 0xFFFFFFu);
}

TEST(VelmorRun, MistakesAreNamedAndThePhoneIsNotStarted)
{
    auto folder = fresh_folder();
    write_text(folder / "bad.txt", "wait 10\ntap 10\nnear maybe\n");
    auto root = folder / "root";
    auto outcome = run({"--headless", "--device-root", root.string(), "--script", "bad.txt"}, folder);
    EXPECT_EQ(outcome.exit_code, 2);
    EXPECT_NE(outcome.output.find("bad.txt:2: tap: expects X Y"), std::string::npos) << outcome.output;
    EXPECT_NE(outcome.output.find("bad.txt:3: near: expects on or off"), std::string::npos) << outcome.output;
    EXPECT_NE(outcome.output.find("the phone was not started"), std::string::npos) << outcome.output;
    EXPECT_FALSE(std::filesystem::exists(root));

    outcome = run({"--headless", "--device-root", root.string(), "--fps", "0"}, folder);
    EXPECT_EQ(outcome.exit_code, 2);
    EXPECT_NE(outcome.output.find("--fps needs a whole number from 1 to 240, not \"0\""), std::string::npos)
        << outcome.output;
    EXPECT_FALSE(std::filesystem::exists(root));

    write_text(folder / "file-not-folder", "x");
    outcome = run({"--headless", "--device-root", (folder / "file-not-folder").string()}, folder);
    EXPECT_EQ(outcome.exit_code, 3);
    EXPECT_NE(outcome.output.find("file-not-folder as the device root"), std::string::npos) << outcome.output;
}

TEST(VelmorRun, HeadlessWithoutAScriptEndsOnceTheScreenIsDrawn)
{
    auto folder = fresh_folder();
    auto outcome = run({"--device-root", (folder / "root").string(), "--record", "record"}, folder,
        {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}});
    ASSERT_EQ(outcome.exit_code, 0) << outcome.output;
    std::string log = read_text(folder / "record" / "events.log");
    EXPECT_NE(log.find("display headless"), std::string::npos) << log;
    EXPECT_NE(log.find("quit: the phone is idle and there is no script"), std::string::npos) << log;
    expect_home_screen(load(folder / "record" / "frame-000001-00000000ms.png"), "first frame");
}

TEST(VelmorRun, TheWindowOpensOnAnXServerAndShowsThePhone)
{
    if (!XvfbServer::installed()) GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb)";
    auto folder = fresh_folder();
    XvfbServer server;
    bool started = server.start("1280x1024x24");
    std::string display = server.display();

    // The same phone headless, for the picture the window must show. Virtual
    // time keeps the task bar's clock the same in both.
    write_text(folder / "headless.txt", "wait 300\nscreenshot headless.png\n");
    write_text(folder / "window.txt", "wait 300\nscreenshot window.png\n");
    Outcome headless, window;
    if (started) {
        headless = run({"--headless", "--device-root", (folder / "root").string(), "--script", "headless.txt"}, folder);
        window =
            run({"--window", "--virtual-time", "--device-root", (folder / "root").string(), "--script", "window.txt"},
                // SDL 2.26's X11 driver leaves libdbus's allocations for the
                // process to release; the leak checker would count them against
                // the run. The host's own code is leak-checked by the other runs.
                folder, {{"DISPLAY", display}, {"SDL_VIDEODRIVER", std::nullopt}, {"ASAN_OPTIONS", "detect_leaks=0"}});
    }
    server.stop();
    ASSERT_TRUE(started) << "Xvfb did not start";
    ASSERT_EQ(headless.exit_code, 0) << headless.output;
    ASSERT_EQ(window.exit_code, 0) << window.output;

    Image shown = load(folder / "window.png");
    expect_home_screen(shown, "window");
    auto comparison = compare_images(load(folder / "headless.png"), shown, 0);
    EXPECT_TRUE(comparison.matches) << comparison.describe();
}
