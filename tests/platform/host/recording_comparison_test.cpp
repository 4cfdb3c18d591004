// Comparing two recordings: the same runs agree, and each kind of
// difference is found and named where it first appears.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "platform/host/png_image.h"
#include "platform/host/recorder.h"
#include "platform/host/recording_comparison.h"
#include "platform/kernel/clock.h"
#include "tests/support/temp_folder.h"

using namespace platform::host;

namespace {

namespace fs = std::filesystem;

// One run's folder in the test's temporary folder.
fs::path run_folder(const velmor_test::TempFolder& temporary, const char* name)
{
    fs::create_directories(temporary / name);
    return temporary / name;
}

void write_text(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// A 16-bit mono PCM WAV file with the canonical 44-byte header.
void write_wav(const fs::path& file, const std::vector<std::int16_t>& samples, std::uint32_t rate = 1000)
{
    auto le = [](std::string& out, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xFF);
    };
    std::string bytes = "RIFF";
    std::uint32_t data_size = std::uint32_t(samples.size() * 2);
    le(bytes, 36 + data_size, 4);
    bytes += "WAVEfmt ";
    le(bytes, 16, 4);
    le(bytes, 1, 2);
    le(bytes, 1, 2);
    le(bytes, rate, 4);
    le(bytes, rate * 2, 4);
    le(bytes, 2, 2);
    le(bytes, 16, 2);
    bytes += "data";
    le(bytes, data_size, 4);
    for (auto sample : samples) le(bytes, std::uint16_t(sample), 2);
    write_text(file, bytes);
}

// A recording of three small frames, a second of sound and a log naming
// its own folder.
void write_recording(const fs::path& folder, const std::string& own_name)
{
    for (int i = 1; i <= 3; ++i) {
        Image frame(8, 6, 0x102030u * std::uint32_t(i));
        char name[64];
        std::snprintf(name, sizeof name, "frame-%06d-%08dms.png", i, i * 33);
        ASSERT_TRUE(write_png(folder / name, frame));
    }
    write_wav(folder / "sound.wav", std::vector<std::int16_t>(1000, 5));
    write_text(folder / "events.log",
        "        0 ms  device root " + own_name +
            "\n       33 ms  frame 1 presented\n       66 ms  sound started x\n       99 ms  exit code 0\n");
}

RecordingComparison compare(const fs::path& a, const fs::path& b)
{
    return compare_recordings(a, b, {{"/first/root", "<root>"}}, {{"/second/root", "<root>"}});
}

}  // namespace

TEST(RecordingComparison, RunsThatAgreeAreTheSameOnceTheirOwnFolderNamesAreSetAside)
{
    velmor_test::TempFolder temporary("velmor-compare");
    fs::path a = run_folder(temporary, "a"), b = run_folder(temporary, "b");
    write_recording(a, "/first/root");
    write_recording(b, "/second/root");
    auto result = compare(a, b);
    EXPECT_TRUE(result.same()) << result.differences[0];
    EXPECT_EQ(result.frames, 3);
    EXPECT_EQ(result.samples, 1000u);
    EXPECT_EQ(result.log_lines, 4);

    // Without the substitution the folder names differ on the first line.
    auto plain = compare_recordings(a, b, {}, {});
    ASSERT_EQ(plain.differences.size(), 1u);
    EXPECT_NE(plain.differences[0].find("events.log line 1"), std::string::npos) << plain.differences[0];
}

TEST(RecordingComparison, NamesTheFirstFrameSampleAndLineThatDiffer)
{
    velmor_test::TempFolder temporary("velmor-compare");
    fs::path a = run_folder(temporary, "a"), b = run_folder(temporary, "b");
    write_recording(a, "/first/root");
    write_recording(b, "/second/root");
    Image changed(8, 6, 0x204060u);
    changed.at(5, 4) = 0xFFFFFF;
    ASSERT_TRUE(write_png(b / "frame-000002-00000066ms.png", changed));
    std::vector<std::int16_t> samples(1000, 5);
    samples[640] = 6;
    samples[900] = 7;
    write_wav(b / "sound.wav", samples);
    write_text(b / "events.log",
        "        0 ms  device root /second/root\n       33 ms  frame 1 presented\n       66 ms  sound started y\n"
        "       99 ms  exit code 1\n");

    auto result = compare(a, b);
    ASSERT_EQ(result.differences.size(), 3u);
    EXPECT_NE(result.differences[0].find("frame 2 (frame-000002-00000066ms.png)"), std::string::npos)
        << result.differences[0];
    EXPECT_NE(result.differences[0].find("pixel (5, 4)"), std::string::npos) << result.differences[0];
    EXPECT_NE(result.differences[1].find("sample 640 (0.640 s"), std::string::npos) << result.differences[1];
    EXPECT_NE(result.differences[2].find("events.log line 3"), std::string::npos) << result.differences[2];
    EXPECT_NE(result.differences[2].find("sound started y"), std::string::npos) << result.differences[2];
}

