// The message loop: retrieval order, quitting, time stamps, timers in
// virtual time, the idle handler and messages from other threads.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "message_sequence.h"

using namespace user_test;
using platform::user::PointerKind;

namespace {

using MessageLoopTest = WindowTest;

TEST_F(MessageLoopTest, RetrievalOrderIsSentPostedQuitInputPaintTimer)
{
    HWND hwnd = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    pump();
    SetTimer(hwnd, 1, 100, nullptr);
    platform::clock::advance(150);
    InvalidateRect(hwnd, nullptr, FALSE);
    platform::user::inject_pointer(PointerKind::down, 10, 10);
    PostMessageW(hwnd, WM_USER + 1, 0, 0);
    PostMessageW(hwnd, WM_USER + 2, 0, 0);

    // A send from another thread is handled inside GetMessageW, before all.
    std::thread sender([&] { SendMessageW(hwnd, WM_USER + 9, 0, 0); });
    while (log().empty() || log().back().message != WM_USER + 9) {
        MSG peek;
        PeekMessageW(&peek, nullptr, WM_USER + 100, WM_USER + 100, PM_NOREMOVE);
        std::this_thread::yield();
    }
    sender.join();
    log().clear();

    PostQuitMessage(5);
    std::vector<UINT> order;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0)) {
        order.push_back(message.message);
        DispatchMessageW(&message);
    }
    EXPECT_EQ(message.wParam, 5u);
    EXPECT_EQ(order, (std::vector<UINT> {WM_USER + 1, WM_USER + 2})) << "WM_QUIT comes once nothing posted is left";

    order.clear();
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(message.message);
        DispatchMessageW(&message);
    }
    EXPECT_EQ(order, (std::vector<UINT> {WM_LBUTTONDOWN, WM_PAINT, WM_TIMER}));
}

TEST_F(MessageLoopTest, MessagesCarryTheClockTime)
{
    HWND hwnd = make(u"Recorder", 0, 0, 0, 10, 10);
    platform::clock::advance(250);
    PostMessageW(hwnd, WM_USER, 0, 0);
    platform::user::inject_pointer(PointerKind::move, 1, 2);
    platform::clock::advance(100);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.time, GetTickCount() - 100);
    EXPECT_EQ(GetMessageTime(), static_cast<LONG>(GetTickCount() - 100));
    ShowWindow(hwnd, SW_SHOWNA);
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
    EXPECT_EQ(message.time, GetTickCount() - 100) << "input is stamped when it happened, not when it was read";
    EXPECT_EQ(message.pt.x, 1);
    EXPECT_EQ(message.pt.y, 2);
}

TEST_F(MessageLoopTest, TimersRunInVirtualTimeWithoutWaiting)
{
    HWND hwnd = make(u"Recorder", 0, 0, 0, 10, 10);
    std::uint64_t start = platform::clock::now();
    ASSERT_EQ(SetTimer(hwnd, 1, 1000, nullptr), 1u);
    ASSERT_EQ(SetTimer(hwnd, 2, 300, nullptr), 2u);
    std::vector<std::pair<UINT_PTR, std::uint64_t>> ticks;
    MSG message;
    while (ticks.size() < 5 && GetMessageW(&message, nullptr, 0, 0)) {
        ASSERT_EQ(message.message, static_cast<UINT>(WM_TIMER));
        ticks.emplace_back(message.wParam, platform::clock::now() - start);
    }
    std::vector<std::pair<UINT_PTR, std::uint64_t>> expected {{2, 300}, {2, 600}, {2, 900}, {1, 1000}, {2, 1200}};
    EXPECT_EQ(ticks, expected);

    EXPECT_TRUE(KillTimer(hwnd, 2));
    EXPECT_FALSE(KillTimer(hwnd, 2));
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(message.wParam, 1u);
    EXPECT_EQ(platform::clock::now() - start, 2000u);

    // Setting a timer again restarts it.
    platform::clock::advance(500);
    SetTimer(hwnd, 1, 1000, nullptr);
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(platform::clock::now() - start, 3500u);
}

int thread_timer_calls = 0;
void CALLBACK count_thread_timer(HWND hwnd, UINT message, UINT_PTR, DWORD)
{
    if (hwnd == nullptr && message == WM_TIMER) ++thread_timer_calls;
}

TEST_F(MessageLoopTest, ThreadTimersCallTheirProcedure)
{
    thread_timer_calls = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 50, count_thread_timer);
    ASSERT_NE(id, 0u);
    MSG message;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
        DispatchMessageW(&message);
    }
    EXPECT_EQ(thread_timer_calls, 3);
    EXPECT_TRUE(KillTimer(nullptr, id));
}

