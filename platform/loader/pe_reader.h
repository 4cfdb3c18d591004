// Reads Portable Executable files as the phone's loader needs them: headers,
// section table and the resource tree, from a byte buffer.
//
// The files come from the device root, where a user may put anything, so the
// reader trusts nothing: every offset and size is checked against the file,
// its section and the resource area before use, with 64-bit arithmetic so no
// sum can wrap. A malformed file is rejected as a whole with a message that
// says what is wrong and where; the reader never reads outside the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/kernel/result.h"
#include "platform/loader/resource_id.h"

namespace platform::loader {

struct PeSection {
    std::string name;
    std::uint32_t virtual_address = 0;
    std::uint32_t virtual_size = 0;
    std::uint32_t raw_offset = 0;
    std::uint32_t raw_size = 0;
    std::uint32_t characteristics = 0;
};

struct PeResource {
    ResourceId type;
    ResourceId name;
    std::uint16_t language = 0;
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
    std::uint32_t code_page = 0;
    std::size_t file_offset = 0;  // where the data starts in the file
};

class PeReader {
public:
    // Reads everything at once; afterwards the reader only answers questions.
    // The bytes must outlive the reader, since resources refer into them. A
    // malformed file fails as a whole, saying what is wrong ("the section
    // table runs past the end of the file").
    static Result<PeReader> read(std::span<const std::uint8_t> image);

    bool is_pe64() const { return pe64_; }
    std::uint16_t machine() const { return machine_; }
    std::uint16_t characteristics() const { return characteristics_; }
    bool is_dll() const;
    const std::vector<PeSection>& sections() const { return sections_; }

    // Every resource, in the order of the directory: types, then names, then
    // languages.
    const std::vector<PeResource>& resources() const { return resources_; }
    std::span<const std::uint8_t> data(const PeResource& resource) const;

    // False when the file has no resource directory at all.
    bool has_resource_directory() const { return has_resource_directory_; }
    bool has_type(const ResourceId& type) const;
    // The first language of that type and name; null when there is none.
    const PeResource* find(const ResourceId& type, const ResourceId& name) const;
    const PeResource* find(const ResourceId& type, const ResourceId& name, std::uint16_t language) const;

    // Bounds that keep a hostile directory from costing more than the file is
    // worth.
    static constexpr std::size_t max_resource_entries = 1u << 20;
    // Distinct names may together hold at most this many characters for each
    // byte of the resource directory. Names written one after another fit in
    // half a character a byte; only names laid over each other exceed it.
    static constexpr std::size_t max_name_characters_per_byte = 1;

private:
    explicit PeReader(std::span<const std::uint8_t> image);

    Result<void> read_headers();
    Result<void> read_sections(std::size_t table_offset, std::uint32_t count);
    Result<void> read_resource_tree(std::uint32_t rva, std::uint32_t size);
    Result<void> read_resource_table(std::uint32_t offset, int level, const ResourceId& type, const ResourceId& name);
    Result<ResourceId> read_entry_key(std::uint32_t field, int level);
    Result<void> read_data_entry(
        std::uint32_t offset, const ResourceId& type, const ResourceId& name, std::uint16_t language);
    // The file offset of [rva, rva + size) inside one section's file data.
    bool map_rva(std::uint64_t rva, std::uint64_t size, std::size_t& file_offset) const;
    const PeResource* find_first(
        const ResourceId& type, const ResourceId& name, std::optional<std::uint16_t> language) const;

    std::span<const std::uint8_t> image_;
    bool pe64_ = false;
    std::uint16_t machine_ = 0;
    std::uint16_t characteristics_ = 0;
    bool has_resource_directory_ = false;
    std::vector<PeSection> sections_;
    std::vector<PeResource> resources_;

    // The resource area while the tree is read.
    std::span<const std::uint8_t> area_;
    std::unordered_set<std::uint32_t> visited_tables_;
    std::size_t entries_seen_ = 0;
    // Each name is read once, however many entries point to it.
    std::unordered_map<std::uint32_t, ResourceId> names_by_offset_;
    std::size_t name_characters_ = 0;
};

}  // namespace platform::loader
