#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/include/winbase.h"

namespace {

BOOL try_enter_from_other_thread(CRITICAL_SECTION& section)
{
    BOOL entered = FALSE;
    std::thread other([&] {
        entered = TryEnterCriticalSection(&section);
        if (entered) LeaveCriticalSection(&section);
    });
    other.join();
    return entered;
}

TEST(CriticalSection, OwnerMayEnterAgainAndHoldsUntilTheLastLeave)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    EXPECT_FALSE(try_enter_from_other_thread(section));
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    EXPECT_FALSE(try_enter_from_other_thread(section));
    LeaveCriticalSection(&section);
    EXPECT_TRUE(try_enter_from_other_thread(section));

    // A thread that does not hold the section cannot release it for the owner.
    EnterCriticalSection(&section);
    std::thread intruder([&] { LeaveCriticalSection(&section); });
    intruder.join();
    EXPECT_FALSE(try_enter_from_other_thread(section));
    LeaveCriticalSection(&section);
    DeleteCriticalSection(&section);
}

TEST(CriticalSection, SerialisesThreadsThatEnterRecursively)
{
    static CRITICAL_SECTION section;  // a zeroed static works before initialisation, too
    InitializeCriticalSection(&section);
    long counter = 0;
    std::atomic<int> inside {0};
    std::atomic<bool> overlapped {false};
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            EnterCriticalSection(&section);
            if (inside.fetch_add(1) != 0) overlapped = true;
            EnterCriticalSection(&section);
            long seen = counter;
            counter = seen + 1;
            LeaveCriticalSection(&section);
            inside.fetch_sub(1);
            LeaveCriticalSection(&section);
        }
    };
    std::thread first(work);
    std::thread second(work);
    first.join();
    second.join();
    EXPECT_EQ(counter, 40000);
    EXPECT_FALSE(overlapped);
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    LeaveCriticalSection(&section);
    DeleteCriticalSection(&section);
}

}  // namespace
