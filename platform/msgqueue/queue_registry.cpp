#include "platform/msgqueue/queue_registry.h"

#include <map>
#include <mutex>

namespace platform::msgqueue {
namespace {

// Lock order: the registry first, then a queue.
struct Registry {
    std::mutex mutex;
    std::map<std::u16string, std::shared_ptr<MessageQueue>, std::less<>> named;
};

Registry& registry()
{
    static Registry* instance = new Registry;  // queues may be closed from static destructors
    return *instance;
}

std::shared_ptr<QueueEnd> attach_locked(const std::shared_ptr<MessageQueue>& queue, bool reader, DWORD flags)
{
    auto end = std::make_shared<QueueEnd>(queue, reader, flags);
    queue->attach(reader);
    return end;
}

}  // namespace

std::shared_ptr<QueueEnd> open_queue(
    std::u16string_view name, DWORD max_messages, DWORD max_message_size, bool reader, DWORD flags, bool& existed)
{
    std::lock_guard lock(registry().mutex);
    existed = false;
    if (!name.empty()) {
        auto it = registry().named.find(name);
        if (it != registry().named.end()) {
            existed = true;
            return attach_locked(it->second, reader, flags);
        }
    }
    auto queue = std::make_shared<MessageQueue>(std::u16string(name), max_messages, max_message_size);
    if (!name.empty()) registry().named.emplace(std::u16string(name), queue);
    return attach_locked(queue, reader, flags);
}

std::shared_ptr<QueueEnd> open_other_end(const std::shared_ptr<MessageQueue>& queue, bool reader, DWORD flags)
{
    std::lock_guard lock(registry().mutex);
    // The queue may have lost its last end (and its name) meanwhile; it takes
    // the name back unless another queue has it now.
    if (!queue->name().empty()) registry().named.try_emplace(queue->name(), queue);
    return attach_locked(queue, reader, flags);
}

void release_end(const QueueEnd& end)
{
    std::lock_guard lock(registry().mutex);
    bool last = end.queue().detach(end.reader());
    if (!last || end.queue().name().empty()) return;
    auto it = registry().named.find(end.queue().name());
    if (it != registry().named.end() && it->second == end.shared_queue()) registry().named.erase(it);
}

std::vector<std::u16string> queue_names()
{
    std::lock_guard lock(registry().mutex);
    std::vector<std::u16string> names;
    for (const auto& entry : registry().named) names.push_back(entry.first);
    return names;
}

std::optional<std::vector<QueuedMessage>> peek_messages(std::u16string_view name)
{
    std::shared_ptr<MessageQueue> queue;
    {
        std::lock_guard lock(registry().mutex);
        auto it = registry().named.find(name);
        if (it == registry().named.end()) return std::nullopt;
        queue = it->second;
    }
    return queue->snapshot();
}

}  // namespace platform::msgqueue
