// Shakes: the same seed shakes the same way, a shake is strong enough for a
// check every 300 ms to notice and dies away, and the accelerometer follows
// the clock through a burst and settles back on its tilt.

#include <cstdlib>

#include "device_test_support.h"
#include "platform/devices/shake_generator.h"

using namespace device_test;
using platform::devices::Acceleration;
using platform::devices::resting_acceleration;
using platform::devices::ShakeBurst;

namespace {

int largest_axis_change(Acceleration a, Acceleration b)
{
    return std::max({std::abs(a.x - b.x), std::abs(a.y - b.y), std::abs(a.z - b.z)});
}

std::vector<Acceleration> readings(const ShakeBurst& burst, std::uint64_t from, std::uint64_t to, std::uint64_t step)
{
    std::vector<Acceleration> values;
    for (std::uint64_t time = from; time < to; time += step)
        values.push_back(burst.reading_at(time, resting_acceleration));
    return values;
}

TEST(ShakeGeneratorTest, SameSeedSameShakeOtherSeedOtherShake)
{
    ShakeBurst first(7, 1000, 1000);
    ShakeBurst again(7, 50000, 1000);
    ShakeBurst other(8, 1000, 1000);
    EXPECT_EQ(readings(first, 1000, 2000, 7), readings(again, 50000, 51000, 7));
    EXPECT_NE(readings(first, 1000, 2000, 7), readings(other, 1000, 2000, 7));
}

TEST(ShakeGeneratorTest, EveryShakeIsNoticedByAThreeHundredMillisecondCheckAndDiesAway)
{
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        ShakeBurst burst(seed, 0, 1000);
        EXPECT_GE(burst.frequency_hz(), 4.0);
        EXPECT_LE(burst.frequency_hz(), 6.0);

        // The check compares each reading with the last one that differed by
        // more than 5 on some axis. Whenever its 300 ms period happens to
        // start, it must notice the shake.
        for (std::uint64_t offset = 0; offset < 300; offset += 25) {
            Acceleration baseline = burst.reading_at(offset, resting_acceleration);
            int noticed = 0;
            for (std::uint64_t time = offset + 300; time < 1000; time += 300) {
                Acceleration now = burst.reading_at(time, resting_acceleration);
                if (largest_axis_change(now, baseline) > 5) {
                    ++noticed;
                    baseline = now;
                }
            }
            EXPECT_GE(noticed, 1) << "seed " << seed << ", checks from " << offset << " ms";
        }
        EXPECT_LE(largest_axis_change(burst.reading_at(0, resting_acceleration), resting_acceleration), 3)
            << "seed " << seed << " starts at rest";

        int early = 0;  // the strongest swing in the first 400 ms
        int late = 0;  // and from 400 to 900 ms
        for (std::uint64_t time = 0; time < 1000; ++time) {
            int change = largest_axis_change(burst.reading_at(time, resting_acceleration), resting_acceleration);
            if (time < 400)
                early = std::max(early, change);
            else if (time < 900)
                late = std::max(late, change);
            else if (time >= 980) {
                EXPECT_LE(change, 5) << "seed " << seed << " at " << time;
            }
        }
        EXPECT_GE(early, 40) << "seed " << seed << " is too weak to be a shake";
        EXPECT_LT(late, early) << "seed " << seed << " does not die away";
        EXPECT_EQ(burst.reading_at(1000, resting_acceleration), resting_acceleration);
    }
}

TEST(ShakeGeneratorTest, ReadingsStayInRangeAroundAnyTilt)
{
    ShakeBurst burst(3, 0, 2000);
    Acceleration tilted {120, -120, 127};
    for (std::uint64_t time = 0; time < 2000; time += 3) {
        Acceleration value = burst.reading_at(time, tilted);
        EXPECT_GE(value.x, -128);
        EXPECT_LE(value.z, 127);
    }
    EXPECT_EQ(burst.reading_at(2000, tilted), tilted);
}

using AccelerometerShakeTest = DeviceTest;

TEST_F(AccelerometerShakeTest, ReadingsFollowTheClockThroughABurstAndSettleOnTheTilt)
{
    HANDLE device = CreateFileW(u"ACC0:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    auto read = [&] {
        std::int8_t out[3] {};
        EXPECT_TRUE(DeviceIoControl(device, 0x4000C, nullptr, 0, out, 3, nullptr, nullptr));
        return Acceleration {out[0], out[1], out[2]};
    };
    EXPECT_EQ(read(), resting_acceleration);
    platform::devices::tilt(10, 20, 30);
    platform::devices::set_shake_seed(42);
    std::uint64_t start = platform::clock::now();
    platform::devices::shake(600);
    EXPECT_TRUE(platform::devices::device_status().shaking);

    ShakeBurst expected(42, start, 600);
    for (int step = 0; step < 6; ++step) {
        platform::clock::advance(100);
        EXPECT_EQ(read(), expected.reading_at(platform::clock::now(), Acceleration {10, 20, 30}));
    }
    EXPECT_FALSE(platform::devices::device_status().shaking);
    EXPECT_EQ(read(), (Acceleration {10, 20, 30}));

    // The next shake takes the next seed; a tilt ends a shake at once.
    std::uint64_t second_start = platform::clock::now();
    platform::devices::shake(1000);
    platform::clock::advance(150);
    EXPECT_EQ(read(), ShakeBurst(43, second_start, 1000).reading_at(platform::clock::now(), Acceleration {10, 20, 30}));
    platform::devices::tilt(0, 0, 64);
    EXPECT_EQ(read(), resting_acceleration);
    CloseHandle(device);
}

}  // namespace
