// A fresh phone for each sound test: its own device root, the clock in
// virtual time at 0, and the mix captured to a WAV file whose samples and
// events the test can read back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/audio/audio_host.h"
#include "platform/audio/wav_format.h"
#include "platform/files/device_root.h"
#include "platform/include/mmsystem.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/utf.h"
#include "platform/loader/module_registry.h"
#include "tests/support/temp_folder.h"

// A canonical PCM WAV image of the given samples (raw little-endian bytes).
inline std::vector<std::uint8_t> make_wav(
    std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, const std::vector<std::uint8_t>& data)
{
    // Sized for header and samples at once: appending the samples to a
    // 44-byte vector makes GCC 12 at -O3 see a copy past its end.
    std::vector<std::uint8_t> out(44 + data.size());
    auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    std::memcpy(out.data(), "RIFF", 4);
    put(4, static_cast<std::uint32_t>(36 + data.size()), 4);
    std::memcpy(out.data() + 8, "WAVEfmt ", 8);
    put(16, 16, 4);
    put(20, 1, 2);
    put(22, channels, 2);
    put(24, rate, 4);
    put(28, rate * align, 4);
    put(32, align, 2);
    put(34, bits, 2);
    std::memcpy(out.data() + 36, "data", 4);
    put(40, static_cast<std::uint32_t>(data.size()), 4);
    std::copy(data.begin(), data.end(), out.begin() + 44);
    return out;
}

// Stereo 16-bit frames at 44100 Hz, every sample `level`: it reaches the mix
// unchanged, so sums can be checked exactly.
inline std::vector<std::uint8_t> level_samples(std::size_t frames, std::int16_t level)
{
    std::vector<std::uint8_t> data(frames * 4);
    for (std::size_t i = 0; i < frames * 2; ++i) {
        data[2 * i] = static_cast<std::uint8_t>(level);
        data[2 * i + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(level) >> 8);
    }
    return data;
}

inline std::vector<std::uint8_t> level_wav(std::size_t frames, std::int16_t level)
{
    return make_wav(2, 44100, 16, level_samples(frames, level));
}

class AudioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.made());
        folder_ = temp_.path();
        ASSERT_TRUE(platform::files::set_device_root(folder_ / "root"));
        platform::loader::set_program_path(u"\\Program Files\\Velmor\\Velmor.exe");
        platform::clock::reset(platform::clock::Mode::virtual_time, 0);
        platform::audio::set_problem_reporter([this](const std::string& message) { problems_.push_back(message); });
        platform::audio::set_event_listener(
            [this](const platform::audio::SoundEvent& event) { events_.push_back(platform::audio::describe(event)); });
        platform::audio::BackendOptions options;
        options.wav_file = folder_ / "mix.wav";
        options.event_log_file = folder_ / "events.log";
        auto started = platform::audio::start_backend("capture", options);
        ASSERT_TRUE(started) << started.failure().text();
    }

    void TearDown() override
    {
        PlaySoundW(nullptr, nullptr, 0);
        platform::audio::stop_backend();
        platform::audio::set_event_listener(nullptr);
        platform::audio::set_problem_reporter(nullptr);
        platform::loader::unload_all_modules();
    }

    // Writes bytes to a path below the device root ("Windows/switch.wav").
    void put_file(const std::string& relative, const std::vector<std::uint8_t>& bytes)
    {
        auto path = folder_ / "root" / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    static std::vector<std::uint8_t> read_file(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Ends the capture and returns the mix as interleaved stereo samples.
    std::vector<std::int16_t> captured()
    {
        platform::audio::stop_backend();
        auto bytes = read_file(folder_ / "mix.wav");
        auto wav = platform::audio::parse_wav(bytes);
        EXPECT_TRUE(wav) << wav.failure().text();
        if (!wav) return {};
        std::vector<std::int16_t> samples(wav->samples.size() / 2);
        std::memcpy(samples.data(), wav->samples.data(), samples.size() * 2);
        return samples;
    }

    // The left sample of the frame playing at `ms`.
    static std::int16_t left_at(const std::vector<std::int16_t>& mix, double ms)
    {
        std::size_t frame = static_cast<std::size_t>(ms * 44.1 + 1e-6);
        return frame * 2 < mix.size() ? mix[frame * 2] : std::int16_t(-1);
    }

    velmor_test::TempFolder temp_ {"velmor-audio"};
    std::filesystem::path folder_;
    std::vector<std::string> events_;
    std::vector<std::string> problems_;
};
