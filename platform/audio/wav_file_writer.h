// Writes 16-bit PCM to a WAV file with the canonical 44-byte header, whose
// sizes are filled in as the file grows: it is a valid WAV file after every
// finish(), and after close(). A write that fails is kept, not lost: the next
// finish() or close() reports the first one, naming the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>

#include "platform/kernel/result.h"

namespace platform::audio {

class WavFileWriter {
public:
    WavFileWriter() = default;
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Creates (or truncates) the file; a failure names it.
    Result<void> open(const std::filesystem::path& path, std::uint32_t rate, std::uint16_t channels);
    // Appends samples; beyond the 4 GiB a WAV file can describe, or the
    // limit set, they are dropped (and dropped_frames() counts them).
    void write(std::span<const std::int16_t> samples);
    // The most sample bytes the file may hold (0: as many as a WAV file can).
    void set_limit(std::uint64_t data_bytes) { limit_ = data_bytes; }
    // Brings the header's sizes up to date and flushes. Fails when any
    // write since open() failed, with the first failure.
    Result<void> finish();
    // finish(), then closes the file; what finish() would report, or that
    // the file could not be closed.
    Result<void> close();

    bool is_open() const { return file_ != nullptr; }
    std::uint64_t data_bytes() const { return data_bytes_; }
    std::uint64_t dropped_frames() const { return dropped_frames_; }

private:
    void note_failure(const char* what);
    Result<void> status() const;

    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    std::uint16_t channels_ = 0;
    std::uint64_t data_bytes_ = 0;
    std::uint64_t dropped_frames_ = 0;
    std::uint64_t limit_ = 0;
    std::string error_;
};

}  // namespace platform::audio
