// SHA-256, the digest kept pictures are found by: a different encoded
// picture never names the same file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace platform::imaging {

class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256();
    void add(std::span<const std::uint8_t> bytes);
    // The digest of everything added; the object is spent afterwards.
    Digest finish();

    static Digest of(std::span<const std::uint8_t> bytes);

private:
    void compress(const std::uint8_t* blocks, std::size_t count);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_ {};
    std::size_t pending_size_ = 0;
    std::uint64_t total_ = 0;
};

}  // namespace platform::imaging
