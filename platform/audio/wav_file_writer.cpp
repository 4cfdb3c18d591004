// The WAV file writer of the capture backend.
#include "platform/audio/wav_file_writer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace platform::audio {
namespace {

// RIFF sizes are 32-bit and count the 36 header bytes after "RIFF" too.
constexpr std::uint64_t largest_data = 0xFFFFFFFFull - 36;

void put16(std::uint8_t* p, std::uint16_t value)
{
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* p, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::array<std::uint8_t, 44> canonical_header(std::uint32_t rate, std::uint16_t channels, std::uint32_t data_bytes)
{
    std::array<std::uint8_t, 44> header {};
    std::uint16_t block_align = static_cast<std::uint16_t>(channels * 2);
    std::memcpy(header.data(), "RIFF", 4);
    put32(header.data() + 4, 36 + data_bytes);
    std::memcpy(header.data() + 8, "WAVEfmt ", 8);
    put32(header.data() + 16, 16);
    put16(header.data() + 20, 1);
    put16(header.data() + 22, channels);
    put32(header.data() + 24, rate);
    put32(header.data() + 28, rate * block_align);
    put16(header.data() + 32, block_align);
    put16(header.data() + 34, 16);
    std::memcpy(header.data() + 36, "data", 4);
    put32(header.data() + 40, data_bytes);
    return header;
}

}  // namespace

// A failure at the end of the writer's life has no one left to hear it: the
// owner that cares calls close() first.
WavFileWriter::~WavFileWriter() { (void)close(); }

Result<void> WavFileWriter::open(const std::filesystem::path& path, std::uint32_t rate, std::uint16_t channels)
{
    // A writer reused for another file forgets the last one's failures.
    (void)close();
    path_ = path;
    channels_ = channels;
    data_bytes_ = 0;
    dropped_frames_ = 0;
    error_.clear();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return failure_at(path.string(), std::string("cannot create the file (") + std::strerror(errno) + ")");
    auto header = canonical_header(rate, channels, 0);
    if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) note_failure("write");
    return status();
}

void WavFileWriter::write(std::span<const std::int16_t> samples)
{
    if (!file_ || samples.empty()) return;
    std::uint64_t bytes = samples.size_bytes();
    std::uint64_t largest = limit_ > 0 ? std::min(limit_, largest_data) : largest_data;
    std::uint64_t room = largest > data_bytes_ ? largest - data_bytes_ : 0;
    if (bytes > room) {
        std::uint64_t frame_bytes = channels_ * 2u;
        std::uint64_t kept = room - room % frame_bytes;
        dropped_frames_ += (bytes - kept) / frame_bytes;
        bytes = kept;
    }
    if (bytes == 0) return;
    if (std::fwrite(samples.data(), 1, bytes, file_) != bytes) note_failure("write");
    data_bytes_ += bytes;
}

Result<void> WavFileWriter::finish()
{
    if (!file_) return status();
    long end = std::ftell(file_);
    // Only the two size fields change; the rest of the header is as written.
    std::uint8_t sizes[4];
    put32(sizes, static_cast<std::uint32_t>(36 + data_bytes_));
    bool ok = std::fseek(file_, 4, SEEK_SET) == 0 && std::fwrite(sizes, 1, 4, file_) == 4;
    put32(sizes, static_cast<std::uint32_t>(data_bytes_));
    ok = ok && std::fseek(file_, 40, SEEK_SET) == 0 && std::fwrite(sizes, 1, 4, file_) == 4;
    ok = ok && std::fseek(file_, end, SEEK_SET) == 0 && std::fflush(file_) == 0;
    if (!ok) note_failure("finish");
    return status();
}

Result<void> WavFileWriter::close()
{
    if (!file_) return status();
    (void)finish();
    if (std::fclose(file_) != 0) note_failure("close");
    file_ = nullptr;
    return status();
}

void WavFileWriter::note_failure(const char* what)
{
    if (error_.empty()) error_ = std::string("cannot ") + what + " the file (" + std::strerror(errno) + ")";
}

Result<void> WavFileWriter::status() const
{
    if (error_.empty()) return {};
    return failure_at(path_.string(), error_);
}

}  // namespace platform::audio
