// The capture backend: the phone's speaker is a WAV file. Recorded runs and
// tests listen to exactly what the phone played, sample for sample, and read
// the event log beside it to see which sound started, looped, ended or was
// cut off, and when on the phone's clock. A recording of a long run may
// shorten long silences: the log then says what was left out, from when to
// when, and where the file goes on, so every sample still has its time.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/audio/audio_backend.h"
#include "platform/audio/audio_host.h"
#include "platform/audio/sample_conversion.h"
#include "platform/audio/wav_file_writer.h"

namespace platform::audio {
namespace {

class CaptureBackend final : public Backend {
public:
    Result<void> open(const BackendOptions& options)
    {
        if (options.wav_file.empty()) return Failure {"the capture backend needs a WAV file to write to"};
        if (Result<void> opened = wav_.open(options.wav_file, output_rate, output_channels); !opened) return opened;
        wav_.set_limit(options.wav_limit_bytes);
        wav_name_ = options.wav_file.filename().string();
        kept_silence_frames_ = frames_in_ms(options.longest_silence_ms);
        log_limit_ = options.event_log_limit_bytes;
        if (!options.event_log_file.empty()) {
            log_path_ = options.event_log_file.string();
            log_ = std::fopen(log_path_.c_str(), "w");
            if (!log_) {
                Failure failure =
                    failure_at(log_path_, std::string("cannot create the file (") + std::strerror(errno) + ")");
                (void)wav_.close();
                return failure;
            }
        }
        return {};
    }

    ~CaptureBackend() override { close(); }

    void write(std::span<const std::int16_t> samples) override { write_at(samples, 0, next_frame_); }

    void write_at(std::span<const std::int16_t> samples, std::int64_t origin_ms, std::uint64_t first_frame) override
    {
        origin_ms_ = origin_ms;
        next_frame_ = first_frame + samples.size() / output_channels;
        if (kept_silence_frames_ == 0) return keep(samples, first_frame);
        // Runs of silent and sounding frames: sound is kept, and silence up
        // to its longest; the rest of a long silence is only counted.
        std::size_t frames = samples.size() / output_channels;
        for (std::size_t start = 0; start < frames;) {
            bool silent = is_silent(samples, start);
            std::size_t end = silent ? end_of_silence(samples, start + 1) : start + 1;
            while (end < frames && is_silent(samples, end) == silent) ++end;
            auto run = samples.subspan(start * output_channels, (end - start) * output_channels);
            if (!silent) {
                note_left_out();
                silent_frames_ = 0;
                keep(run, first_frame + start);
            } else {
                std::uint64_t kept = silent_frames_ < kept_silence_frames_
                    ? std::min<std::uint64_t>(end - start, kept_silence_frames_ - silent_frames_)
                    : 0;
                keep(run.first(static_cast<std::size_t>(kept) * output_channels), first_frame + start);
                if (kept < end - start && left_out_frames_ == 0) left_out_from_frame_ = first_frame + start + kept;
                left_out_frames_ += end - start - kept;
                silent_frames_ += end - start;
            }
            start = end;
        }
    }

    void record(const SoundEvent& event) override
    {
        // Events come after the samples before them were written: what was
        // left out up to here is said first, so the log keeps its order.
        note_left_out();
        log_line(describe(event));
    }

    void close() override
    {
        note_left_out();
        if (wav_.is_open()) {
            if (Result<void> closed = wav_.close(); !closed) report_problem(closed.failure().text());
            if (wav_.dropped_frames() > 0) {
                report_problem("the capture WAV file is full; " + std::to_string(wav_.dropped_frames()) +
                    " frames were not written");
            }
        }
        if (log_) {
            if (std::fclose(log_) != 0 && log_error_.empty()) {
                log_error_ = log_path_ + ": cannot write the file (" + std::strerror(errno) + ")";
            }
            log_ = nullptr;
            if (!log_error_.empty()) report_problem(log_error_);
        }
    }

private:
    static bool is_silent(std::span<const std::int16_t> samples, std::size_t frame)
    {
        for (std::size_t channel = 0; channel < output_channels; ++channel)
            if (samples[frame * output_channels + channel] != 0) return false;
        return true;
    }

