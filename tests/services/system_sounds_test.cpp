// The key-sound service with the sounds the build lays into the phone's
// \Windows folder: each click plays its own file, is heard, and is over
// within a fraction of a second.
#include "services_fixture.h"

#include <cmath>
#include <fstream>
#include <iterator>

#include "platform/audio/audio_host.h"
#include "platform/kernel/clock.h"
#include "services/key_sounds.h"

using namespace services_test;
using platform::audio::is_sound_playing;

namespace {

// Loudness of the 16-bit samples of a WAV file written by the capture
// backend, between two moments of its timeline.
struct Captured {
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
    std::vector<std::int16_t> samples;

    double rms_between(double from_s, double to_s) const
    {
        if (!rate || !channels) return 0;
        auto index = [&](double s) { return std::min(samples.size(), std::size_t(s * rate) * channels); };
        double sum = 0;
        std::size_t begin = index(from_s), end = index(to_s);
        for (std::size_t i = begin; i < end; ++i) sum += double(samples[i]) * samples[i];
        return end > begin ? std::sqrt(sum / double(end - begin)) : 0;
    }
};

Captured read_capture(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
    Captured captured;
    if (bytes.size() < 44) return captured;
    captured.channels = std::uint16_t(bytes[22] | bytes[23] << 8);
    captured.rate = std::uint32_t(bytes[24] | bytes[25] << 8 | bytes[26] << 16 | bytes[27] << 24);
    for (std::size_t at = 44; at + 1 < bytes.size(); at += 2)
        captured.samples.push_back(std::int16_t(bytes[at] | bytes[at + 1] << 8));
    return captured;
}

class SystemSoundsTest : public ServicesTest {
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        auto windows = device_root() / "Windows";
        std::filesystem::create_directories(windows);
        for (const char* name : {"keyloud.wav", "switch.wav"})
            std::filesystem::copy_file(std::filesystem::path(VELMOR_SYSTEM_SOUNDS_DIR) / name, windows / name,
                std::filesystem::copy_options::overwrite_existing);
        delete_volume_key();
        set_volume_dword(u"Silence", 0);
        set_volume_dword(u"Key", 1);
    }
    void TearDown() override
    {
        PlaySoundW(nullptr, nullptr, 0);
        platform::audio::stop_backend();
        ServicesTest::TearDown();
    }

    // Plays one click into a capture file with half a second of the clock
    // after it, and reads back what was heard.
    Captured capture(void (*click)(), const char16_t* file, bool* played, bool* over_soon)
    {
        auto wav = device_root() / "capture.wav";
        platform::audio::BackendOptions options;
        options.wav_file = wav;
        auto started = platform::audio::start_backend("capture", options);
        EXPECT_TRUE(started) << started.failure().text();
        click();
        *played = is_sound_playing(file);
        platform::clock::advance(150);
        *over_soon = !is_sound_playing(file);
        platform::clock::advance(350);
        platform::audio::stop_backend();
        return read_capture(wav);
    }
};

TEST_F(SystemSoundsTest, EachClickPlaysItsBuiltFileAudiblyAndBriefly)
{
    struct Case {
        void (*click)();
        const char16_t* file;
    };
    for (const Case& c :
        {Case {PlayKeySound, u"\\Windows\\keyloud.wav"}, Case {PlaySwitchSound, u"\\Windows\\switch.wav"}}) {
        bool played = false, over_soon = false;
        Captured heard = capture(c.click, c.file, &played, &over_soon);
        std::string name(c.file, c.file + std::char_traits<char16_t>::length(c.file));
        EXPECT_TRUE(played) << name;
        EXPECT_TRUE(over_soon) << name;
        ASSERT_GT(heard.rate, 0u) << name;
        // The click is at the start of the capture and silence follows it.
        EXPECT_GT(heard.rms_between(0, 0.02), 500) << name;
        EXPECT_LT(heard.rms_between(0.2, 0.5), 1) << name;
    }
}

}  // namespace
