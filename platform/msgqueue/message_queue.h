// The kernel side of point-to-point message queues: the queue shared by its
// ends, and the ends that queue handles stand for.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/include/msgqueue.h"
#include "platform/kernel/kernel_object.h"
#include "platform/sync/waitable.h"

namespace platform::msgqueue {

struct QueuedMessage {
    std::vector<std::uint8_t> data;
    bool alert = false;
};

class QueueEnd;

class MessageQueue {
public:
    // Without a fixed count the queue still stops taking messages at these
    // bounds, so a writer without a reader cannot exhaust memory.
    static constexpr DWORD unlimited_message_count = 65536;
    static constexpr std::size_t largest_queued_bytes = 64u << 20;
    static constexpr DWORD largest_message = 16u << 20;

    MessageQueue(std::u16string name, DWORD max_messages, DWORD max_message_size);

    const std::u16string& name() const { return name_; }
    DWORD max_messages() const { return max_messages_; }
    DWORD max_message_size() const { return max_message_size_; }

    // Both return ERROR_SUCCESS or the error code of the failed call.
    DWORD write(const QueueEnd& end, const void* data, DWORD size, DWORD timeout_ms, bool alert);
    DWORD read(const QueueEnd& end, void* buffer, DWORD buffer_size, DWORD& bytes_read, DWORD timeout_ms, DWORD* flags);

    // Waits until a reader would find a message (reader) or a writer would
    // find room (writer); true when it would.
    bool wait_ready(const QueueEnd& end, DWORD timeout_ms);

    // Counts the ends; detach returns true when no end is left.
    void attach(bool reader);
    bool detach(bool reader);

    MSGQUEUEINFO info(DWORD flags) const;
    std::vector<QueuedMessage> snapshot() const;

private:
    bool has_room_locked(DWORD size) const;

    std::u16string name_;
    DWORD max_messages_;
    DWORD max_message_size_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<QueuedMessage> messages_;
    std::size_t queued_bytes_ = 0;
    DWORD alerts_queued_ = 0;
    DWORD most_messages_ = 0;
    int readers_ = 0;
    int writers_ = 0;
};

// One handle's view of a queue: its reader or its writer end. Waiting for
// the handle waits until a message is there to read, or room to write.
class QueueEnd : public KernelObject, public sync::Waitable {
public:
    QueueEnd(std::shared_ptr<MessageQueue> queue, bool reader, DWORD flags);

    const char* kind() const override { return "message queue"; }
    void on_close() override;
    DWORD wait(DWORD milliseconds) override;

    MessageQueue& queue() const { return *queue_; }
    const std::shared_ptr<MessageQueue>& shared_queue() const { return queue_; }
    bool reader() const { return reader_; }
    DWORD flags() const { return flags_; }
    bool allows_broken() const { return (flags_ & MSGQUEUE_ALLOW_BROKEN) != 0; }
    bool closed() const { return closed_.load(); }

private:
    std::shared_ptr<MessageQueue> queue_;
    bool reader_;
    DWORD flags_;
    std::atomic<bool> closed_ {false};
};

}  // namespace platform::msgqueue