// What a program's static object does on its way out, after the thread's
// own state has ended: it kills its timer.
struct KillsItsTimerAtThreadEnd {
    UINT_PTR timer = 0;
    BOOL* killed = nullptr;
    ~KillsItsTimerAtThreadEnd() { *killed = KillTimer(nullptr, timer); }
};

TEST_F(MessageLoopTest, CallsAfterTheThreadsQueueEndedFindAnEmptyQueueNotAFreedOne)
{
    BOOL killed = TRUE;
    std::thread([&] {
        // Made before the queue, so it is destroyed after it.
        thread_local KillsItsTimerAtThreadEnd late;
        late.killed = &killed;
        late.timer = SetTimer(nullptr, 0, 1000, nullptr);
        ASSERT_NE(late.timer, 0u);
    }).join();
    // The timer went with the queue; a freed queue would be touched here
    // (the sanitizer build reports it) or answer TRUE.
    EXPECT_FALSE(killed);
}

TEST_F(MessageLoopTest, IdleLoopWithNothingToWaitForEndsInsteadOfHanging)
{
    std::string trace;
    int capture = platform::debug_output::add_capture([&](std::string_view line) { trace += line; });
    MSG message;
    EXPECT_EQ(GetMessageW(&message, nullptr, 0, 0), FALSE);
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(static_cast<int>(message.wParam), platform::user::stalled_exit_code);
    platform::debug_output::remove_capture(capture);
    EXPECT_NE(trace.find("nothing to wait for"), std::string::npos);
}

TEST_F(MessageLoopTest, AnIdleLoopStopsOnItsWayToATimerButAStopAloneDoesNotKeepItAlive)
{
    HWND hwnd = make(u"Recorder", 0, 0, 0, 10, 10);
    std::uint64_t start = platform::clock::now();
    std::vector<std::uint64_t> jumps;
    int listener = platform::clock::add_listener([&](std::uint64_t, std::uint64_t to) { jumps.push_back(to - start); });
    int stop = platform::clock::add_stop([start](std::uint64_t now) {
        return now < start + 250 ? std::optional<std::uint64_t>(start + 250) : std::nullopt;
    });
    SetTimer(hwnd, 1, 400, nullptr);
    MSG message;
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(jumps, (std::vector<std::uint64_t> {250, 400}));

    // Without a timer the loop has nothing to wait for, stop or not.
    KillTimer(hwnd, 1);
    platform::clock::remove_stop(stop);
    stop = platform::clock::add_stop([](std::uint64_t now) { return std::optional<std::uint64_t>(now + 100); });
    EXPECT_FALSE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(static_cast<int>(message.wParam), platform::user::stalled_exit_code);
    platform::clock::remove_stop(stop);
    platform::clock::remove_listener(listener);
}

TEST_F(MessageLoopTest, IdleHandlerFeedsTheLoop)
{
    HWND hwnd = make(u"Recorder", WS_VISIBLE, 0, 0, 480, 720);
    pump();
    log().clear();
    SetTimer(hwnd, 3, 500, nullptr);
    std::vector<std::optional<std::uint64_t>> asked;
    int step = 0;
    platform::user::set_idle_handler([&](std::optional<std::uint64_t> due) {
        asked.push_back(due);
        switch (step++) {
        case 0:
            // A scripted tap 200 ms in, before the timer.
            platform::clock::advance(200);
            platform::user::inject_pointer(PointerKind::down, 5, 5);
            platform::user::inject_pointer(PointerKind::up, 5, 5);
            break;
        case 1:
            break;  // nothing to do: the loop jumps to the timer itself
        default:
            PostQuitMessage(0);
        }
    });
    std::uint64_t start = platform::clock::now();
    EXPECT_EQ(platform::user::run_until_quit(), 0);
    ASSERT_GE(asked.size(), 3u);
    EXPECT_EQ(asked[0], std::optional<std::uint64_t>(start + 500));
    expect_sequence(
        {
            {hwnd, WM_LBUTTONDOWN, with_both, MK_LBUTTON, point(5, 5)},
            {hwnd, WM_LBUTTONUP, with_both, 0, point(5, 5)},
            {hwnd, WM_TIMER, with_wparam, 3},
        },
        "scripted run");
    EXPECT_EQ(platform::clock::now() - start, 500u);
}

