// Listens to the phone's key tick and switch click: short, with the snap at
// the front and silence at the end, the tick softer and brighter than the
// switch, and neither to be mistaken for the other or for the shaver's own
// clicks.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "shaver_sounds.h"
#include "sound_measures.h"
#include "system_sounds.h"

namespace {

using namespace velmor_wavegen;
using namespace velmor_wavegen_test;

constexpr double rate = system_sample_rate;

std::map<std::string, std::vector<std::int16_t>> sounds_by_name()
{
    std::map<std::string, std::vector<std::int16_t>> sounds;
    for (auto& sound : system_sounds()) sounds[sound.file_name] = sound.samples;
    return sounds;
}

int peak(const std::vector<std::int16_t>& samples)
{
    int largest = 0;
    for (auto value : samples) largest = std::max(largest, std::abs(static_cast<int>(value)));
    return largest;
}

// Normalised correlation of the two sounds laid over each other from their
// starts: near 1 for the same sound, near 0 for unrelated ones.
double likeness(const std::vector<double>& a, const std::vector<double>& b)
{
    const std::size_t common = std::min(a.size(), b.size());
    double product = 0, energy_a = 0, energy_b = 0;
    for (std::size_t i = 0; i < common; ++i) {
        product += a[i] * b[i];
        energy_a += a[i] * a[i];
        energy_b += b[i] * b[i];
    }
    return energy_a > 0 && energy_b > 0 ? std::abs(product) / std::sqrt(energy_a * energy_b) : 0;
}

TEST(SystemSounds, AreTheTwoFilesTheKeySoundServicePlays)
{
    auto sounds = sounds_by_name();
    ASSERT_EQ(sounds.size(), 2u);
    EXPECT_TRUE(sounds.count("keyloud.wav"));
    EXPECT_TRUE(sounds.count("switch.wav"));
}

TEST(SystemSounds, AreShortSnapAtTheFrontAndEndInSilence)
{
    for (const auto& [name, samples] : sounds_by_name()) {
        // Played on every key press, possibly several a second.
        EXPECT_GE(samples.size(), 0.015 * rate) << name;
        EXPECT_LE(samples.size(), 0.1 * rate) << name;
        EXPECT_EQ(samples.back(), 0) << name;
        const auto signal = as_doubles(samples);
        const auto five_ms = static_cast<std::size_t>(0.005 * rate);
        EXPECT_GT(rms(signal, 0, five_ms), 4 * rms(signal, signal.size() - five_ms, signal.size())) << name;
        // Heard, and with room left: never at full scale.
        EXPECT_GT(peak(samples), 6000) << name;
        EXPECT_LT(peak(samples), 24000) << name;
    }
}

TEST(SystemSounds, TheKeyTickIsSofterShorterAndBrighterThanTheSwitch)
{
    auto sounds = sounds_by_name();
    const auto& tick = sounds.at("keyloud.wav");
    const auto& click = sounds.at("switch.wav");
    EXPECT_LT(peak(tick), peak(click));
    EXPECT_LT(tick.size(), click.size());
    const auto tick_signal = as_doubles(tick);
    const auto click_signal = as_doubles(click);
    double tick_energy = 0, click_energy = 0;
    for (double value : tick_signal) tick_energy += value * value;
    for (double value : click_signal) click_energy += value * value;
    EXPECT_LT(tick_energy, 0.6 * click_energy);
    EXPECT_GT(brightness(tick_signal), 1.2 * brightness(click_signal));
}

TEST(SystemSounds, TheSwitchSettlesWithASecondSnap)
{
    const auto click = as_doubles(sounds_by_name().at("switch.wav"));
    // Loudness per millisecond: after the first snap has died down it rises
    // again when the lever reaches its stop.
    const auto millisecond = static_cast<std::size_t>(rate / 1000);
    std::vector<double> envelope;
    for (std::size_t at = 0; at + millisecond <= click.size(); at += millisecond)
        envelope.push_back(rms(click, at, at + millisecond));
    bool fell = false, rose_again = false;
    for (std::size_t i = 1; i < envelope.size(); ++i) {
        if (envelope[i] < 0.25 * envelope[0]) fell = true;
        if (fell && envelope[i] > 2 * envelope[i - 1] && envelope[i] > 0.1 * envelope[0]) rose_again = true;
    }
    EXPECT_TRUE(fell);
    EXPECT_TRUE(rose_again);
}

TEST(SystemSounds, SoundLikeNeitherEachOtherNorTheShaversClicks)
{
    auto system = sounds_by_name();
    std::map<std::string, std::vector<double>> others;
    for (auto& sound : shaver_sounds())
        if (sound.file_name.starts_with("click_")) others[sound.file_name] = as_doubles(sound.samples);
    ASSERT_EQ(others.size(), 3u);
    const auto tick = as_doubles(system.at("keyloud.wav"));
    const auto click = as_doubles(system.at("switch.wav"));
    EXPECT_LT(likeness(tick, click), 0.5);
    for (const auto& [name, shaver_click] : others) {
        EXPECT_LT(likeness(tick, shaver_click), 0.5) << name;
        EXPECT_LT(likeness(click, shaver_click), 0.5) << name;
    }
}

}  // namespace
