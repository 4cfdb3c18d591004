#include "wave_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

namespace velmor_wavegen {

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

void put_tag(std::vector<std::uint8_t>& out, const char (&tag)[5]) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

std::vector<std::uint8_t> encode_wave(
    const std::vector<std::int16_t>& samples, std::uint32_t samples_per_second, std::uint16_t channels)
{
    constexpr std::uint16_t pcm = 1;
    constexpr std::uint16_t bits = 16;
    const std::uint16_t block_align = static_cast<std::uint16_t>(channels * bits / 8);
    const auto data_bytes = static_cast<std::uint32_t>(samples.size() * sizeof(std::int16_t));

    std::vector<std::uint8_t> out;
    out.reserve(wave_header_bytes + data_bytes);
    put_tag(out, "RIFF");
    put32(out, 36 + data_bytes);  // everything after this field
    put_tag(out, "WAVE");
    put_tag(out, "fmt ");
    put32(out, 16);
    put16(out, pcm);
    put16(out, channels);
    put32(out, samples_per_second);
    put32(out, samples_per_second * block_align);
    put16(out, block_align);
    put16(out, bits);
    put_tag(out, "data");
    put32(out, data_bytes);
    for (std::int16_t sample : samples) put16(out, static_cast<std::uint16_t>(sample));
    return out;
}

platform::Result<void> write_wave(
    const std::filesystem::path& path, const std::vector<std::int16_t>& samples, std::uint32_t samples_per_second)
{
    std::vector<std::uint8_t> bytes = encode_wave(samples, samples_per_second);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return platform::failure_at(
            path.string(), std::string("cannot create the file (") + std::strerror(errno) + ")");
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        return platform::failure_at(path.string(), "could not write all " + std::to_string(bytes.size()) + " bytes");
    return {};
}

}  // namespace velmor_wavegen
