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
#include "tests/support/temp_folder.h"

using namespace platform::host;

namespace {

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
    velmor_test::TempFolder temporary("velmor-recorder");
    // A folder the recording makes itself.
    auto folder = temporary / "limits";
    auto opened = Recorder::open(folder, 30, limits);
    ASSERT_TRUE(opened) << opened.failure().text();
    auto& recorder = *opened;
    for (std::uint32_t i = 0; i < 12; ++i) {
        platform::clock::advance(100);
        recorder->frame(noisy_screen(i), platform::clock::now());
    }
    EXPECT_TRUE(recorder->frames_full());
    int written = recorder->frames();
    EXPECT_GE(written, 1);
    EXPECT_LT(written, 12);
    for (int i = 0; i < 200; ++i) recorder->event("a line of the run's story, number " + std::to_string(i));
    auto closed = recorder->close(0);
    ASSERT_TRUE(closed) << closed.failure().text();

    std::uint64_t frames_bytes = std::filesystem::file_size(folder / "run.gif");
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("frame-")) frames_bytes += entry.file_size();
    EXPECT_LE(frames_bytes, limits.frames_bytes);
    EXPECT_EQ(frame_files(folder), written);
    auto animation = gif_test::read_gif_file((folder / "run.gif").string());
    ASSERT_TRUE(animation) << animation.failure().text();
    EXPECT_EQ(int(animation->frames.size()), written);

    std::string log = read_text(folder / "events.log");
    EXPECT_LE(log.size(), limits.event_log_bytes);
    std::string frames_full = "later frames are not recorded";
    EXPECT_NE(log.find(frames_full), std::string::npos) << log;
    EXPECT_EQ(log.find(frames_full), log.rfind(frames_full));
    EXPECT_NE(log.find("events.log reached its share of the recording limit"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("ms  exit code 0\n")) << log;
}

TEST(Recorder, AFolderThatCannotBeMadeIsRefusedNamingIt)
{
    velmor_test::TempFolder temporary("velmor-recorder");
    std::ofstream(temporary / "taken") << "a file, not a folder";
    auto under_a_file = Recorder::open(temporary / "taken" / "record", 30, RecordingLimits::share(64'000'000));
    ASSERT_FALSE(under_a_file);
    EXPECT_EQ(under_a_file.failure().where, (temporary / "taken" / "record").string());
    EXPECT_TRUE(
        under_a_file.failure().message.starts_with("cannot record here: it is not a folder that can be created ("))
        << under_a_file.failure().text();

    auto the_file_itself = Recorder::open(temporary / "taken", 30, RecordingLimits::share(64'000'000));
    ASSERT_FALSE(the_file_itself);
    EXPECT_TRUE(the_file_itself.failure().text().starts_with(
        (temporary / "taken").string() + ": cannot record here: it is not a folder that can be created"))
        << the_file_itself.failure().text();
    EXPECT_EQ(read_text(temporary / "taken"), "a file, not a folder");
}