TEST_F(MessageLoopTest, AHostsOwnIdleWaitGetsTheTimersDeadlineAndIsWokenByAnotherThread)
{
    HWND hwnd = make(u"Recorder", WS_VISIBLE, 0, 0, 10, 10);
    pump();
    platform::clock::set_mode(platform::clock::Mode::real_time);
    SetTimer(hwnd, 7, 5000, nullptr);
    int handler_calls = 0;
    platform::user::set_idle_handler([&](std::optional<std::uint64_t>) { ++handler_calls; });

    // A host's wait on its own events (a window's), woken through wake().
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::uint32_t> timeouts;
    bool waiting = false, woken = false;
    platform::user::set_idle_wait(platform::user::IdleWait {
        [&](std::uint32_t timeout_ms) {
            std::unique_lock lock(mutex);
            timeouts.push_back(timeout_ms);
            waiting = true;
            changed.notify_all();
            changed.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return woken; });
            waiting = false;
        },
        [&] {
            std::lock_guard lock(mutex);
            woken = true;
            changed.notify_all();
        }});
    struct Restore {
        ~Restore()
        {
            platform::user::set_idle_wait({});
            platform::clock::set_mode(platform::clock::Mode::virtual_time);
        }
    } restore;

    std::thread poster([&] {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return waiting; });
        lock.unlock();
        PostMessageW(hwnd, WM_USER + 3, 0, 0);
    });
    MSG message {};
    while (GetMessageW(&message, nullptr, 0, 0) && message.message != WM_USER + 3) DispatchMessageW(&message);
    poster.join();
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER + 3));
    // One wait, as long as the timer allows rather than a short poll, ended
    // by the post; the idle handler was not asked again and again meanwhile.
    ASSERT_EQ(timeouts.size(), 1u);
    EXPECT_GT(timeouts[0], 4000u);
    EXPECT_LE(timeouts[0], 5000u);
    EXPECT_TRUE(woken);
    EXPECT_LE(handler_calls, 2);
    KillTimer(hwnd, 7);
}

TEST_F(MessageLoopTest, PostsAndSendsFromOtherThreads)
{
    HWND hwnd = make(u"Recorder", 0, 0, 0, 10, 10);
    platform::clock::set_mode(platform::clock::Mode::real_time);
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) PostMessageW(hwnd, WM_USER, i, 0);
        EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), 0);
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    });
    MSG message;
    int received = 0;
    WPARAM expected_next = 0;
    while (IsWindow(hwnd) && GetMessageW(&message, nullptr, 0, 0)) {
        if (message.message == WM_USER) {
            EXPECT_EQ(message.wParam, expected_next++);
            ++received;
        }
        DispatchMessageW(&message);
    }
    worker.join();
    platform::clock::set_mode(platform::clock::Mode::virtual_time);
    EXPECT_EQ(received, 100);
    EXPECT_FALSE(IsWindow(hwnd));
}

// Each post lands just as the loop has found its queue empty and turns to
// wait: the loop must still wake for it, not sleep until something else
// comes.
TEST_F(MessageLoopTest, APostJustAsTheLoopGoesIdleStillWakesIt)
{
    HWND hwnd = make(u"Recorder", 0, 0, 0, 10, 10);
    platform::clock::set_mode(platform::clock::Mode::real_time);
    constexpr int posts = 3000;
    std::atomic<int> handled {0};
    std::atomic<int> lost {0};
    std::thread poster([&] {
        for (int i = 1; i <= posts && lost.load() == 0; ++i) {
            PostMessageW(hwnd, WM_USER, static_cast<WPARAM>(i), 0);
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            while (handled.load() < i) {
                if (std::chrono::steady_clock::now() > deadline) {
                    // The loop slept through the post; another one wakes it.
                    lost = i;
                    PostMessageW(hwnd, WM_NULL, 0, 0);
                    break;
                }
                std::this_thread::yield();
            }
        }
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    });
    MSG message;
    while (IsWindow(hwnd) && GetMessageW(&message, nullptr, 0, 0)) {
        if (message.message == WM_USER) handled = static_cast<int>(message.wParam);
        DispatchMessageW(&message);
    }
    poster.join();
    platform::clock::set_mode(platform::clock::Mode::virtual_time);
    EXPECT_EQ(lost.load(), 0) << "the loop slept through post " << lost.load() << " of " << posts;
    EXPECT_EQ(handled.load(), posts);
}

TEST_F(MessageLoopTest, RegisteredMessagesAndFilters)
{
    UINT a = RegisterWindowMessageW(u"ShellNotifyMsg/ClickMKey");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageW(u"shellnotifymsg/clickmkey"), a);
    EXPECT_NE(RegisterWindowMessageW(u"CALL_MESSAGE"), a);
    EXPECT_EQ(RegisterWindowMessageW(u""), 0u);

    HWND one = make(u"Recorder", 0, 0, 0, 10, 10);
    HWND two = make(u"Recorder", 0, 0, 0, 10, 10);
    PostMessageW(one, WM_USER, 0, 0);
    PostMessageW(two, 0xFFF10003, 0, 0);
    PostMessageW(nullptr, WM_APP, 0, 0);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, two, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, 0xFFF10003u);
    ASSERT_TRUE(PeekMessageW(&message, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_APP));
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.hwnd, one);
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
}

}  // namespace
