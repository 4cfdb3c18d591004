// A recording's bounds: frames and run.gif stop when their share of the
// limit would be overrun, the log when its share is used up, and each says
// so once while the run goes on.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "gif_reader.h"
#include "platform/gdi/screen.h"
#include "platform/host/recorder.h"
#include "platform/kernel/clock.h"

using namespace platform::host;

namespace {

std::filesystem::path fresh_folder(const char* name)
{
    auto folder = std::filesystem::temp_directory_path() / (std::string("velmor-recorder-") + name);
    std::filesystem::remove_all(folder);
    return folder;
}

std::string read_text(const std::filesystem::path& file)
{
    std::ifstream stream(file);
    return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

int frame_files(const std::filesystem::path& folder)
{
    static const std::regex name(R"(frame-\d{6}-\d{8}ms\.png)");
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (std::regex_match(entry.path().filename().string(), name)) ++count;
    return count;
}

// A screen of noise, so its PNG and GIF frame are large.
Image noisy_screen(std::uint32_t seed)
{
    Image image(platform::gdi::Screen::width, platform::gdi::Screen::height);
    for (auto& pixel : image.pixels) {
        seed = seed * 1103515245u + 12345u;
        pixel = seed >> 8;
    }
    return image;
}

}  // namespace

TEST(Recorder, SharesOfTheLimitAreNeverOverrunAndReachingThemIsSaidOnce)
{
    platform::clock::reset(platform::clock::Mode::virtual_time);
    auto limits = RecordingLimits::share(64'000'000);
    EXPECT_EQ(limits.sound_bytes + limits.event_log_bytes + limits.sound_log_bytes + limits.session_script_bytes +
            limits.frames_bytes,
        64'000'000u);
    EXPECT_EQ(limits.sound_bytes, 16'000'000u);

    // Room for a few noisy frames only.
    limits.frames_bytes = 5'000'000;
    limits.event_log_bytes = 4000;
    auto folder = fresh_folder("limits");
    std::string error;
    auto recorder = Recorder::open(folder, 30, limits, &error);
    ASSERT_TRUE(recorder) << error;
    for (std::uint32_t i = 0; i < 12; ++i) {
        platform::clock::advance(100);
        recorder->frame(noisy_screen(i), platform::clock::now());
    }
    EXPECT_TRUE(recorder->frames_full());
    int written = recorder->frames();
    EXPECT_GE(written, 1);
    EXPECT_LT(written, 12);
    for (int i = 0; i < 200; ++i) recorder->event("a line of the run's story, number " + std::to_string(i));
    ASSERT_TRUE(recorder->close(0, &error)) << error;

    std::uint64_t frames_bytes = std::filesystem::file_size(folder / "run.gif");
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("frame-")) frames_bytes += entry.file_size();
    EXPECT_LE(frames_bytes, limits.frames_bytes);
    EXPECT_EQ(frame_files(folder), written);
    auto animation = gif_test::read_gif_file((folder / "run.gif").string(), &error);
    ASSERT_TRUE(animation.has_value()) << error;
    EXPECT_EQ(int(animation->frames.size()), written);

    std::string log = read_text(folder / "events.log");
    EXPECT_LE(log.size(), limits.event_log_bytes);
    std::string frames_full = "later frames are not recorded";
    EXPECT_NE(log.find(frames_full), std::string::npos) << log;
    EXPECT_EQ(log.find(frames_full), log.rfind(frames_full));
    EXPECT_NE(log.find("events.log reached its share of the recording limit"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("ms  exit code 0\n")) << log;
}
