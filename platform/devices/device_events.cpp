#include "platform/devices/device_events.h"

#include <cstdio>
#include <mutex>

#include "platform/kernel/clock.h"

namespace platform::devices {
namespace {

struct ListenerSlot {
    std::mutex mutex;
    std::function<void(const DeviceEvent&)> listener;
};

ListenerSlot& slot()
{
    static ListenerSlot listener;
    return listener;
}

}  // namespace

void set_event_listener(std::function<void(const DeviceEvent&)> listener)
{
    std::lock_guard lock(slot().mutex);
    slot().listener = std::move(listener);
}

void report_event(std::string text)
{
    std::function<void(const DeviceEvent&)> listener;
    {
        std::lock_guard lock(slot().mutex);
        listener = slot().listener;
    }
    if (listener) listener(DeviceEvent {clock::now(), std::move(text)});
}

std::string hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

}  // namespace platform::devices
