#include "platform/kernel/phone_events.h"

#include <mutex>
#include <utility>
#include <vector>

#include "platform/kernel/clock.h"

namespace platform::phone_events {
namespace {

struct Listeners {
    std::mutex mutex;
    int next_id = 1;
    std::vector<std::pair<int, Listener>> all;
    // The ids of the per-source slots, 0 when empty.
    int source_slots[3] = {0, 0, 0};
};

Listeners& listeners()
{
    // Never destroyed: parts may report while statics go away at exit.
    static Listeners* instance = new Listeners;
    return *instance;
}

}  // namespace

const char* source_name(Source source)
{
    switch (source) {
    case Source::device:
        return "device";
    case Source::shell:
        return "shell";
    case Source::sound:
        return "sound";
    }
    return "?";
}

int add_listener(Listener listener)
{
    auto& state = listeners();
    std::lock_guard lock(state.mutex);
    int id = state.next_id++;
    state.all.emplace_back(id, std::move(listener));
    return id;
}

void remove_listener(int id)
{
    auto& state = listeners();
    std::lock_guard lock(state.mutex);
    std::erase_if(state.all, [id](const auto& entry) { return entry.first == id; });
}

void report(Source source, std::string text) { report_at(source, clock::now(), std::move(text)); }

void report_at(Source source, std::uint64_t time, std::string text)
{
    std::vector<Listener> hearing;
    {
        auto& state = listeners();
        std::lock_guard lock(state.mutex);
        for (const auto& entry : state.all) hearing.push_back(entry.second);
    }
    PhoneEvent event {time, source, std::move(text)};
    for (const auto& listener : hearing)
        if (listener) listener(event);
}

void set_source_listener(Source source, Listener listener)
{
    auto& state = listeners();
    int& slot = state.source_slots[static_cast<int>(source)];
    int old = 0;
    {
        std::lock_guard lock(state.mutex);
        old = std::exchange(slot, 0);
    }
    if (old) remove_listener(old);
    if (!listener) return;
    int id = add_listener([source, listener = std::move(listener)](const PhoneEvent& event) {
        if (event.source == source) listener(event);
    });
    std::lock_guard lock(state.mutex);
    slot = id;
}

}  // namespace platform::phone_events
