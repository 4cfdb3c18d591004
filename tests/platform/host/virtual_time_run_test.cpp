// Runs in virtual time as the phone would run them: a timer's drawing is a
// frame at the timer's moment, an animation drawn back to back inside one
// handler is recorded frame by frame a frame period apart, the status
// clock turns its minute during a long wait, and what a check or a
// screenshot sees after a wait is what the wait brought.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "gif_reader.h"
#include "platform/host/png_image.h"
#include "platform/host/screen_compare.h"
#include "tests/platform/host/run_folder.h"

using namespace platform::host;

namespace {

constexpr std::uint32_t white = 0xFFFFFF;

std::filesystem::path fresh_folder() { return test_run_folder("velmor-vtime-"); }

void write_text(const std::filesystem::path& file, const std::string& text) { std::ofstream(file) << text; }

// Runs program headless with the script, recording into folder/record.
// Returns the exit code; the output goes to folder/output.txt.
int run_recorded(const char* program, const std::filesystem::path& folder, const std::string& script,
    const std::vector<std::string>& more = {})
{
    write_text(folder / "script.txt", script);
    std::vector<std::string> all = {program, "--headless", "--create-device-root", "--device-root",
        (folder / "root").string(), "--script", "script.txt", "--record", "record"};
    all.insert(all.end(), more.begin(), more.end());
    std::vector<char*> argv;
    for (auto& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child == 0) {
        if (!std::freopen((folder / "output.txt").c_str(), "w", stdout)) _exit(126);
        dup2(fileno(stdout), 2);
        if (chdir(folder.c_str()) != 0) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct RecordedFrame {
    int number = 0;
    std::uint64_t time_ms = 0;
    std::filesystem::path file;
};

std::vector<RecordedFrame> recorded_frames(const std::filesystem::path& record)
{
    std::vector<RecordedFrame> frames;
    std::regex name(R"(frame-(\d{6})-(\d{8})ms\.png)");
    for (const auto& entry : std::filesystem::directory_iterator(record)) {
        std::smatch match;
        std::string file = entry.path().filename().string();
        if (!std::regex_match(file, match, name)) continue;
        frames.push_back({std::stoi(match[1]), std::stoull(match[2]), entry.path()});
    }
    std::sort(frames.begin(), frames.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
    return frames;
}

Image load(const std::filesystem::path& file)
{
    auto image = read_png(file);
    EXPECT_TRUE(image) << image.failure().text();
    return image ? *image : Image(480, 720);
}

// What the counter program shows: its squares counted, or the colour of an
// animation frame ("anim" and its frame number from the red level).
std::string counter_state(const Image& image)
{
    std::uint32_t middle = image.at(300, 400);
    if (middle != 0) return "anim " + std::to_string((((middle >> 16) & 0xFF) + 25) / 51);
    int squares = 0;
    while (squares < 36 && image.at(22 + 24 * (squares % 18), 110 + 24 * (squares / 18)) == white) ++squares;
    return std::to_string(squares);
}

// The counter with that many squares, as the program draws it.
Image counter_picture(int squares)
{
    Image image(480, 720, 0);
    for (int i = 0; i < squares; ++i)
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                image.pixels[std::size_t(100 + 24 * (i / 18) + y) * 480 + std::size_t(12 + 24 * (i % 18) + x)] = white;
    return image;
}

}  // namespace

TEST(VirtualTimeRun, TimerTicksAndBackToBackAnimationFramesAreRecordedEachAtItsTime)
{
    auto folder = fresh_folder();
    auto written = write_png(folder / "four.png", counter_picture(4));
    ASSERT_TRUE(written) << written.failure().text();
    int code = run_recorded(VELMOR_COUNTER_PROGRAM, folder,
        "wait 1100\n"
        "expect-screen four.png 0\n"
        "tap 240 600\n"
        "wait 1000\n"
        "screenshot end.png\n");
    ASSERT_EQ(code, 0) << read_text(folder / "output.txt");
    auto record = folder / "record";

    // After the first paint, every frame in order: four ticks, the six
    // animation frames a frame period (33 ms at 30 fps) apart from the tap
    // on, the counter again, the tick that fell due meanwhile, and the ticks
    // on their own schedule after it.
    std::vector<std::pair<std::uint64_t, std::string>> seen;
    for (const auto& frame : recorded_frames(record))
        if (frame.time_ms > 0) seen.emplace_back(frame.time_ms, counter_state(load(frame.file)));
    std::vector<std::pair<std::uint64_t, std::string>> expected = {{250, "1"}, {500, "2"}, {750, "3"}, {1000, "4"},
        {1100, "anim 0"}, {1133, "anim 1"}, {1166, "anim 2"}, {1199, "anim 3"}, {1232, "anim 4"}, {1265, "anim 5"},
        {1298, "4"}, {1298, "5"}, {1500, "6"}, {1750, "7"}, {2000, "8"}};
    EXPECT_EQ(seen, expected);

    // The frames' names, the event log's stamps and the program's own
    // clock agree.
    std::string log = read_text(record / "events.log");
    std::regex presented(R"((\d+) ms  frame \d+ presented: frame-\d{6}-(\d{8})ms\.png)");
    int stamps = 0;
    for (std::sregex_iterator it(log.begin(), log.end(), presented), end; it != end; ++it, ++stamps)
        EXPECT_EQ(std::stoull((*it)[1]), std::stoull((*it)[2])) << it->str();
    EXPECT_EQ(stamps, int(recorded_frames(record).size()));
    EXPECT_NE(log.find("1298 ms  trace counter: tick 5 at 1298"), std::string::npos) << log;
    // Drawing a frame took its period: the program's clock moved with it.
    EXPECT_NE(log.find("1133 ms  trace counter: animation frame 2 at 1133"), std::string::npos) << log;
    EXPECT_NE(log.find("expect-screen four.png matches"), std::string::npos) << log;

    // The screenshot at the end shows the last tick.
    EXPECT_EQ(counter_state(load(record / "end.png")), "8");

    // run.gif plays at the run's pace: each picture stays up until the next
    // came, in hundredths rounded on one timeline, so the delays add up to
    // the run's time. Two pictures of one moment share out the shortest
    // delay (a frame period).
    auto animation = gif_test::read_gif_file((record / "run.gif").string());
    ASSERT_TRUE(animation) << animation.failure().text();
    std::vector<int> delays;
    for (const auto& frame : animation->frames) delays.push_back(frame.delay_cs);
    ASSERT_FALSE(delays.empty());
    delays.pop_back();  // the last picture has no successor
    EXPECT_EQ(delays, (std::vector<int> {25, 25, 25, 25, 10, 3, 4, 3, 3, 4, 3, 3, 17, 25, 25}));
}

TEST(VirtualTimeRun, ALongWaitShowsTheStatusClockTurningAtTheMinute)
{
    auto folder = fresh_folder();
    int code = run_recorded(VELMOR_SHELL_ONLY_PROGRAM, folder,
        "wait 100\n"
        "screenshot before.png\n"
        "wait 61000\n"
        "screenshot after.png\n");
    ASSERT_EQ(code, 0) << read_text(folder / "output.txt");
    auto record = folder / "record";
    Image before = load(record / "before.png");
    Image after = load(record / "after.png");

    // The task bar's clock (the top strip) changed; the rest did not.
    int top_changes = 0, below_changes = 0;
    for (int y = 0; y < 720; ++y)
        for (int x = 0; x < 480; ++x)
            if (before.at(x, y) != after.at(x, y)) ++(y < 40 ? top_changes : below_changes);
    EXPECT_GT(top_changes, 0);
    EXPECT_EQ(below_changes, 0);

    // The new minute was drawn and recorded when it came, not at the end of
    // the wait, and that frame is what the screenshot shows.
    auto frames = recorded_frames(record);
    auto minute = std::find_if(frames.begin(), frames.end(), [](const auto& f) { return f.time_ms == 60000; });
    ASSERT_NE(minute, frames.end());
    EXPECT_TRUE(compare_images(load(minute->file), after, 0).matches);
    EXPECT_EQ(frames.back().time_ms, 60000u);
}

TEST(VirtualTimeRun, AnHourOfWaitingMakesASmallRecordingThatKeepsItsTimes)
{
    auto folder = fresh_folder();
    int code = run_recorded(VELMOR_SHELL_ONLY_PROGRAM, folder, "wait 3600000\n");
    ASSERT_EQ(code, 0) << read_text(folder / "output.txt");
    auto record = folder / "record";

    // A second of the hour's silence is kept; the log says what was left out.
    EXPECT_LE(std::filesystem::file_size(record / "sound.wav"), 44u + 44100 * 4);
    std::string sounds = read_text(record / "sounds.log");
    EXPECT_TRUE(std::regex_search(
        sounds, std::regex(R"(\d+ ms silence left out until 3600000 ms \(sound\.wav goes on at 1\.000 s\))")))
        << sounds;

    // One frame a minute, as the status clock turns, and the GIF holds each
    // for its minute.
    auto frames = recorded_frames(record);
    ASSERT_EQ(frames.size(), 61u);
    for (std::size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(frames[i].time_ms, 60000u * i);
    auto animation = gif_test::read_gif_file((record / "run.gif").string());
    ASSERT_TRUE(animation) << animation.failure().text();
    int total_cs = 0;
    for (std::size_t i = 0; i + 1 < animation->frames.size(); ++i) total_cs += animation->frames[i].delay_cs;
    EXPECT_EQ(total_cs, 360000);
}
