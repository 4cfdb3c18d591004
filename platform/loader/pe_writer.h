// Builds resource-only DLLs: the files the phone's loader reads pictures and
// sounds from. The build packs the program's and the platform's resource
// libraries with it (through velmor-res), and tests make their own.
//
// The result is a regular PE file (one ".rsrc" section, file alignment 0x200,
// section alignment 0x1000, DLL characteristics, a valid checksum) that the
// Windows loader would accept as well, with names upper-cased and entries
// sorted the way resource compilers emit them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/kernel/result.h"
#include "platform/loader/resource_id.h"

namespace platform::loader {

struct PeWriterOptions {
    bool pe64 = false;
    // 0 picks ARM (as the phone) for PE32 and AMD64 for PE32+.
    std::uint16_t machine = 0;
};

class PeWriter {
public:
    explicit PeWriter(PeWriterOptions options = {});

    // Adds one resource. Refuses a key that cannot be looked up (number 0,
    // empty name, over-long name) or that is already present, and a resource
    // past the limits of one section.
    Result<void> add(
        const ResourceId& type, const ResourceId& name, std::uint16_t language, std::vector<std::uint8_t> data);

    // The whole file. Size limits are enforced by add(), so this cannot fail.
    std::vector<std::uint8_t> build() const;

    std::size_t size() const { return count_; }

    static constexpr std::uint64_t max_resource_bytes = 0x7FF00000;
    static constexpr std::size_t max_resources = 1u << 18;

private:
    using Languages = std::map<std::uint16_t, std::vector<std::uint8_t>>;
    using Names = std::map<ResourceId, Languages>;

    std::vector<std::uint8_t> build_resource_section(std::uint32_t section_rva) const;

    PeWriterOptions options_;
    std::map<ResourceId, Names> types_;
    std::uint64_t data_bytes_ = 0;
    std::size_t count_ = 0;
};

// The PE checksum: 16-bit one's-complement-style sum of the file, with the
// checksum field itself counted as zero, plus the file's length.
std::uint32_t pe_checksum(const std::vector<std::uint8_t>& file, std::size_t checksum_offset);

}  // namespace platform::loader
