// Decoded pictures kept in the device root between starts, so a phone that
// has started before reads its large pictures' pixels instead of inflating
// them again. A file is named by the SHA-256 of the picture's encoded bytes
// and the decoders' output version, so another picture or another decoder
// never takes it; it is written whole or not at all (aside, then renamed),
// and checked on reading (header, length and a checksum of the rows):
// a missing, short, damaged or foreign file is simply decoded anew and
// replaced. It is a cache: when its folder cannot be written the picture is
// decoded all the same, and nothing is said.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "platform/imaging/decoders.h"
#include "platform/imaging/sha256.h"

namespace platform::imaging {

class PictureKeeper {
public:
    // Reading a kept picture back beats decoding it from about 200 encoded
    // bytes up; under 1 KiB the gain is a few microseconds, not worth a file
    // and a write.
    static constexpr std::size_t smallest_kept = 1024;
    // The folder is kept within this many bytes: writing a picture that
    // takes it beyond removes the files written longest ago.
    static constexpr std::uintmax_t default_folder_limit = std::uintmax_t(64) << 20;

    // Keeps pictures in folder (created when first written); an empty folder
    // keeps nothing. Encoded pictures under smallest are decoded every time.
    explicit PictureKeeper(std::filesystem::path folder, std::uintmax_t folder_limit = default_folder_limit,
        std::size_t smallest = smallest_kept);

    // The folder under the device root's runtime folder, out of the phone's
    // own file system; empty without a device root.
    static std::filesystem::path folder_in_device_root();

    // The picture: its kept pixels when there are good ones, else decoded
    // (and kept when it is large enough).
    Result<Picture> decode(std::span<const std::uint8_t> data, const PixelAllocator& allocate = allocate_within_limits);

    // The kept picture for the data, read into rows from allocate; nullopt
    // when there is none or the file is not right.
    std::optional<Picture> restore(
        std::span<const std::uint8_t> data, const PixelAllocator& allocate = allocate_within_limits) const;
    // Keeps the picture decoded from data; false when it could not be written.
    bool keep(std::span<const std::uint8_t> data, const Picture& picture);

    // Where the picture of that data is kept; empty when it is not kept
    // (no folder, or too small).
    std::filesystem::path file_for(std::span<const std::uint8_t> data) const;

private:
    static Sha256::Digest key_of(std::span<const std::uint8_t> data);
    std::optional<Picture> restore_by_key(const Sha256::Digest& key, const PixelAllocator& allocate) const;
    bool keep_by_key(const Sha256::Digest& key, const Picture& picture);
    void stay_within_limit(const std::filesystem::path& written);

    std::filesystem::path folder_;
    std::uintmax_t folder_limit_;
    std::size_t smallest_;
};

}  // namespace platform::imaging
