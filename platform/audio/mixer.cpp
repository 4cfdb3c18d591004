// The mixer: the timeline that follows the clock, the voices and the sum.
#include "platform/audio/mixer.h"

#include <algorithm>
#include <chrono>

#include "platform/kernel/clock.h"
#include "platform/kernel/phone_events.h"
#include "platform/kernel/utf.h"

namespace platform::audio {
namespace {

constexpr std::size_t block_frames = 1024;

void add_samples(std::int32_t* sum, const std::int16_t* samples, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) sum[i] += samples[i];
}

std::size_t frames_of(const SharedSamples& samples) { return samples ? samples->size() / output_channels : 0; }

}  // namespace

Mixer::Mixer(bool follow_clock)
    : follow_clock_(follow_clock)
    , backend_(create_null_backend({}).value())
    , sum_(block_frames * output_channels)
    , block_(block_frames * output_channels)
{
    if (follow_clock_) {
        origin_ms_ = static_cast<std::int64_t>(clock::now());
        last_clock_ms_ = clock::now();
        clock_listener_ = clock::add_listener([this](std::uint64_t, std::uint64_t) { render_to_now(); });
        clock_stop_ = clock::add_stop([this](std::uint64_t) { return next_end(); });
    }
}

Mixer::~Mixer()
{
    if (follow_clock_) {
        clock::remove_stop(clock_stop_);
        clock::remove_listener(clock_listener_);
    }
    std::unique_ptr<Backend> backend;
    {
        std::lock_guard lock(mutex_);
        catch_up_locked();
        backend = std::move(backend_);
    }
    if (backend) backend->close();
}

void Mixer::set_backend(std::unique_ptr<Backend> backend)
{
    std::unique_ptr<Backend> old;
    Backend* started = backend.get();
    {
        std::lock_guard lock(mutex_);
        catch_up_locked();
        old = std::move(backend_);
        backend_ = std::move(backend);
        std::uint64_t now = follow_clock_ ? clock::now() : 0;
        origin_ms_ = static_cast<std::int64_t>(now);
        last_clock_ms_ = now;
        rendered_frames_ = 0;
    }
    // A device thread of the old backend may still call in until it is
    // closed; render_for() gives it silence from now on.
    if (old) old->close();
    if (started) started->start(*this);
}

void Mixer::set_event_listener(std::function<void(const SoundEvent&)> listener)
{
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

std::uint64_t Mixer::play_sound(std::u16string name, SharedSamples samples, bool loop)
{
    std::lock_guard lock(mutex_);
    catch_up_locked();
    stop_sound_locked();
    SoundVoice voice;
    voice.name = std::move(name);
    voice.samples = std::move(samples);
    voice.loop = loop;
    voice.number = ++sound_number_;
    sound_ = std::move(voice);
    emit_now_locked(SoundEventKind::started, sound_->name);
    return sound_->number;
}

void Mixer::stop_sound()
{
    std::lock_guard lock(mutex_);
    catch_up_locked();
    stop_sound_locked();
}

void Mixer::stop_sound_locked()
{
    if (!sound_) return;
    emit_now_locked(SoundEventKind::stopped, sound_->name);
    sound_.reset();
    sound_changed_.notify_all();
}

bool Mixer::sound_playing()
{
    std::lock_guard lock(mutex_);
    catch_up_locked();
    return sound_.has_value();
}

void Mixer::wait_until_sound_done(std::uint64_t number, std::uint64_t timeout_ms)
{
    std::unique_lock lock(mutex_);
    sound_changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
        [&] { return !sound_ || sound_->number != number || !backend_->pulls(); });
}

int Mixer::open_channel()
{
    std::lock_guard lock(mutex_);
    int id = ++channels_opened_;
    std::string number = std::to_string(id);
    channels_[id].name = u"wave-out " + std::u16string(number.begin(), number.end());
    return id;
}

bool Mixer::close_channel(int channel)
{
    std::lock_guard lock(mutex_);
    catch_up_locked();
    auto it = channels_.find(channel);
    if (it == channels_.end()) return true;
    if (!it->second.queue.empty()) return false;
    channels_.erase(it);
    return true;
}

