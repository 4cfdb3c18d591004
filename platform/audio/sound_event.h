// What the phone's sound did and when: the record behind the host's event
// log and its checks on what is playing.
#pragma once

#include <cstdint>
#include <string>

namespace platform::audio {

enum class SoundEventKind {
    started,  // a sound or a wave-out buffer began
    looped,  // a looping sound went back to its start
    ended,  // it played to its end
    stopped,  // it was cut off by another sound or a stop
    reset,  // a wave-out channel was reset, dropping what it had queued
};

struct SoundEvent {
    std::uint64_t time_ms = 0;  // on the phone's clock
    SoundEventKind kind = SoundEventKind::started;
    // The file name as the program gave it, "Module.dll:101" for a resource,
    // "wave-out N" for the Nth channel opened.
    std::u16string name;
};

const char* kind_name(SoundEventKind kind);
// "1250 ms started \Windows\switch.wav", as the event log writes it.
std::string describe(const SoundEvent& event);

}  // namespace platform::audio
