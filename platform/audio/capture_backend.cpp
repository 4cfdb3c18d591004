// The capture backend: the phone's speaker is a WAV file. Recorded runs and
// tests listen to exactly what the phone played, sample for sample, and read
// the event log beside it to see which sound started, looped, ended or was
// cut off, and when on the phone's clock.
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
    bool open(const BackendOptions& options, std::string* error)
    {
        if (options.wav_file.empty()) {
            if (error) *error = "the capture backend needs a WAV file to write to";
            return false;
        }
        if (!wav_.open(options.wav_file, output_rate, output_channels, error)) return false;
        if (!options.event_log_file.empty()) {
            log_path_ = options.event_log_file.string();
            log_ = std::fopen(log_path_.c_str(), "w");
            if (!log_) {
                if (error) *error = "cannot create " + log_path_ + ": " + std::strerror(errno);
                wav_.close();
                return false;
            }
        }
        return true;
    }

    ~CaptureBackend() override { close(); }

    void write(std::span<const std::int16_t> samples) override { wav_.write(samples); }

    void record(const SoundEvent& event) override
    {
        if (!log_) return;
        std::string line = describe(event);
        line += '\n';
        if (std::fputs(line.c_str(), log_) < 0 && log_error_.empty()) {
            log_error_ = "cannot write " + log_path_ + ": " + std::strerror(errno);
        }
    }

    void close() override
    {
        if (wav_.is_open()) {
            wav_.close();
            if (!wav_.error().empty()) report_problem(wav_.error());
            if (wav_.dropped_frames() > 0) {
                report_problem("the capture WAV file is full; " + std::to_string(wav_.dropped_frames()) +
                    " frames were not written");
            }
        }
        if (log_) {
            if (std::fclose(log_) != 0 && log_error_.empty()) {
                log_error_ = "cannot write " + log_path_ + ": " + std::strerror(errno);
            }
            log_ = nullptr;
            if (!log_error_.empty()) report_problem(log_error_);
        }
    }

private:
    WavFileWriter wav_;
    std::FILE* log_ = nullptr;
    std::string log_path_;
    std::string log_error_;
};

}  // namespace

std::unique_ptr<Backend> create_capture_backend(const BackendOptions& options, std::string* error)
{
    auto backend = std::make_unique<CaptureBackend>();
    if (!backend->open(options, error)) return nullptr;
    return backend;
}

}  // namespace platform::audio
