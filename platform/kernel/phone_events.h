// The phone's one stream of what its parts tell the host: readings the
// drivers were given and reports they posted, keys and broadcasts the shell
// passed on, sounds that started and ended. The host's event log and status
// panel show them; nothing in the phone depends on them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform::phone_events {

enum class Source { device, shell, sound };

struct PhoneEvent {
    std::uint64_t time = 0;  // the clock's milliseconds when it happened
    Source source = Source::device;
    std::string text;
};

// "device", "shell" or "sound": how the event log starts the event's line.
const char* source_name(Source source);

// Listeners hear every event, on the thread that caused it (a program's
// call, the host's command, the sound's rendering), in the order they were
// added. Safe from any thread; add_listener returns an id for
// remove_listener.
using Listener = std::function<void(const PhoneEvent&)>;
int add_listener(Listener listener);
void remove_listener(int id);

// Hands the event to every listener, stamped with the clock's time now (or
// with the time given). Call it without holding a lock a listener may need:
// listeners ask for the phone's status.
void report(Source source, std::string text);
void report_at(Source source, std::uint64_t time, std::string text);

// A listener for one source only, kept under a slot of its own, for the
// parts' own set_event_listener: a new one replaces the slot's last, and
// null only removes it.
void set_source_listener(Source source, Listener listener);

}  // namespace platform::phone_events
