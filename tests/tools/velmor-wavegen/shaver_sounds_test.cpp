// Listens to the synthesised shaver sounds before they become files: loops
// that join without a click, a motor that sounds like one, clicks and shake
// buzzes that can be told apart, levels that leave room for mixing.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "motor.h"
#include "shaver_sounds.h"
#include "sound_measures.h"
#include "synth.h"

namespace {

using namespace velmor_wavegen;
using namespace velmor_wavegen_test;

constexpr double rate = shaver_sample_rate;

std::map<std::string, std::vector<std::int16_t>> sounds_by_name()
{
    std::map<std::string, std::vector<std::int16_t>> sounds;
    for (auto& sound : shaver_sounds()) sounds[sound.file_name] = sound.samples;
    return sounds;
}

TEST(MotorLoops, ContinueAcrossTheSeamAsIfTheyNeverEnded)
{
    for (const MotorLoop& loop : {normal_motor(), alternative_motor()}) {
        ASSERT_TRUE(loop_is_seamless(loop, rate));
        const std::size_t extra = 400;
        const Signal twice = render_motor_loop(loop, loop.loop_samples + extra, rate);
        double largest = 0;
        for (double value : twice) largest = std::max(largest, std::abs(value));
        for (std::size_t i = 0; i < extra; ++i)
            ASSERT_NEAR(twice[loop.loop_samples + i], twice[i], 1e-6 * largest) << "sample " << i << " after the seam";
    }
}

TEST(MotorLoops, AFrequencyOffTheLoopIsCaughtAndWouldClick)
{
    MotorLoop loop = normal_motor();
    loop.fundamental_hz += 0.3;
    EXPECT_FALSE(loop_is_seamless(loop, rate));
    loop = normal_motor();
    loop.flutter_hz = 2.25;
    EXPECT_FALSE(loop_is_seamless(loop, rate));

    loop = normal_motor();
    loop.fundamental_hz += 0.3;
    const Signal twice = render_motor_loop(loop, loop.loop_samples + 200, rate);
    double worst = 0;
    for (std::size_t i = 0; i < 200; ++i) worst = std::max(worst, std::abs(twice[loop.loop_samples + i] - twice[i]));
    EXPECT_GT(worst, 0.05);
}

TEST(MotorLoops, TheWrittenSeamStepsNoFurtherThanTheLoopItself)
{
    auto sounds = sounds_by_name();
    for (const char* name : {"motor_normal.wav", "motor_alternative.wav"}) {
        const auto& samples = sounds.at(name);
        ASSERT_GT(samples.size(), rate);
        const int seam = std::abs(samples.front() - samples.back());
        EXPECT_LE(seam, largest_step(samples)) << name;
        // The seam step is an ordinary one, not merely below the worst.
        EXPECT_LT(seam, largest_step(samples) / 2) << name;
    }
}

TEST(MotorLoops, HumAroundAHundredHertzAndTheAlternativeHigherAndRougher)
{
    auto sounds = sounds_by_name();
    const auto normal = as_doubles(sounds.at("motor_normal.wav"));
    const auto alternative = as_doubles(sounds.at("motor_alternative.wav"));
    const double normal_pitch = pitch_hz(normal, 0, 8000, rate);
    const double alternative_pitch = pitch_hz(alternative, 0, 8000, rate);
    EXPECT_GE(normal_pitch, 100);
    EXPECT_LE(normal_pitch, 130);
    EXPECT_GT(alternative_pitch, normal_pitch + 15);
    EXPECT_GT(brightness(alternative), 1.2 * brightness(normal));
    // Loud enough to hear, never clipping.
    EXPECT_GT(rms(normal, 0, normal.size()), 0.05);
    EXPECT_GT(rms(alternative, 0, alternative.size()), 0.05);
}

TEST(Clicks, AreShortEndInSilenceAndDifferFromEachOther)
{
    auto sounds = sounds_by_name();
    std::vector<std::vector<double>> clicks;
    for (const char* name : {"click_on.wav", "click_off.wav", "click_mode.wav"}) {
        const auto& samples = sounds.at(name);
        // Played synchronously on a tap: the tap waits this long.
        EXPECT_LE(samples.size(), 0.25 * rate) << name;
        EXPECT_GE(samples.size(), 0.03 * rate) << name;
        EXPECT_EQ(samples.back(), 0) << name;
        // The snap is at the front.
        const auto signal = as_doubles(samples);
        EXPECT_GT(rms(signal, 0, 200), rms(signal, signal.size() - 200, signal.size())) << name;
        clicks.push_back(signal);
    }
    for (std::size_t a = 0; a < clicks.size(); ++a)
        for (std::size_t b = a + 1; b < clicks.size(); ++b) {
            const std::size_t common = std::min(clicks[a].size(), clicks[b].size());
            double product = 0, energy_a = 0, energy_b = 0;
            for (std::size_t i = 0; i < common; ++i) {
                product += clicks[a][i] * clicks[b][i];
                energy_a += clicks[a][i] * clicks[a][i];
                energy_b += clicks[b][i] * clicks[b][i];
            }
            EXPECT_LT(std::abs(product) / std::sqrt(energy_a * energy_b), 0.5) << "clicks " << a << " and " << b;
        }
}

TEST(Variants, TenBuzzesOfAFewTenthsOfASecondThatFadeInAndOut)
{
    auto sounds = sounds_by_name();
    for (int i = 1; i <= shaver_variant_count; ++i) {
        const std::string name = "shaver_v" + std::to_string(i) + ".wav";
        ASSERT_TRUE(sounds.count(name)) << name;
        const auto& samples = sounds.at(name);
        EXPECT_GE(samples.size(), 0.3 * rate - 1) << name;
        EXPECT_LE(samples.size(), 1.0 * rate + 1) << name;
        EXPECT_LE(std::abs(samples.front()), 300) << name;
        EXPECT_EQ(samples.back(), 0) << name;
        const auto signal = as_doubles(samples);
        const double whole = rms(signal, 0, signal.size());
        const auto edge = static_cast<std::size_t>(0.004 * rate);
        EXPECT_LT(rms(signal, 0, edge), 0.5 * whole) << name;
        EXPECT_LT(rms(signal, signal.size() - edge, signal.size()), 0.5 * whole) << name;
        const double pitch = pitch_hz(signal, signal.size() / 2 - 1500, signal.size() / 2 + 1500, rate);
        EXPECT_GE(pitch, 80) << name;
        EXPECT_LE(pitch, 160) << name;
    }
}

TEST(Variants, EachDiffersFromEveryOtherInLengthPitchOrShape)
{
    struct Features {
        double seconds, pitch, centre, pulsing;
    };
    auto sounds = sounds_by_name();
    std::vector<Features> features;
    for (int i = 1; i <= shaver_variant_count; ++i) {
        const auto signal = as_doubles(sounds.at("shaver_v" + std::to_string(i) + ".wav"));
        const std::size_t middle = signal.size() / 2;
        // Loudness every 20 ms: its spread tells a pulsing buzz from a steady one.
        std::vector<double> frames;
        for (std::size_t at = signal.size() / 5; at + 441 < signal.size() * 4 / 5; at += 441)
            frames.push_back(rms(signal, at, at + 441));
        double low = *std::min_element(frames.begin(), frames.end());
        double high = *std::max_element(frames.begin(), frames.end());
        features.push_back({signal.size() / rate, pitch_hz(signal, middle - 1500, middle + 1500, rate),
            energy_centre(signal), high > 0 ? low / high : 0});
    }
    for (std::size_t a = 0; a < features.size(); ++a)
        for (std::size_t b = a + 1; b < features.size(); ++b) {
            const Features& x = features[a];
            const Features& y = features[b];
            const bool different = std::abs(x.seconds - y.seconds) >= 0.04 || std::abs(x.pitch - y.pitch) >= 6 ||
                std::abs(x.centre - y.centre) >= 0.06 || std::abs(x.pulsing - y.pulsing) >= 0.25;
            EXPECT_TRUE(different) << "shaver_v" << a + 1 << " and shaver_v" << b + 1 << " sound alike";
        }
}

TEST(Levels, AShakeBuzzOverTheRunningLoopStaysBelowFullScale)
{
    auto sounds = sounds_by_name();
    auto peak = [](const std::vector<std::int16_t>& samples) {
        int largest = 0;
        for (auto value : samples) largest = std::max(largest, std::abs(static_cast<int>(value)));
        return largest;
    };
    const int loop_peak = std::max(peak(sounds.at("motor_normal.wav")), peak(sounds.at("motor_alternative.wav")));
    for (int i = 1; i <= shaver_variant_count; ++i) {
        const int variant_peak = peak(sounds.at("shaver_v" + std::to_string(i) + ".wav"));
        EXPECT_GT(variant_peak, 8000);
        EXPECT_LT(loop_peak + variant_peak, 32767) << "shaver_v" << i;
    }
    std::size_t bytes = 0;
    for (const auto& [name, samples] : sounds) bytes += 44 + 2 * samples.size();
    EXPECT_LT(bytes, 1u << 20) << "the sounds ship inside the phone's program folder";
}

TEST(Synthesis, GivesTheSameSamplesEveryTime)
{
    const auto first = shaver_sounds();
    const auto second = shaver_sounds();
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].file_name, second[i].file_name);
        EXPECT_TRUE(first[i].samples == second[i].samples) << first[i].file_name;
    }
    NoiseSource a(7), b(7), c(8);
    double same = 0, other = 0;
    for (int i = 0; i < 100; ++i) {
        double value = a.next();
        same += std::abs(value - b.next());
        other += std::abs(value - c.next());
        ASSERT_GE(value, -1.0);
        ASSERT_LT(value, 1.0);
    }
    EXPECT_EQ(same, 0);
    EXPECT_GT(other, 10);
}

TEST(Synthesis, FadesNormalisingAndSixteenBitRounding)
{
    Signal ramp(100, 1.0);
    apply_fades(ramp, 10, 20);
    EXPECT_EQ(ramp.front(), 0);
    EXPECT_EQ(ramp.back(), 0);
    EXPECT_EQ(ramp[50], 1);
    EXPECT_LT(ramp[5], ramp[9]);

    Signal short_one(3, 1.0);
    apply_fades(short_one, 50, 50);  // fades longer than the signal stay inside it
    EXPECT_EQ(short_one.back(), 0);

    Signal silent(10, 0.0);
    normalise(silent, 0.5);
    EXPECT_EQ(silent, Signal(10, 0.0));
    Signal loud {0.2, -0.8, 0.4};
    normalise(loud, 0.5);
    EXPECT_DOUBLE_EQ(loud[1], -0.5);

    const auto samples = to_pcm16({0.0, 1.0, -1.0, 2.0, -2.0, 0.5});
    EXPECT_EQ(samples, (std::vector<std::int16_t> {0, 32767, -32767, 32767, -32768, 16384}));
}

}  // namespace