MMRESULT Mixer::prepare_header(WAVEHDR* header)
{
    std::lock_guard lock(mutex_);
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT Mixer::unprepare_header(WAVEHDR* header)
{
    std::lock_guard lock(mutex_);
    catch_up_locked();
    if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT Mixer::write_buffer(int channel, WAVEHDR* header, SharedSamples samples)
{
    std::lock_guard lock(mutex_);
    catch_up_locked();
    auto it = channels_.find(channel);
    if (it == channels_.end()) return MMSYSERR_INVALHANDLE;
    if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    std::uint32_t loops = 1;
    if ((header->dwFlags & (WHDR_BEGINLOOP | WHDR_ENDLOOP)) == (WHDR_BEGINLOOP | WHDR_ENDLOOP)) {
        loops = std::max<std::uint32_t>(1, header->dwLoops);
    }
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    Channel& target = it->second;
    target.queue.push_back({header, std::move(samples), loops});
    if (target.queue.size() == 1) {
        target.position = 0;
        emit_now_locked(SoundEventKind::started, target.name);
    }
    return MMSYSERR_NOERROR;
}

void Mixer::reset_channel(int channel)
{
    std::lock_guard lock(mutex_);
    catch_up_locked();
    auto it = channels_.find(channel);
    if (it == channels_.end()) return;
    Channel& target = it->second;
    if (target.queue.empty()) return;
    for (QueuedBuffer& buffer : target.queue) {
        buffer.header->dwFlags = (buffer.header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    }
    target.queue.clear();
    target.position = 0;
    emit_now_locked(SoundEventKind::reset, target.name);
}

void Mixer::render_to_now()
{
    std::lock_guard lock(mutex_);
    catch_up_locked();
}

void Mixer::catch_up_locked()
{
    if (!follow_clock_ || backend_->pulls()) return;
    std::uint64_t now = clock::now();
    if (now < last_clock_ms_) {
        // The clock was restarted: carry on from here rather than wait for it
        // to come back to where the mix stands.
        origin_ms_ = static_cast<std::int64_t>(now) - static_cast<std::int64_t>(ms_of_frames(rendered_frames_));
    }
    last_clock_ms_ = now;
    std::int64_t elapsed = static_cast<std::int64_t>(now) - origin_ms_;
    if (elapsed <= 0) return;
    std::uint64_t target = frames_in_ms(static_cast<std::uint64_t>(elapsed));
    if (target > rendered_frames_) render_frames_locked(target - rendered_frames_);
}

std::optional<std::uint64_t> Mixer::next_end()
{
    std::lock_guard lock(mutex_);
    if (!follow_clock_ || backend_->pulls()) return std::nullopt;
    std::optional<std::uint64_t> frames_left;
    auto sooner = [&](std::uint64_t frames) {
        if (!frames_left || frames < *frames_left) frames_left = frames;
    };
    if (sound_ && !sound_->loop) sooner(frames_of(sound_->samples) - sound_->position);
    for (const auto& [number, channel] : channels_) {
        if (channel.queue.empty()) continue;
        const QueuedBuffer& buffer = channel.queue.front();
        std::uint64_t total = frames_of(buffer.samples);
        sooner(total - channel.position + total * (buffer.loops_left > 1 ? buffer.loops_left - 1 : 0));
    }
    if (!frames_left) return std::nullopt;
    // The first clock reading at which catching up renders the last frame.
    std::uint64_t end_frame = rendered_frames_ + *frames_left;
    std::int64_t end = origin_ms_ + static_cast<std::int64_t>((end_frame * 1000 + output_rate - 1) / output_rate);
    return static_cast<std::uint64_t>(std::max<std::int64_t>(end, 0));
}

void Mixer::render_frames_locked(std::uint64_t frames)
{
    bool wanted = backend_->wants_samples();
    while (frames > 0) {
        std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(frames, block_frames));
        mix_locked(wanted ? block_.data() : nullptr, count);
        if (wanted)
            backend_->write_at(std::span<const std::int16_t>(block_.data(), count * output_channels), origin_ms_,
                rendered_frames_ - count);
        frames -= count;
    }
}

void Mixer::render(std::span<std::int16_t> out)
{
    std::lock_guard lock(mutex_);
    std::size_t frames = out.size() / output_channels;
    for (std::size_t done = 0; done < frames;) {
        std::size_t count = std::min(frames - done, block_frames);
        mix_locked(out.data() + done * output_channels, count);
        done += count;
    }
}

void Mixer::render_for(const Backend* backend, std::span<std::int16_t> out)
{
    {
        std::lock_guard lock(mutex_);
        if (backend_.get() != backend) {
            std::fill(out.begin(), out.end(), 0);
            return;
        }
    }
    render(out);
}

void Mixer::mix_locked(std::int16_t* out, std::size_t frames)
{
    bool silent = !sound_ &&
        std::all_of(channels_.begin(), channels_.end(), [](const auto& entry) { return entry.second.queue.empty(); });
    if (silent) {
        if (out) std::fill(out, out + frames * output_channels, 0);
        rendered_frames_ += frames;
        return;
    }
    std::int32_t* sum = out ? sum_.data() : nullptr;
    if (sum) std::fill(sum, sum + frames * output_channels, 0);
    play_sound_locked(sum, frames);
    for (auto& entry : channels_) play_channel_locked(entry.second, sum, frames);
    if (out) {
        for (std::size_t i = 0; i < frames * output_channels; ++i) {
            out[i] = static_cast<std::int16_t>(std::clamp<std::int32_t>(sum[i], -32768, 32767));
        }
    }
    rendered_frames_ += frames;
}

void Mixer::play_sound_locked(std::int32_t* sum, std::size_t frames)
{
    std::size_t done = 0;
    while (sound_ && done < frames) {
        SoundVoice& voice = *sound_;
        std::size_t total = frames_of(voice.samples);
        std::size_t take = std::min(total - voice.position, frames - done);
        if (sum && take > 0) {
            add_samples(sum + done * output_channels, voice.samples->data() + voice.position * output_channels,
                take * output_channels);
        }
        voice.position += take;
        done += take;
        if (voice.position < total) break;
        if (voice.loop && total > 0) {
            voice.position = 0;
            emit_locked(SoundEventKind::looped, voice.name, rendered_frames_ + done);
        } else {
            emit_locked(SoundEventKind::ended, voice.name, rendered_frames_ + done);
            sound_.reset();
            sound_changed_.notify_all();
        }
    }
}

void Mixer::play_channel_locked(Channel& channel, std::int32_t* sum, std::size_t frames)
{
    std::size_t done = 0;
    while (!channel.queue.empty() && done < frames) {
        QueuedBuffer& buffer = channel.queue.front();
        std::size_t total = frames_of(buffer.samples);
        std::size_t take = std::min(total - channel.position, frames - done);
        if (sum && take > 0) {
            add_samples(sum + done * output_channels, buffer.samples->data() + channel.position * output_channels,
                take * output_channels);
        }
        channel.position += take;
        done += take;
        if (channel.position < total) break;
        channel.position = 0;
        if (buffer.loops_left > 1 && total > 0) {
            --buffer.loops_left;
            emit_locked(SoundEventKind::looped, channel.name, rendered_frames_ + done);
            continue;
        }
        buffer.header->dwFlags = (buffer.header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        channel.queue.pop_front();
        emit_locked(SoundEventKind::ended, channel.name, rendered_frames_ + done);
        if (!channel.queue.empty()) emit_locked(SoundEventKind::started, channel.name, rendered_frames_ + done);
    }
}

void Mixer::emit_locked(SoundEventKind kind, const std::u16string& name, std::uint64_t frame)
{
    std::int64_t time = origin_ms_ + static_cast<std::int64_t>(ms_of_frames(frame));
    emit_at_locked(kind, name, static_cast<std::uint64_t>(std::max<std::int64_t>(0, time)));
}

void Mixer::emit_at_locked(SoundEventKind kind, const std::u16string& name, std::uint64_t time_ms)
{
    SoundEvent event;
    event.time_ms = time_ms;
    event.kind = kind;
    event.name = name;
    backend_->record(event);
    if (listener_) listener_(event);
}

void Mixer::emit_now_locked(SoundEventKind kind, const std::u16string& name)
{
    // Rendering has just caught up with the clock, whose reading is exact,
    // while the frame count rounds down.
    if (follow_clock_ && !backend_->pulls()) {
        emit_at_locked(kind, name, clock::now());
    } else {
        emit_locked(kind, name, rendered_frames_);
    }
}

std::uint64_t Mixer::rendered_frames()
{
    std::lock_guard lock(mutex_);
    return rendered_frames_;
}

std::vector<PlayingSound> Mixer::playing()
{
    std::lock_guard lock(mutex_);
    catch_up_locked();
    std::vector<PlayingSound> result;
    if (sound_) result.push_back({sound_->name, sound_->loop, false});
    for (const auto& entry : channels_) {
        if (!entry.second.queue.empty()) result.push_back({entry.second.name, false, true});
    }
    return result;
}

void report_to_phone(const SoundEvent& event)
{
    phone_events::report_at(
        phone_events::Source::sound, event.time_ms, std::string(kind_name(event.kind)) + " " + to_utf8(event.name));
}

Mixer& phone_mixer()
{
    static Mixer mixer(true);
    // The phone's sounds are part of its event stream from the start.
    static bool reporting = (mixer.set_event_listener(report_to_phone), true);
    (void)reporting;
    return mixer;
}

}  // namespace platform::audio
