#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "platform/include/winbase.h"
#include "platform/kernel/clock.h"

namespace phone_clock = platform::clock;

namespace {

class ClockTest : public ::testing::Test {
protected:
    void TearDown() override { phone_clock::reset(phone_clock::Mode::virtual_time); }
};

TEST_F(ClockTest, VirtualTimeMovesOnlyWhenTheSystemWaits)
{
    phone_clock::reset(phone_clock::Mode::virtual_time, 1000);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> jumps;
    int listener =
        phone_clock::add_listener([&](std::uint64_t from, std::uint64_t to) { jumps.emplace_back(from, to); });

    EXPECT_EQ(GetTickCount(), 1000u);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(GetTickCount(), 1000u);

    Sleep(250);
    EXPECT_EQ(GetTickCount(), 1250u);
    EXPECT_EQ(phone_clock::wait_until(5000), 5000u);
    phone_clock::advance_to(4000);  // in the past: nothing happens
    phone_clock::advance(10);
    Sleep(0);
    EXPECT_EQ(phone_clock::now(), 5010u);

    phone_clock::remove_listener(listener);
    phone_clock::advance(1);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> expected {{1000, 1250}, {1250, 5000}, {5000, 5010}};
    EXPECT_EQ(jumps, expected);
}

TEST_F(ClockTest, TickCountWrapsAsADword)
{
    phone_clock::reset(phone_clock::Mode::virtual_time, 0xFFFFFFFFull - 10);
    DWORD start = GetTickCount();
    EXPECT_EQ(start, 0xFFFFFFF5u);
    Sleep(20);
    EXPECT_EQ(GetTickCount(), 9u);
    EXPECT_EQ(GetTickCount() - start, 20u);
    EXPECT_EQ(phone_clock::now(), 0x100000009ull);
}

TEST_F(ClockTest, ConcurrentAdvancesAddUpWhileConcurrentSleepsOverlap)
{
    phone_clock::reset(phone_clock::Mode::virtual_time, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 1000; ++i) phone_clock::advance(1);
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(phone_clock::now(), 4000u);

    // Threads sleeping at the same time share the time that passes, as on a
    // real clock; each still sees its whole sleep go by.
    std::atomic<bool> short_sleep {false};
    threads.clear();
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 1000; ++i) {
                std::uint64_t before = phone_clock::now();
                Sleep(1);
                if (phone_clock::now() < before + 1) short_sleep = true;
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_FALSE(short_sleep);
    EXPECT_GE(phone_clock::now(), 5000u);
    EXPECT_LE(phone_clock::now(), 8000u);
}

TEST_F(ClockTest, RealTimeFollowsTheWallClockAndKeepsItsPlaceAcrossModes)
{
    phone_clock::reset(phone_clock::Mode::virtual_time, 5000);
    phone_clock::set_mode(phone_clock::Mode::real_time);
    auto wall_start = std::chrono::steady_clock::now();
    std::uint64_t start = phone_clock::now();
    EXPECT_GE(start, 5000u);
    Sleep(30);
    EXPECT_GE(phone_clock::now(), start + 30);
    EXPECT_GE(std::chrono::steady_clock::now() - wall_start, std::chrono::milliseconds(30));

    phone_clock::set_mode(phone_clock::Mode::virtual_time);
    std::uint64_t frozen = phone_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(phone_clock::now(), frozen);
}

TEST_F(ClockTest, RealTimeSleeperWakesWhenTheClockIsAdvancedPastItsTarget)
{
    phone_clock::reset(phone_clock::Mode::real_time, 0);
    std::atomic<bool> woke {false};
    std::thread sleeper([&] {
        phone_clock::wait_until(10 * 60 * 1000);
        woke = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(woke);
    phone_clock::advance(10 * 60 * 1000);
    sleeper.join();
    EXPECT_TRUE(woke);
}

TEST_F(ClockTest, TimedConditionWaitJumpsVirtualTimeButNotAnInfiniteOne)
{
    phone_clock::reset(phone_clock::Mode::virtual_time, 100);
    std::mutex mutex;
    std::condition_variable condition;
    bool ready = false;
    std::unique_lock lock(mutex);
    EXPECT_FALSE(phone_clock::wait_for_condition(lock, condition, 0, [&] { return ready; }));
    EXPECT_EQ(phone_clock::now(), 100u);
    EXPECT_FALSE(phone_clock::wait_for_condition(lock, condition, 400, [&] { return ready; }));
    EXPECT_EQ(phone_clock::now(), 500u);

    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::lock_guard guard(mutex);
        ready = true;
        condition.notify_all();
    });
    EXPECT_TRUE(phone_clock::wait_for_condition(lock, condition, INFINITE, [&] { return ready; }));
    EXPECT_EQ(phone_clock::now(), 500u);
    lock.unlock();
    setter.join();
}

TEST_F(ClockTest, TheNextStopIsTheEarliestMomentStillAhead)
{
    EXPECT_FALSE(phone_clock::next_stop().has_value());
    int past = phone_clock::add_stop([](std::uint64_t) { return std::optional<std::uint64_t>(0); });
    int later = phone_clock::add_stop([](std::uint64_t now) { return std::optional<std::uint64_t>(now + 500); });
    int sooner = phone_clock::add_stop(
        [](std::uint64_t now) { return now < 300 ? std::optional<std::uint64_t>(300) : std::nullopt; });
    EXPECT_EQ(phone_clock::next_stop(), std::optional<std::uint64_t>(300));
    phone_clock::advance_to(300);  // reached: it asks for nothing more
    EXPECT_EQ(phone_clock::next_stop(), std::optional<std::uint64_t>(800));
    phone_clock::remove_stop(later);
    EXPECT_FALSE(phone_clock::next_stop().has_value());
    EXPECT_EQ(phone_clock::now(), 300u);  // asking never moves the clock
    phone_clock::remove_stop(past);
    phone_clock::remove_stop(sooner);
}

}  // namespace