    // Skips whole stretches of zeros at once: an hour of a quiet phone is
    // mostly this.
    static std::size_t end_of_silence(std::span<const std::int16_t> samples, std::size_t frame)
    {
        static constexpr std::size_t stretch = 256;
        static const std::int16_t zeros[stretch * output_channels] = {};
        std::size_t frames = samples.size() / output_channels;
        while (frame + stretch <= frames &&
            std::memcmp(samples.data() + frame * output_channels, zeros, sizeof zeros) == 0)
            frame += stretch;
        return frame;
    }

    std::uint64_t time_of(std::uint64_t frame) const
    {
        return static_cast<std::uint64_t>(std::max<std::int64_t>(0, origin_ms_ + std::int64_t(ms_of_frames(frame))));
    }

    void keep(std::span<const std::int16_t> samples, std::uint64_t first_frame)
    {
        bool was_full = wav_.dropped_frames() > 0;
        std::uint64_t before = wav_.data_bytes();
        wav_.write(samples);
        // Said when it happens, so the person knows from when on the file is silent.
        if (!was_full && wav_.dropped_frames() > 0) {
            std::uint64_t full_at = time_of(first_frame + (wav_.data_bytes() - before) / (output_channels * 2));
            report_problem(wav_name_ + " reached its size limit at " + std::to_string(full_at) +
                " ms; the sound after that is not written");
        }
    }

    // The silence left out since it began: from when to when, and where
    // the file goes on.
    void note_left_out()
    {
        if (left_out_frames_ == 0) return;
        char line[160];
        std::snprintf(line, sizeof line, "%llu ms silence left out until %llu ms (%s goes on at %.3f s)",
            static_cast<unsigned long long>(time_of(left_out_from_frame_)),
            static_cast<unsigned long long>(time_of(left_out_from_frame_ + left_out_frames_)), wav_name_.c_str(),
            double(wav_.data_bytes() / (output_channels * 2)) / output_rate);
        log_line(line);
        left_out_frames_ = 0;
    }

    void log_line(std::string line)
    {
        if (!log_) return;
        line += '\n';
        // The last line before the limit says so; nothing follows it.
        static const std::string full_line = "the event log is full; later events are not written\n";
        if (log_limit_ > 0 && log_bytes_ + line.size() + full_line.size() > log_limit_) {
            if (log_full_) return;
            log_full_ = true;
            line = full_line;
        }
        log_bytes_ += line.size();
        if (std::fputs(line.c_str(), log_) < 0 && log_error_.empty()) {
            log_error_ = log_path_ + ": cannot write the file (" + std::strerror(errno) + ")";
        }
    }

    WavFileWriter wav_;
    std::string wav_name_;
    // Silence: how much a run may keep, how long the current run is so
    // far, and what of it was left out and from which frame.
    std::uint64_t kept_silence_frames_ = 0;
    std::uint64_t silent_frames_ = 0;
    std::uint64_t left_out_frames_ = 0;
    std::uint64_t left_out_from_frame_ = 0;
    // The mix's timeline: frame f plays at origin_ms_ + f / rate.
    std::int64_t origin_ms_ = 0;
    std::uint64_t next_frame_ = 0;
    std::uint64_t log_limit_ = 0;
    std::uint64_t log_bytes_ = 0;
    bool log_full_ = false;
    std::FILE* log_ = nullptr;
    std::string log_path_;
    std::string log_error_;
};

}  // namespace

BackendResult create_capture_backend(const BackendOptions& options)
{
    auto backend = std::make_unique<CaptureBackend>();
    if (Result<void> opened = backend->open(options); !opened) return opened.failure();
    return std::unique_ptr<Backend>(std::move(backend));
}

}  // namespace platform::audio
