// What the monkey watches as it goes: the phone's counts of live objects and
// memory, which a program that cleans up after itself keeps flat.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace platform::host {

enum class Resource { gdi_objects, windows, kernel_handles, local_heap_bytes, process_heap_bytes };
inline constexpr std::size_t resource_kinds = 5;

struct ResourceCounts {
    std::array<std::size_t, resource_kinds> values {};
    std::size_t& operator[](Resource kind) { return values[std::size_t(kind)]; }
    std::size_t operator[](Resource kind) const { return values[std::size_t(kind)]; }
};

// The counts now: GDI objects, windows, kernel handles, the phone's local
// heap and the process's heap in use.
ResourceCounts count_resources();

const char* resource_name(Resource kind);

// How far a count may rise above the highest it reached while warming up
// before it is a leak: room for a question, a call screen or a cache that
// the warm-up did not happen to see.
std::size_t resource_slack(Resource kind);

// Watches samples taken after each event. Until warm_up_events have run it
// learns the highest each count goes; after that a count that passes its
// high mark by more than its slack is growth, reported with the event from
// which it stayed above the mark.
class LeakWatch {
public:
    explicit LeakWatch(int warm_up_events);
    // Takes the sample after event (1-based); a line saying what grew when
    // something has.
    std::optional<std::string> sample(int event, const ResourceCounts& counts);
    const ResourceCounts& high_marks() const { return high_; }

private:
    int warm_up_events_;
    ResourceCounts high_;
    std::array<int, resource_kinds> above_since_ {};
};

}  // namespace platform::host
