#include "platform/user/message_queue.h"

#include <algorithm>
#include <atomic>
#include <map>

#include "platform/kernel/clock.h"
#include "platform/kernel/thread_id.h"
#include "platform/user/input.h"

namespace platform::user {
namespace {

std::atomic<std::uint64_t> activity_count {0};

// Someone waiting elsewhere than on a queue (a window's event wait) who must
// hear of activity; only called while armed, so busy threads pay one load.
std::atomic<bool> waker_armed {false};
std::mutex waker_mutex;
std::function<void()>* activity_waker = nullptr;

struct QueueRegistry {
    std::mutex mutex;
    std::map<DWORD, std::weak_ptr<ThreadQueue>> queues;
    std::weak_ptr<ThreadQueue> ui;
};

QueueRegistry& registry()
{
    static QueueRegistry* instance = new QueueRegistry;
    return *instance;
}

}  // namespace

std::uint64_t activity() { return activity_count.load(); }
void note_activity()
{
    activity_count.fetch_add(1);
    if (!waker_armed.load()) return;
    std::lock_guard lock(waker_mutex);
    if (activity_waker) (*activity_waker)();
}

void set_activity_waker(std::function<void()> waker)
{
    std::lock_guard lock(waker_mutex);
    delete activity_waker;
    activity_waker = waker ? new std::function<void()>(std::move(waker)) : nullptr;
}

void arm_activity_waker(bool armed) { waker_armed.store(armed); }

ThreadQueue::ThreadQueue()
    : thread_(std::this_thread::get_id())
    , thread_id_(platform::current_thread_id())
{
}

void ThreadQueue::post(const MSG& message)
{
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(message);
        note_activity();
    }
    wake_.notify_all();
}

LRESULT ThreadQueue::call(std::function<LRESULT()> work)
{
    if (owned_by_current_thread()) return work();
    auto queued = std::make_shared<QueuedCall>();
    queued->work = std::move(work);
    std::unique_lock lock(mutex_);
    calls_.push_back(queued);
    note_activity();
    wake_.notify_all();
    call_done_.wait(lock, [&] { return queued->done; });
    return queued->result;
}

void ThreadQueue::call_later(std::function<LRESULT()> work)
{
    auto queued = std::make_shared<QueuedCall>();
    queued->work = std::move(work);
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(queued);
        note_activity();
    }
    wake_.notify_all();
}

void ThreadQueue::post_quit(int exit_code)
{
    {
        std::lock_guard lock(mutex_);
        quit_code_ = exit_code;
        note_activity();
    }
    wake_.notify_all();
}

bool ThreadQueue::run_calls()
{
    bool ran = false;
    for (;;) {
        std::shared_ptr<QueuedCall> next;
        {
            std::lock_guard lock(mutex_);
            if (calls_.empty()) return ran;
            next = calls_.front();
            calls_.pop_front();
        }
        LRESULT result = next->work();
        ran = true;
        {
            std::lock_guard lock(mutex_);
            next->result = result;
            next->done = true;
        }
        call_done_.notify_all();
    }
}

bool ThreadQueue::take_posted(MSG& message, bool (*passes)(const MSG&, const void*), const void* filter, bool remove)
{
    std::lock_guard lock(mutex_);
    for (auto it = posted_.begin(); it != posted_.end(); ++it) {
        if (!passes(*it, filter)) continue;
        message = *it;
        if (remove) posted_.erase(it);
        return true;
    }
    return false;
}

bool ThreadQueue::has_posted()
{
    std::lock_guard lock(mutex_);
    return !posted_.empty();
}

std::optional<int> ThreadQueue::quit_request(bool remove)
{
    std::lock_guard lock(mutex_);
    auto code = quit_code_;
    if (remove) quit_code_.reset();
    return code;
}

void ThreadQueue::drop_posted_for(std::uint32_t window)
{
    std::lock_guard lock(mutex_);
    std::erase_if(posted_, [&](const MSG& message) {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(message.hwnd)) == window;
    });
}

void ThreadQueue::clear()
{
    std::lock_guard lock(mutex_);
    posted_.clear();
    quit_code_.reset();
    std::erase_if(timers_, [](const Timer& timer) { return timer.window == 0; });
}

void ThreadQueue::wait_for_activity(std::uint64_t seen, DWORD timeout_ms)
{
    std::unique_lock lock(mutex_);
    auto arrived = [&] { return activity() != seen; };
    if (timeout_ms == INFINITE) {
        wake_.wait(lock, arrived);
        return;
    }
    wake_.wait_for(lock, std::chrono::milliseconds(timeout_ms), arrived);
}

void ThreadQueue::wake()
{
    // Taking the lock orders the wake after a reader's check of the count.
    {
        std::lock_guard lock(mutex_);
    }
    wake_.notify_all();
}

namespace {

// Set when the thread's queue has been destroyed at the thread's end. A
// plain bool has no destructor, so it can still be read afterwards.
thread_local bool queue_ended = false;

struct QueueOfThisThread {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueOfThisThread() { queue_ended = true; }
};

}  // namespace

std::shared_ptr<ThreadQueue> current_queue()
{
    // The destructors of static objects (a program's own, at exit) run after
    // the thread's queue is gone and may still kill a timer or post: they get
    // an empty queue of their own that nothing else sees, not the freed one.
    if (queue_ended) return std::make_shared<ThreadQueue>();
    thread_local QueueOfThisThread holder;
    if (!holder.queue) {
        holder.queue = std::make_shared<ThreadQueue>();
        auto& all = registry();
        std::lock_guard lock(all.mutex);
        all.queues[holder.queue->thread_id()] = holder.queue;
    }
    return holder.queue;
}

std::shared_ptr<ThreadQueue> ui_queue()
{
    auto& all = registry();
    std::lock_guard lock(all.mutex);
    return all.ui.lock();
}

void set_ui_queue(const std::shared_ptr<ThreadQueue>& queue)
{
    auto& all = registry();
    std::lock_guard lock(all.mutex);
    if (!all.ui.lock()) all.ui = queue;
}

std::shared_ptr<ThreadQueue> queue_of_thread(DWORD thread_id)
{
    auto& all = registry();
    std::lock_guard lock(all.mutex);
    auto it = all.queues.find(thread_id);
    return it == all.queues.end() ? nullptr : it->second.lock();
}

void wake_all_queues()
{
    std::vector<std::shared_ptr<ThreadQueue>> queues;
    {
        auto& all = registry();
        std::lock_guard lock(all.mutex);
        for (auto& [id, weak] : all.queues)
            if (auto queue = weak.lock()) queues.push_back(queue);
    }
    for (auto& queue : queues) queue->wake();
}

MSG make_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    MSG result {};
    result.hwnd = hwnd;
    result.message = message;
    result.wParam = wparam;
    result.lParam = lparam;
    result.time = static_cast<DWORD>(platform::clock::now());
    result.pt = cursor_position();
    return result;
}

}  // namespace platform::user
