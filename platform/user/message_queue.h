// A thread's message queue: posted messages, calls other threads make on it
// (sent messages, requests from other programs), its quit request and its
// timers. Input, paint and timer messages are not stored: they are made when
// the queue is read, so they always come after what was sent and posted.
//
// Any thread may post or call; the owner reads. Every change bumps a
// process-wide activity count, so a waiting reader can tell that something
// arrived.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/include/winuser.h"

namespace platform::user {

struct Timer {
    std::uint32_t window = 0;  // 0 for a thread timer
    UINT_PTR id = 0;
    UINT interval = 0;
    std::uint64_t due = 0;
    TIMERPROC procedure = nullptr;
    std::uint64_t order = 0;  // creation order, to break ties between due timers
};

// Work a thread asks the queue's owner to do and may wait for.
struct QueuedCall {
    std::function<LRESULT()> work;
    LRESULT result = 0;
    bool done = false;
};

class ThreadQueue {
public:
    ThreadQueue();

    DWORD thread_id() const { return thread_id_; }
    bool owned_by_current_thread() const { return std::this_thread::get_id() == thread_; }

    void post(const MSG& message);
    // Runs work on the owner's thread when it next reads its queue and waits
    // for the result.
    LRESULT call(std::function<LRESULT()> work);
    // Hands work to the owner without waiting.
    void call_later(std::function<LRESULT()> work);
    void post_quit(int exit_code);

    // Owner side. run_calls runs what other threads queued; it returns
    // whether there was any.
    bool run_calls();
    // The first posted message that passes the filter, removed if asked.
    bool take_posted(MSG& message, bool (*passes)(const MSG&, const void*), const void* filter, bool remove);
    bool has_posted();
    std::optional<int> quit_request(bool remove);
    // Forgets posted messages of a window that is going away.
    void drop_posted_for(std::uint32_t window);
    // Forgets everything posted, the quit request and the thread timers.
    void clear();

    std::vector<Timer>& timers() { return timers_; }
    std::uint64_t next_timer_order() { return ++timer_order_; }

    // Waits until the activity count differs from seen, or timeout_ms passes
    // (INFINITE: no limit). Only for real time.
    void wait_for_activity(std::uint64_t seen, DWORD timeout_ms);
    void wake();

private:
    std::thread::id thread_;
    DWORD thread_id_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<MSG> posted_;
    std::deque<std::shared_ptr<QueuedCall>> calls_;
    std::condition_variable call_done_;
    std::optional<int> quit_code_;
    std::vector<Timer> timers_;
    std::uint64_t timer_order_ = 0;
};

// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> current_queue();
// The queue of the first thread that made a window: where input goes.
std::shared_ptr<ThreadQueue> ui_queue();
void set_ui_queue(const std::shared_ptr<ThreadQueue>& queue);
std::shared_ptr<ThreadQueue> queue_of_thread(DWORD thread_id);

std::uint64_t activity();
void note_activity();
// Called (from the thread that caused it) on activity while armed: how a
// wait outside the queues learns that it should end. Both safe from any
// thread; the waker must not block.
void set_activity_waker(std::function<void()> waker);
void arm_activity_waker(bool armed);
// Wakes every queue's waiting reader.
void wake_all_queues();

// The message loop's time stamp and cursor position for a message made now.
MSG make_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace platform::user
