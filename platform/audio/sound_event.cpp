// Names and text of sound events.
#include "platform/audio/sound_event.h"

#include "platform/kernel/utf.h"

namespace platform::audio {

const char* kind_name(SoundEventKind kind)
{
    switch (kind) {
    case SoundEventKind::started:
        return "started";
    case SoundEventKind::looped:
        return "looped";
    case SoundEventKind::ended:
        return "ended";
    case SoundEventKind::stopped:
        return "stopped";
    case SoundEventKind::reset:
        return "reset";
    }
    return "?";
}

std::string describe(const SoundEvent& event)
{
    return std::to_string(event.time_ms) + " ms " + kind_name(event.kind) + " " + platform::to_utf8(event.name);
}

}  // namespace platform::audio
