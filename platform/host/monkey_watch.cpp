#include "platform/host/monkey_watch.h"

#include <malloc.h>

#include "platform/gdi/gdi_object.h"
#include "platform/kernel/kernel_object.h"
#include "platform/kernel/local_memory.h"
#include "platform/user/window_count.h"

// Present in sanitized builds, whose allocator mallinfo2 does not see.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace platform::host {
namespace {

std::size_t process_heap_bytes()
{
    if (__sanitizer_get_current_allocated_bytes) return __sanitizer_get_current_allocated_bytes();
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

std::string amount(Resource kind, std::size_t value)
{
    if (kind == Resource::local_heap_bytes || kind == Resource::process_heap_bytes)
        return std::to_string(value / 1024) + " KiB";
    return std::to_string(value);
}

}  // namespace

ResourceCounts count_resources()
{
    ResourceCounts counts;
    counts[Resource::gdi_objects] = platform::gdi::live_object_count();
    counts[Resource::windows] = platform::user::live_window_count();
    counts[Resource::kernel_handles] = platform::kernel_object_count();
    counts[Resource::local_heap_bytes] = platform::local_heap_use().bytes;
    counts[Resource::process_heap_bytes] = process_heap_bytes();
    return counts;
}

const char* resource_name(Resource kind)
{
    switch (kind) {
    case Resource::gdi_objects:
        return "GDI objects";
    case Resource::windows:
        return "windows";
    case Resource::kernel_handles:
        return "kernel handles";
    case Resource::local_heap_bytes:
        return "the local heap";
    case Resource::process_heap_bytes:
        return "the heap";
    }
    return "?";
}

std::size_t resource_slack(Resource kind)
{
    switch (kind) {
    case Resource::gdi_objects:
        return 64;
    case Resource::windows:
        return 16;
    case Resource::kernel_handles:
        return 32;
    case Resource::local_heap_bytes:
        return 256 * 1024;
    case Resource::process_heap_bytes:
        return 32 * 1024 * 1024;
    }
    return 0;
}

LeakWatch::LeakWatch(int warm_up_events)
    : warm_up_events_(warm_up_events)
{
}

std::optional<std::string> LeakWatch::sample(int event, const ResourceCounts& counts)
{
    for (std::size_t i = 0; i < resource_kinds; ++i) {
        auto kind = Resource(i);
        std::size_t value = counts[kind];
        if (event <= warm_up_events_) {
            high_[kind] = std::max(high_[kind], value);
            continue;
        }
        if (value <= high_[kind]) {
            above_since_[i] = 0;
            continue;
        }
        if (above_since_[i] == 0) above_since_[i] = event;
        if (value > high_[kind] + resource_slack(kind))
            return std::string(resource_name(kind)) + " grew from " + amount(kind, high_[kind]) + " to " +
                amount(kind, value) + " (above " + amount(kind, high_[kind]) + " since event " +
                std::to_string(above_since_[i]) + ")";
    }
    return std::nullopt;
}

}  // namespace platform::host
