// What the host program controls of the phone's sound: which backend plays
// it, who hears about sound events, and what is playing right now.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio/audio_backend.h"
#include "platform/audio/mixer.h"
#include "platform/audio/sound_event.h"

namespace platform::audio {

// The backends in the order a host should offer them; "null" is the default.
const std::vector<BackendEntry>& backends();

// Switches the phone's sound to the named backend. On failure the current
// backend stays.
Result<void> start_backend(std::string_view name, const BackendOptions& options);
// Back to the null backend; a capture's files are complete afterwards.
void stop_backend();
// The name of the backend in use.
std::string backend_name();

// Every sound event, on whichever thread rendered it (see
// Mixer::set_event_listener). Null to stop listening. The phone's event
// stream (platform/kernel/phone_events.h) has them all the same.
void set_event_listener(std::function<void(const SoundEvent&)> listener);

// Sounds playing at the clock's time.
std::vector<PlayingSound> playing_sounds();
// Whether a sound of this name plays: the full name ("\Windows\switch.wav",
// "BrisellRes.dll:104", "wave-out 3") or its last part ("switch.wav", "104"),
// without regard to case.
bool is_sound_playing(std::u16string_view name);

// The sound played instead of one that cannot be found, unless the caller
// passes SND_NODEFAULT; played only if the file exists.
void set_default_sound(std::u16string ce_path);
std::u16string default_sound();

// Where the sound functions report malformed sound data and failing capture
// files, in words naming the file; standard error by default.
void set_problem_reporter(std::function<void(const std::string&)> reporter);
void report_problem(const std::string& message);

}  // namespace platform::audio
