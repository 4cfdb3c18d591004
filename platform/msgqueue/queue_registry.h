// Named message queues of the phone, and the host's view of them: the shell
// stand-in and the event log look at what the system has queued without
// taking it away from the reader.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/msgqueue/message_queue.h"

namespace platform::msgqueue {

// A new end of the queue with this name, creating the queue with the given
// limits when there is none (existed tells which). An empty name makes a
// private queue.
std::shared_ptr<QueueEnd> open_queue(
    std::u16string_view name, DWORD max_messages, DWORD max_message_size, bool reader, DWORD flags, bool& existed);

// Another end of a queue that an open handle already reaches.
std::shared_ptr<QueueEnd> open_other_end(const std::shared_ptr<MessageQueue>& queue, bool reader, DWORD flags);

// Called when an end's handle is closed; a named queue without ends is
// forgotten, with whatever it still held.
void release_end(const QueueEnd& end);

// Host hooks: the names of the open named queues, and the messages a named
// queue holds, oldest (alerts first) to newest; std::nullopt when no queue
// of that name is open.
std::vector<std::u16string> queue_names();
std::optional<std::vector<QueuedMessage>> peek_messages(std::u16string_view name);

}  // namespace platform::msgqueue
