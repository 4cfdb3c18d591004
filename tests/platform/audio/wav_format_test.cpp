// The RIFF/WAVE parser: real files put chunks in many orders and lie about
// sizes; it must play what is sound and refuse the rest with a reason.
#include "audio_fixture.h"
#include "platform/audio/wav_file_writer.h"

using platform::audio::parse_wav;

namespace {

void append_chunk(std::vector<std::uint8_t>& out, const char* id, std::vector<std::uint8_t> body, std::uint32_t size)
{
    out.insert(out.end(), id, id + 4);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
    out.insert(out.end(), body.begin(), body.end());
}

std::vector<std::uint8_t> fmt_body(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits)
{
    auto wav = make_wav(channels, rate, bits, {});
    std::vector<std::uint8_t> body(wav.begin() + 20, wav.begin() + 36);
    body[0] = static_cast<std::uint8_t>(tag);
    body[1] = static_cast<std::uint8_t>(tag >> 8);
    return body;
}

std::vector<std::uint8_t> riff(std::vector<std::uint8_t> chunks)
{
    // Sized for the header and the chunks at once: appending to a 12-byte
    // vector makes GCC 12 at -O3 see a copy past its end.
    std::vector<std::uint8_t> out(12 + chunks.size());
    std::memcpy(out.data(), "RIFF\0\0\0\0WAVE", 12);
    std::uint32_t size = static_cast<std::uint32_t>(chunks.size() + 4);
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    std::copy(chunks.begin(), chunks.end(), out.begin() + 12);
    return out;
}

}  // namespace

TEST(WavFormat, ChunksInAnyOrderWithOthersSkipped)
{
    std::vector<std::uint8_t> chunks;
    append_chunk(chunks, "LIST", {1, 2, 3}, 3);  // odd size: one pad byte follows
    chunks.push_back(0);
    append_chunk(chunks, "data", {10, 20, 30, 40, 50}, 5);  // a trailing half frame
    chunks.push_back(0);
    append_chunk(chunks, "fmt ", fmt_body(1, 1, 22050, 16), 16);
    auto bytes = riff(chunks);  // the samples point into it
    auto sound = parse_wav(bytes);
    ASSERT_TRUE(sound) << sound.failure().text();
    EXPECT_EQ(sound->format.channels, 1);
    EXPECT_EQ(sound->format.rate, 22050u);
    EXPECT_EQ(sound->format.bits, 16);
    EXPECT_EQ(std::vector<std::uint8_t>(sound->samples.begin(), sound->samples.end()),
        (std::vector<std::uint8_t> {10, 20, 30, 40}));
    EXPECT_FALSE(sound->truncated);
}

TEST(WavFormat, SizesThatLieAreBoundedByTheBytesThere)
{
    // A data chunk claiming more than the file holds, and a RIFF size of 0
    // as streaming writers leave it.
    auto wav = make_wav(2, 44100, 16, std::vector<std::uint8_t>(8, 7));
    wav[40] = 0xFF;
    wav[41] = 0xFF;
    wav[4] = wav[5] = wav[6] = wav[7] = 0;
    auto sound = parse_wav(wav);
    ASSERT_TRUE(sound) << sound.failure().text();
    EXPECT_TRUE(sound->truncated);
    EXPECT_EQ(sound->samples.size(), 8u);
    EXPECT_EQ(sound->samples.data(), wav.data() + 44);

    // A RIFF size shorter than the file ends the walk early.
    auto trailing = make_wav(1, 8000, 8, {1, 2});
    trailing.resize(trailing.size() + 100, 0xAA);
    auto shorter = parse_wav(trailing);
    ASSERT_TRUE(shorter) << shorter.failure().text();
    EXPECT_EQ(shorter->samples.size(), 2u);
}

TEST(WavFormat, RefusesWhatCannotPlayWithTheReason)
{
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::string reason;
    };
    std::vector<std::uint8_t> no_fmt;
    append_chunk(no_fmt, "data", {0, 0}, 2);
    std::vector<std::uint8_t> short_fmt;
    append_chunk(short_fmt, "fmt ", {1, 0, 1, 0}, 4);
    std::vector<std::uint8_t> cut_fmt;
    append_chunk(cut_fmt, "fmt ", {1, 0, 1, 0}, 16);
    std::vector<std::uint8_t> no_data;
    append_chunk(no_data, "fmt ", fmt_body(1, 1, 8000, 8), 16);
    auto misaligned = make_wav(2, 44100, 16, {});
    misaligned[32] = 2;
    auto rifx = make_wav(1, 8000, 8, {});
    rifx[3] = 'X';

    std::vector<Case> cases = {
        {{}, "shorter than a RIFF header (0 bytes)"},
        {rifx, "not a RIFF/WAVE file"},
        {riff(no_fmt), "no fmt chunk"},
        {riff(short_fmt), "fmt chunk of 4 bytes is too short"},
        {riff(cut_fmt), "fmt chunk is cut short"},
        {riff(no_data), "no data chunk"},
        {make_wav(1, 8000, 8, {}), ""},
        {misaligned, "block align 2 does not match 2 channels of 16 bits"},
        {make_wav(1, 8000, 24, {}), "24 bits per sample (only 8 or 16 play)"},
        {make_wav(3, 8000, 16, {}), "3 channels (only mono or stereo play)"},
        {make_wav(1, 500, 8, {}), "sample rate 500 Hz is out of range"},
    };
    for (const Case& test : cases) {
        auto sound = parse_wav(test.bytes);
        if (test.reason.empty()) {
            EXPECT_TRUE(sound) << sound.failure().text();
            continue;
        }
        ASSERT_FALSE(sound) << test.reason;
        EXPECT_EQ(sound.failure().text(), test.reason);
    }
}

