// Writes 16-bit PCM to a WAV file with the canonical 44-byte header, whose
// sizes are filled in as the file grows: it is a valid WAV file after every
// finish(), and after close().
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>

namespace platform::audio {

class WavFileWriter {
public:
    WavFileWriter() = default;
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Creates (or truncates) the file. False with a message naming the file.
    bool open(const std::filesystem::path& path, std::uint32_t rate, std::uint16_t channels, std::string* error);
    // Appends samples; beyond the 4 GiB a WAV file can describe, or the
    // limit set, they are dropped (and dropped_frames() counts them).
    void write(std::span<const std::int16_t> samples);
    // The most sample bytes the file may hold (0: as many as a WAV file can).
    void set_limit(std::uint64_t data_bytes) { limit_ = data_bytes; }
    // Brings the header's sizes up to date and flushes.
    void finish();
    void close();

    bool is_open() const { return file_ != nullptr; }
    std::uint64_t data_bytes() const { return data_bytes_; }
    std::uint64_t dropped_frames() const { return dropped_frames_; }
    // The first write error, naming the file; empty while all is well.
    const std::string& error() const { return error_; }

private:
    void note_failure(const char* what);

    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    std::uint16_t channels_ = 0;
    std::uint64_t data_bytes_ = 0;
    std::uint64_t dropped_frames_ = 0;
    std::uint64_t limit_ = 0;
    std::string error_;
};

}  // namespace platform::audio
