// The phone's sound output: one PlaySoundW sound and any number of wave-out
// channels, each brought to 44100 Hz 16-bit stereo and summed with clipping.
//
// The mix follows the phone's clock rather than a free-running audio thread:
// whenever the clock moves, or a sound starts or stops, the mixer first
// renders everything up to the clock's time with the state as it was, so in
// virtual time the output is the same on every run. A pulling backend (a
// real sound device) instead asks for samples at its own pace, and then its
// requests alone move the mix on. Either way rendered_frames() is the one
// answer to "how far has the mix been rendered".
//
// All members are safe to call from any thread; a pulling backend calls
// render_for() from its device thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/audio/audio_backend.h"
#include "platform/audio/sample_conversion.h"
#include "platform/audio/sound_event.h"
#include "platform/include/mmsystem.h"

namespace platform::audio {

struct PlayingSound {
    std::u16string name;
    bool looping = false;
    bool wave_out = false;
};

class Mixer {
public:
    // A mixer that follows the clock renders as the phone's clock moves; one
    // that does not renders only through render() (benchmarks).
    explicit Mixer(bool follow_clock);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // Renders up to now into the old backend, closes it and starts the new
    // one; the new backend's output begins at the clock's current time.
    void set_backend(std::unique_ptr<Backend> backend);

    // Called for each event with the mixer locked, on whichever thread
    // rendered: it must not call the sound functions.
    void set_event_listener(std::function<void(const SoundEvent&)> listener);

    // Replaces the PlaySoundW sound (the old one is logged as stopped) and
    // returns a number that identifies this start.
    std::uint64_t play_sound(std::u16string name, SharedSamples samples, bool loop);
    void stop_sound();
    bool sound_playing();
    // Waits (in real time, at most timeout_ms) until the sound numbered
    // `number` is no longer playing; for pulling backends, whose device may
    // still be behind the clock.
    void wait_until_sound_done(std::uint64_t number, std::uint64_t timeout_ms);

    // Wave-out channels, named "wave-out N" in the order they were opened.
    int open_channel();
    // False while buffers are queued (the channel stays open).
    bool close_channel(int channel);
    MMRESULT prepare_header(WAVEHDR* header);
    MMRESULT unprepare_header(WAVEHDR* header);
    MMRESULT write_buffer(int channel, WAVEHDR* header, SharedSamples samples);
    void reset_channel(int channel);

    // Renders up to the clock's time (nothing for a pulling backend).
    void render_to_now();
    // Mixes the next frames into out (interleaved stereo), moving every
    // sound along.
    void render(std::span<std::int16_t> out);
    // The same for a pulling backend; silence if it is no longer the
    // mixer's backend.
    void render_for(const Backend* backend, std::span<std::int16_t> out);

    std::uint64_t rendered_frames();
    // What plays at the clock's time.
    std::vector<PlayingSound> playing();

private:
    struct SoundVoice {
        std::u16string name;
        SharedSamples samples;
        std::size_t position = 0;
        bool loop = false;
        std::uint64_t number = 0;
    };
    struct QueuedBuffer {
        WAVEHDR* header;
        SharedSamples samples;
        std::uint32_t loops_left;
    };
    struct Channel {
        std::u16string name;
        std::deque<QueuedBuffer> queue;
        std::size_t position = 0;
    };

    // When the next sound or wave-out buffer that does not loop plays out,
    // on the clock: a moment the clock stops at, so its end is heard and
    // reported at its own time.
    std::optional<std::uint64_t> next_end();
    void catch_up_locked();
    void render_frames_locked(std::uint64_t frames);
    void mix_locked(std::int16_t* out, std::size_t frames);
    void play_sound_locked(std::int32_t* sum, std::size_t frames);
    void play_channel_locked(Channel& channel, std::int32_t* sum, std::size_t frames);
    void emit_locked(SoundEventKind kind, const std::u16string& name, std::uint64_t frame);
    void emit_at_locked(SoundEventKind kind, const std::u16string& name, std::uint64_t time_ms);
    void emit_now_locked(SoundEventKind kind, const std::u16string& name);
    void stop_sound_locked();

    const bool follow_clock_;
    int clock_listener_ = 0;
    int clock_stop_ = 0;

    std::mutex mutex_;
    std::condition_variable sound_changed_;
    std::unique_ptr<Backend> backend_;
    std::function<void(const SoundEvent&)> listener_;

    // The output timeline: frame f of the mix plays at origin_ms_ + f / rate.
    std::int64_t origin_ms_ = 0;
    std::uint64_t rendered_frames_ = 0;
    std::uint64_t last_clock_ms_ = 0;

    std::optional<SoundVoice> sound_;
    std::uint64_t sound_number_ = 0;
    std::map<int, Channel> channels_;
    int channels_opened_ = 0;

    std::vector<std::int32_t> sum_;
    std::vector<std::int16_t> block_;
};

// The phone's one mixer, created with the null backend on first use.
Mixer& phone_mixer();
// Puts a sound event of the phone's into its event stream
// (platform/kernel/phone_events.h) as "started NAME", "ended NAME" and so on.
void report_to_phone(const SoundEvent& event);

}  // namespace platform::audio