TEST_F(AudioTest, CaptureFileIsACanonicalWavOfTheWholeRun)
{
    put_file("Windows/a.wav", level_wav(441, -2));
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\a.wav", nullptr, SND_SYNC));
    platform::clock::advance(990);
    platform::audio::stop_backend();
    EXPECT_EQ(platform::audio::backend_name(), "null");

    auto bytes = read_file(folder_ / "mix.wav");
    ASSERT_EQ(bytes.size(), 44u + 44100u * 4u);
    auto field = [&](std::size_t at, int size) {
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i) value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
        return value;
    };
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(field(4, 4), 36u + 44100u * 4u);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(field(16, 4), 16u);
    EXPECT_EQ(field(20, 2), 1u);
    EXPECT_EQ(field(22, 2), 2u);
    EXPECT_EQ(field(24, 4), 44100u);
    EXPECT_EQ(field(28, 4), 44100u * 4u);
    EXPECT_EQ(field(32, 2), 4u);
    EXPECT_EQ(field(34, 2), 16u);
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    EXPECT_EQ(field(40, 4), 44100u * 4u);
    EXPECT_EQ(field(44, 2), 0xFFFEu);  // the first sample, -2
    EXPECT_EQ(field(44 + 441 * 4, 2), 0u);

    platform::audio::BackendOptions options;
    options.wav_file = folder_ / "missing-folder" / "mix.wav";
    auto unwritable = platform::audio::start_backend("capture", options);
    ASSERT_FALSE(unwritable);
    EXPECT_EQ(unwritable.failure().text(),
        options.wav_file.string() + ": cannot create the file (No such file or directory)");
    auto unknown = platform::audio::start_backend("speaker", options);
    ASSERT_FALSE(unknown);
    EXPECT_EQ(unknown.failure().text(), "no audio backend named \"speaker\" (null, capture or sdl)");
}

TEST(WavFileWriter, AWriteThatFailsIsKeptUntilTheFileIsFinishedAndNamesIt)
{
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to write into";
    platform::audio::WavFileWriter writer;
    auto opened = writer.open("/dev/full", 44100, 2);
    ASSERT_TRUE(opened) << opened.failure().text();
    writer.write(std::vector<std::int16_t>(44100 * 2, 5));
    auto finished = writer.finish();
    ASSERT_FALSE(finished);
    EXPECT_EQ(finished.failure().text(), "/dev/full: cannot write the file (No space left on device)");
    // Closing says it again: the first failure is the one that matters.
    auto closed = writer.close();
    ASSERT_FALSE(closed);
    EXPECT_EQ(closed.failure().text(), finished.failure().text());

    // The same writer on a good file starts clean.
    velmor_test::TempFolder folder("velmor-wav-writer");
    ASSERT_TRUE(folder.made());
    ASSERT_TRUE(writer.open(folder / "good.wav", 8000, 1));
    writer.write(std::vector<std::int16_t>(8000, 5));
    auto good = writer.close();
    EXPECT_TRUE(good) << good.failure().text();
    EXPECT_EQ(std::filesystem::file_size(folder / "good.wav"), 44u + 16000u);
}

TEST_F(AudioTest, ACaptureThatCannotWriteSaysSoWhenItEnds)
{
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to write into";
    platform::audio::BackendOptions options;
    options.wav_file = "/dev/full";
    auto started = platform::audio::start_backend("capture", options);
    ASSERT_TRUE(started) << started.failure().text();
    put_file("Windows/a.wav", level_wav(4410, 1000));
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\a.wav", nullptr, SND_SYNC));
    platform::audio::stop_backend();
    EXPECT_NE(
        std::find(problems_.begin(), problems_.end(), "/dev/full: cannot write the file (No space left on device)"),
        problems_.end())
        << ::testing::PrintToString(problems_);
}

TEST_F(AudioTest, ABackendThatCannotStartLeavesTheOneInUsePlaying)
{
    auto no_file = platform::audio::start_backend("capture", {});
    ASSERT_FALSE(no_file);
    EXPECT_EQ(no_file.failure().text(), "the capture backend needs a WAV file to write to");
    EXPECT_FALSE(platform::audio::start_backend("speaker", {}));
    EXPECT_EQ(platform::audio::backend_name(), "capture");

    put_file("Windows/a.wav", level_wav(441, 300));
    ASSERT_TRUE(PlaySoundW(u"\\Windows\\a.wav", nullptr, SND_SYNC));
    auto mix = captured();
    EXPECT_EQ(left_at(mix, 5), 300) << "the first capture still records";
}
