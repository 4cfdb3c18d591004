#include "platform/msgqueue/message_queue.h"

#include <algorithm>
#include <cstring>

#include "platform/include/synchapi.h"
#include "platform/kernel/clock.h"
#include "platform/msgqueue/queue_registry.h"

namespace platform::msgqueue {

MessageQueue::MessageQueue(std::u16string name, DWORD max_messages, DWORD max_message_size)
    : name_(std::move(name))
    , max_messages_(max_messages)
    , max_message_size_(max_message_size)
{
}

bool MessageQueue::has_room_locked(DWORD size) const
{
    DWORD limit = max_messages_ ? max_messages_ : unlimited_message_count;
    return messages_.size() < limit && queued_bytes_ + size <= largest_queued_bytes;
}

DWORD MessageQueue::write(const QueueEnd& end, const void* data, DWORD size, DWORD timeout_ms, bool alert)
{
    if (size > max_message_size_) return ERROR_INSUFFICIENT_BUFFER;
    std::unique_lock lock(mutex_);
    auto broken = [&] { return readers_ == 0 && !end.allows_broken(); };
    clock::wait_for_condition(
        lock, changed_, timeout_ms, [&] { return end.closed() || broken() || has_room_locked(size); });
    if (end.closed()) return ERROR_INVALID_HANDLE;
    if (broken()) return ERROR_PIPE_NOT_CONNECTED;
    if (!has_room_locked(size)) return ERROR_TIMEOUT;

    QueuedMessage message;
    message.data.assign(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
    message.alert = alert;
    // Alerts overtake ordinary messages but keep their order among themselves.
    if (alert)
        messages_.insert(messages_.begin() + alerts_queued_++, std::move(message));
    else
        messages_.push_back(std::move(message));
    queued_bytes_ += size;
    most_messages_ = std::max<DWORD>(most_messages_, static_cast<DWORD>(messages_.size()));
    changed_.notify_all();
    return ERROR_SUCCESS;
}

DWORD MessageQueue::read(
    const QueueEnd& end, void* buffer, DWORD buffer_size, DWORD& bytes_read, DWORD timeout_ms, DWORD* flags)
{
    std::unique_lock lock(mutex_);
    auto broken = [&] { return writers_ == 0 && !end.allows_broken(); };
    clock::wait_for_condition(
        lock, changed_, timeout_ms, [&] { return end.closed() || !messages_.empty() || broken(); });
    if (end.closed()) return ERROR_INVALID_HANDLE;
    if (messages_.empty()) return broken() ? ERROR_PIPE_NOT_CONNECTED : ERROR_TIMEOUT;

    QueuedMessage& message = messages_.front();
    auto size = static_cast<DWORD>(message.data.size());
    bytes_read = size;
    // The message stays queued, so the caller can read it again with a
    // buffer of the size reported.
    if (size > buffer_size) return ERROR_INSUFFICIENT_BUFFER;
    if (size) std::memcpy(buffer, message.data.data(), size);
    if (flags) *flags = message.alert ? MSGQUEUE_MSGALERT : 0;
    if (message.alert) --alerts_queued_;
    queued_bytes_ -= size;
    messages_.pop_front();
    changed_.notify_all();
    return ERROR_SUCCESS;
}

bool MessageQueue::wait_ready(const QueueEnd& end, DWORD timeout_ms)
{
    std::unique_lock lock(mutex_);
    return clock::wait_for_condition(lock, changed_, timeout_ms,
        [&] { return end.closed() || (end.reader() ? !messages_.empty() : has_room_locked(0)); });
}

void MessageQueue::attach(bool reader)
{
    std::lock_guard lock(mutex_);
    ++(reader ? readers_ : writers_);
    changed_.notify_all();
}

bool MessageQueue::detach(bool reader)
{
    std::lock_guard lock(mutex_);
    --(reader ? readers_ : writers_);
    // Waiters re-check: their own end may be closed, or the other side gone.
    changed_.notify_all();
    return readers_ == 0 && writers_ == 0;
}

MSGQUEUEINFO MessageQueue::info(DWORD flags) const
{
    std::lock_guard lock(mutex_);
    MSGQUEUEINFO info {};
    info.dwSize = sizeof(MSGQUEUEINFO);
    info.dwFlags = flags;
    info.dwMaxMessages = max_messages_;
    info.cbMaxMessage = max_message_size_;
    info.dwCurrentMessages = static_cast<DWORD>(messages_.size());
    info.dwMaxQueueMessages = most_messages_;
    info.wNumReaders = static_cast<WORD>(readers_);
    info.wNumWriters = static_cast<WORD>(writers_);
    return info;
}

std::vector<QueuedMessage> MessageQueue::snapshot() const
{
    std::lock_guard lock(mutex_);
    return {messages_.begin(), messages_.end()};
}

QueueEnd::QueueEnd(std::shared_ptr<MessageQueue> queue, bool reader, DWORD flags)
    : queue_(std::move(queue))
    , reader_(reader)
    , flags_(flags)
{
}

DWORD QueueEnd::wait(DWORD milliseconds)
{
    return queue_->wait_ready(*this, milliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

void QueueEnd::on_close()
{
    closed_.store(true);
    release_end(*this);
}

}  // namespace platform::msgqueue