TEST(RecordingComparison, FramesThatCannotBeReadAreNeverTheSame)
{
    velmor_test::TempFolder temporary("velmor-compare");
    fs::path a = run_folder(temporary, "a"), b = run_folder(temporary, "b");
    write_recording(a, "/first/root");
    write_recording(b, "/second/root");
    // In both runs frame 2 is a folder: read as files, both would be empty and equal.
    for (const fs::path& run : {a, b}) {
        fs::remove(run / "frame-000002-00000066ms.png");
        fs::create_directory(run / "frame-000002-00000066ms.png");
    }
    auto result = compare(a, b);
    ASSERT_FALSE(result.same());
    EXPECT_EQ(result.differences[0], "frame 2 (frame-000002-00000066ms.png) cannot be read in the first run");
}

TEST(RecordingComparison, ARunThatGoesOnLongerIsNamedWhereTheOtherStopped)
{
    velmor_test::TempFolder temporary("velmor-compare");
    fs::path a = run_folder(temporary, "a"), b = run_folder(temporary, "b");
    write_recording(a, "/first/root");
    write_recording(b, "/second/root");
    // A frame presented at another time, one more frame, more sound, more log.
    fs::rename(b / "frame-000003-00000099ms.png", b / "frame-000003-00000100ms.png");
    ASSERT_TRUE(write_png(b / "frame-000004-00000133ms.png", Image(8, 6)));
    write_wav(b / "sound.wav", std::vector<std::int16_t>(1200, 5));
    std::ofstream(b / "events.log", std::ios::app) << "      133 ms  more\n";

    auto result = compare(a, b);
    ASSERT_EQ(result.differences.size(), 3u);
    EXPECT_NE(result.differences[0].find("frame 3 was presented at another time"), std::string::npos)
        << result.differences[0];
    EXPECT_NE(result.differences[1].find("second run's sound goes on"), std::string::npos) << result.differences[1];
    EXPECT_NE(result.differences[1].find("sample 1000"), std::string::npos) << result.differences[1];
    EXPECT_NE(result.differences[2].find("line 5 is only in the second"), std::string::npos) << result.differences[2];

    fs::remove(b / "frame-000004-00000133ms.png");
    fs::rename(b / "frame-000003-00000100ms.png", b / "frame-000003-00000099ms.png");
    fs::remove(a / "frame-000003-00000099ms.png");
    auto fewer = compare(a, b);
    ASSERT_FALSE(fewer.same());
    EXPECT_NE(
        fewer.differences[0].find("frame 3 (frame-000003-00000099ms.png) is only in the second"), std::string::npos)
        << fewer.differences[0];

    // A recording without sound in one run only, or a broken sound file, is a difference too.
    fs::remove(a / "sound.wav");
    EXPECT_NE(compare(a, b).differences[1].find("only the second run has sound.wav"), std::string::npos);
    write_text(a / "sound.wav", "RIFF....WAVE");
    EXPECT_NE(compare(a, b).differences[1].find("holds no PCM samples"), std::string::npos);
}

TEST(RecordingComparison, FramesKeptAsHashesAreComparedByTheirHashes)
{
    velmor_test::TempFolder temporary("velmor-compare");
    fs::path a = run_folder(temporary, "a"), b = run_folder(temporary, "b");
    platform::clock::reset(platform::clock::Mode::virtual_time);
    for (const fs::path& folder : {a, b}) {
        auto opened = Recorder::open(folder, 30, RecordingLimits::share(64'000'000), FrameRecording::hashes);
        ASSERT_TRUE(opened) << opened.failure().text();
        auto& recorder = *opened;
        recorder->frame(Image(480, 720, 0x112233), 0);
        // The second run's second picture differs in one pixel.
        Image second(480, 720, 0x445566);
        if (folder == b) second.at(479, 719) = 0x445567;
        recorder->frame(second, 40);
        auto closed = recorder->close(0);
        ASSERT_TRUE(closed) << closed.failure().text();
        EXPECT_FALSE(fs::exists(folder / "run.gif"));
        EXPECT_FALSE(fs::exists(folder / "frame-000001-00000000ms.png"));
    }
    auto result = compare_recordings(a, b, {}, {});
    EXPECT_EQ(result.frames, 2);
    ASSERT_FALSE(result.same());
    EXPECT_NE(
        result.differences[0].find("frame 2 (frame-000002-00000040ms) shows another picture, hash"), std::string::npos)
        << result.differences[0];
}
