#include "platform/shell/notification_reader.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/include/msgqueue.h"
#include "platform/include/winbase.h"
#include "platform/shell/shell_events.h"

namespace platform::shell {
namespace {

// The limits programs create the queue with; when the shell comes first its
// queue must take their records.
constexpr DWORD queue_messages = 16;

struct Reader {
    std::mutex mutex;
    HANDLE queue = nullptr;
    std::vector<ShellNotification> active;
};

Reader& reader()
{
    static Reader shell_reader;
    return shell_reader;
}

DWORD field(const std::vector<std::uint8_t>& record, std::size_t offset)
{
    DWORD value = 0;
    std::memcpy(&value, record.data() + offset, sizeof value);
    return value;
}

std::string apply_locked(Reader& state, const std::vector<std::uint8_t>& record)
{
    if (record.size() != notification_record_size)
        return "notification queue: a record of " + std::to_string(record.size()) + " bytes ignored (expected 12)";
    DWORD kind = field(record, 0);
    ShellNotification notification {field(record, 4), field(record, 8)};
    std::string subject = "window " + hex(notification.window) + " code " + std::to_string(notification.code);
    auto known = std::find(state.active.begin(), state.active.end(), notification);
    if (kind == notification_set) {
        if (known == state.active.end()) state.active.push_back(notification);
        return "notification queue: set, " + subject;
    }
    if (kind == notification_clear) {
        if (known != state.active.end()) state.active.erase(known);
        return "notification queue: clear, " + subject;
    }
    return "notification queue: unknown kind " + std::to_string(kind) + " ignored, " + subject;
}

}  // namespace

bool open_notification_reader()
{
    auto& state = reader();
    std::lock_guard lock(state.mutex);
    if (state.queue) return true;
    MSGQUEUEOPTIONS options {};
    options.dwSize = sizeof options;
    options.dwFlags = MSGQUEUE_ALLOW_BROKEN;
    options.dwMaxMessages = queue_messages;
    options.cbMaxMessage = notification_record_size;
    options.bReadAccess = TRUE;
    HANDLE queue = CreateMsgQueue(notification_queue_name, &options);
    if (!queue) return false;
    state.queue = queue;
    return true;
}

void close_notification_reader()
{
    auto& state = reader();
    std::lock_guard lock(state.mutex);
    if (state.queue) CloseMsgQueue(state.queue);
    state.queue = nullptr;
    state.active.clear();
}

int read_shell_notifications()
{
    std::vector<std::string> lines;
    {
        auto& state = reader();
        std::lock_guard lock(state.mutex);
        if (!state.queue) return 0;
        std::vector<std::uint8_t> record(notification_record_size);
        for (;;) {
            DWORD bytes = 0;
            DWORD flags = 0;
            if (ReadMsgQueue(state.queue, record.data(), static_cast<DWORD>(record.size()), &bytes, 0, &flags)) {
                lines.push_back(apply_locked(state, {record.begin(), record.begin() + bytes}));
                continue;
            }
            // A queue another program made may carry longer records: take
            // the record whole, then refuse it for its size.
            if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && bytes > record.size()) {
                record.resize(bytes);
                continue;
            }
            break;
        }
    }
    for (auto& line : lines) report_event(std::move(line));
    return static_cast<int>(lines.size());
}

std::vector<ShellNotification> active_notifications()
{
    auto& state = reader();
    std::lock_guard lock(state.mutex);
    return state.active;
}

}  // namespace platform::shell
