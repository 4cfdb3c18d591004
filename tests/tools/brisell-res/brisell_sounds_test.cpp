// The shaver's sounds where the phone looks for them: WAVE resources played
// with PlaySoundW, the variant files beside the program, and a loop that the
// mix carries across its seam without a click.
#include "brisell_fixture.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/audio/audio_host.h"
#include "platform/audio/wav_format.h"
#include "platform/include/mmsystem.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/utf.h"

namespace {

std::vector<std::uint8_t> read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

class BrisellSoundTest : public BrisellTest {
protected:
    void SetUp() override
    {
        BrisellTest::SetUp();
        if (HasFatalFailure()) return;
        platform::clock::reset(platform::clock::Mode::virtual_time, 0);
        platform::audio::set_problem_reporter([this](const std::string& message) { problems_.push_back(message); });
        platform::audio::BackendOptions options;
        options.wav_file = folder_ / "mix.wav";
        auto started = platform::audio::start_backend("capture", options);
        ASSERT_TRUE(started) << started.failure().text();
    }

    void TearDown() override
    {
        PlaySoundW(nullptr, nullptr, 0);
        platform::audio::stop_backend();
        platform::audio::set_problem_reporter(nullptr);
        BrisellTest::TearDown();
    }

    // Left channel of the captured mix.
    std::vector<std::int16_t> captured_left()
    {
        platform::audio::stop_backend();
        const auto bytes = read_file(folder_ / "mix.wav");
        auto wav = platform::audio::parse_wav(bytes);
        EXPECT_TRUE(wav) << wav.failure().text();
        std::vector<std::int16_t> left;
        if (!wav) return left;
        for (std::size_t at = 0; at + 3 < wav->samples.size(); at += 4)
            left.push_back(static_cast<std::int16_t>(wav->samples[at] | wav->samples[at + 1] << 8));
        return left;
    }

    std::vector<std::string> problems_;
};

TEST_F(BrisellSoundTest, VariantFilesLieInTheProgramsWaveFolder)
{
    // The program's folder as the shaver works it out.
    WCHAR program[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    ASSERT_GT(length, 0u);
    std::u16string folder(program, length);
    folder.erase(folder.find_last_of(u'\\') + 1);
    EXPECT_EQ(folder, u"\\Program Files\\Velmor\\");
    WCHAR library[MAX_PATH] = {};
    GetModuleFileNameW(library_, library, MAX_PATH);
    EXPECT_EQ(std::u16string(library), folder + u"BrisellRes.dll");

    for (int number = 1; number <= 10; ++number) {
        const std::u16string name = folder + u"WAVE\\shaver_v" + platform::from_utf8(std::to_string(number)) + u".wav";
        auto path = platform::files::map_path(name);
        ASSERT_TRUE(path && std::filesystem::exists(*path)) << platform::to_utf8(name);
        const auto bytes = read_file(*path);
        ASSERT_GT(bytes.size(), 44u);
        // The header is read at fixed offsets: nothing may sit between the
        // format and the samples.
        EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
        EXPECT_EQ(le32(bytes, 40), bytes.size() - 44);
        auto wav = platform::audio::parse_wav(bytes);
        ASSERT_TRUE(wav) << wav.failure().text();
        EXPECT_EQ(wav->format.bits, 16);
        const double seconds = static_cast<double>(bytes.size() - 44) / le32(bytes, 28);
        EXPECT_GE(seconds, 0.3) << number;
        EXPECT_LE(seconds, 1.0) << number;
    }
}

TEST_F(BrisellSoundTest, EveryResourceSoundPlaysAndTheLoopsDiffer)
{
    for (int id : {105, 106, 108})
        EXPECT_TRUE(PlaySoundW(MAKEINTRESOURCEW(id), library_, SND_RESOURCE | SND_SYNC)) << id;
    for (int id : {101, 104}) {
        EXPECT_TRUE(PlaySoundW(MAKEINTRESOURCEW(id), library_, SND_RESOURCE | SND_ASYNC | SND_LOOP)) << id;
        platform::clock::advance(100);
        EXPECT_TRUE(platform::audio::is_sound_playing(platform::from_utf8(std::to_string(id)))) << id;
    }
    EXPECT_TRUE(problems_.empty()) << problems_.front();
    const auto alternative = resource(101, u"WAVE");
    const auto normal = resource(104, u"WAVE");
    EXPECT_FALSE(normal.empty());
    EXPECT_NE(alternative, normal);
}

TEST_F(BrisellSoundTest, TheNormalLoopRunsOnWithoutAClick)
{
    const auto image = resource(104, u"WAVE");
    auto wav = platform::audio::parse_wav(image);
    ASSERT_TRUE(wav) << wav.failure().text();
    const std::uint32_t loop_ms =
        static_cast<std::uint32_t>(1000.0 * wav->samples.size() / wav->format.frame_bytes() / wav->format.rate);
    ASSERT_GT(loop_ms, 500u);

    ASSERT_TRUE(PlaySoundW(MAKEINTRESOURCEW(104), library_, SND_RESOURCE | SND_ASYNC | SND_LOOP));
    platform::clock::advance(2 * loop_ms + 200);
    PlaySoundW(nullptr, nullptr, 0);
    const auto left = captured_left();
    const std::size_t seam = static_cast<std::size_t>(loop_ms) * 441 / 10;
    ASSERT_GT(left.size(), 2 * seam + 100);

    int inside = 0;
    for (std::size_t i = 1; i < seam; ++i) inside = std::max(inside, std::abs(left[i] - left[i - 1]));
    for (std::size_t at : {seam, 2 * seam}) {
        int across = 0;
        for (std::size_t i = at - 8; i < at + 8; ++i) across = std::max(across, std::abs(left[i + 1] - left[i]));
        EXPECT_LE(across, inside) << "at the seam " << at;
    }
    // It was playing all along: no gap of silence at the seam.
    for (std::size_t at : {seam, 2 * seam}) {
        int loudest = 0;
        for (std::size_t i = at - 200; i < at + 200; ++i) loudest = std::max(loudest, std::abs(int(left[i])));
        EXPECT_GT(loudest, 2000) << at;
    }
}

}  // namespace
