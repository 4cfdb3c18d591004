// Where the mixed sound goes: a small table of backends the host picks from
// by name, as SDL does with its audio drivers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/audio/sound_event.h"
#include "platform/kernel/result.h"

namespace platform::audio {

class Mixer;

struct BackendOptions {
    // capture: the WAV file the mix is written to, and optionally a text
    // file that receives one line per sound event.
    std::filesystem::path wav_file;
    std::filesystem::path event_log_file;
    // capture: silence longer than this is cut short in the WAV file, and
    // the event log says what was left out and when (0: every sample kept).
    std::uint64_t longest_silence_ms = 0;
    // capture: the most bytes the WAV file and the event log may take
    // (0: as much as the formats allow); what comes later is left out and
    // said once.
    std::uint64_t wav_limit_bytes = 0;
    std::uint64_t event_log_limit_bytes = 0;
};

class Backend {
public:
    virtual ~Backend() = default;

    // A pulling backend asks the mixer for samples from its own thread at the
    // pace of its device; the mixer then renders only when asked. Otherwise
    // the mixer renders as the phone's clock moves and hands each block over.
    virtual bool pulls() const { return false; }
    // A backend that throws the samples away lets the mixer only move the
    // sounds along.
    virtual bool wants_samples() const { return true; }

    // Interleaved stereo frames at the output rate, in order. Called with the
    // mixer locked.
    virtual void write(std::span<const std::int16_t>) { }
    // The same, with their place on the mix's timeline: frame f plays at
    // origin_ms + f / rate on the phone's clock, first_frame is the first.
    virtual void write_at(
        std::span<const std::int16_t> samples, std::int64_t /*origin_ms*/, std::uint64_t /*first_frame*/)
    {
        write(samples);
    }
    // Called with the mixer locked, in the order things happened.
    virtual void record(const SoundEvent&) { }

    // After the mixer has taken the backend: a pulling backend starts its
    // device here.
    virtual void start(Mixer&) { }
    // Before the backend is dropped, without the mixer locked: finishes files
    // and stops devices.
    virtual void close() { }
};

// A backend ready to take the mix, or why it cannot be had (a file that
// cannot be created, no sound device).
using BackendResult = Result<std::unique_ptr<Backend>>;

struct BackendEntry {
    const char* name;
    const char* description;
    BackendResult (*create)(const BackendOptions& options);
};

BackendResult create_null_backend(const BackendOptions& options);
BackendResult create_capture_backend(const BackendOptions& options);
BackendResult create_sdl_backend(const BackendOptions& options);

}  // namespace platform::audio
