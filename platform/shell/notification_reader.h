// The shell's end of its notification queue. Windows announce themselves on
// the queue "QueueNameOfShellNotifyMessage" with 12-byte records {kind,
// window, code}: kind 1 sets an announcement, kind 2 clears it. The shell
// keeps the announcements that are set and logs every record it reads.
//
// Records are read on demand, not by a thread of the shell's own: the host
// reads them whenever the phone goes idle, so they show in the event log in
// the order and at the time the program wrote them, the same in every run.
#pragma once

#include <vector>

#include "platform/include/wintypes.h"

namespace platform::shell {

inline constexpr const char16_t* notification_queue_name = u"QueueNameOfShellNotifyMessage";
inline constexpr DWORD notification_set = 1;
inline constexpr DWORD notification_clear = 2;
inline constexpr DWORD notification_record_size = 12;

struct ShellNotification {
    DWORD window = 0;
    DWORD code = 0;
    friend bool operator==(const ShellNotification&, const ShellNotification&) = default;
};

// Opens the reading end of the queue (creating the queue when no program has
// yet); true when the shell holds it afterwards.
bool open_notification_reader();
// Closes it and forgets the announcements.
void close_notification_reader();

// Reads every record waiting in the queue, logs each and applies it to the
// announcements. Returns how many records were read. Safe from any thread;
// does nothing while the reader is closed.
int read_shell_notifications();

// The announcements set and not cleared, oldest first.
std::vector<ShellNotification> active_notifications();

}  // namespace platform::shell
