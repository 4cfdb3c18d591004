#include "platform/loader/pe_reader.h"

#include <algorithm>
#include <cstdio>

#include "platform/loader/pe_format.h"

namespace platform::loader {

namespace {

Failure fail(std::string message) { return Failure {std::move(message)}; }

std::string hex(std::uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

bool fits(std::uint64_t offset, std::uint64_t size, std::uint64_t limit)
{
    return offset <= limit && size <= limit - offset;
}

std::string describe(const ResourceId& type, const ResourceId& name)
{
    std::string type_text = type.to_string();
    if (!type.is_name())
        if (const char* standard = standard_type_name(type.number())) type_text = standard;
    return "resource " + type_text + "/" + name.to_string();
}

}  // namespace

PeReader::PeReader(std::span<const std::uint8_t> image)
    : image_(image)
{
}

Result<PeReader> PeReader::read(std::span<const std::uint8_t> image)
{
    PeReader reader(image);
    if (auto headers = reader.read_headers(); !headers) return headers.failure();
    // Only the answers are kept; what the tree walk needed goes.
    reader.area_ = {};
    reader.visited_tables_.clear();
    reader.names_by_offset_.clear();
    return reader;
}

bool PeReader::is_dll() const { return (characteristics_ & pe::file_dll) != 0; }

Result<void> PeReader::read_headers()
{
    if (image_.size() < pe::dos_header_size)
        return fail("too short for an executable (" + std::to_string(image_.size()) + " bytes)");
    if (pe::read16(image_, 0) != pe::dos_magic) return fail("not an executable (no MZ signature)");

    std::uint32_t pe_offset = pe::read32(image_, pe::dos_lfanew_offset);
    if (!fits(pe_offset, 4 + pe::coff_header_size, image_.size()))
        return fail("the PE header offset " + hex(pe_offset) + " lies past the end of the file");
    if (pe::read32(image_, pe_offset) != pe::pe_signature)
        return fail("no PE signature at offset " + hex(pe_offset) + " (not a Win32 executable)");

    std::size_t coff = pe_offset + 4;
    machine_ = pe::read16(image_, coff + pe::coff_machine);
    characteristics_ = pe::read16(image_, coff + pe::coff_characteristics);
    std::uint16_t section_count = pe::read16(image_, coff + pe::coff_number_of_sections);
    std::uint16_t optional_size = pe::read16(image_, coff + pe::coff_size_of_optional_header);

    std::size_t optional = coff + pe::coff_header_size;
    if (!fits(optional, optional_size, image_.size()))
        return fail("the optional header (" + std::to_string(optional_size) + " bytes) runs past the end of the file");
    if (optional_size < 2) return fail("the optional header is missing");
    std::uint16_t magic = pe::read16(image_, optional + pe::optional_magic);
    if (magic != pe::optional_magic_pe32 && magic != pe::optional_magic_pe64)
        return fail("unknown optional header magic " + hex(magic) + " (expected 0x10B or 0x20B)");
    pe64_ = magic == pe::optional_magic_pe64;

    std::size_t count_field = pe64_ ? pe::optional_rva_count_pe64 : pe::optional_rva_count_pe32;
    std::size_t directories = count_field + 4;
    if (optional_size < directories)
        return fail("the optional header is too short (" + std::to_string(optional_size) + " bytes) for " +
            (pe64_ ? "PE32+" : "PE32"));
    // Windows ignores directories past the sixteenth; so does this reader.
    std::uint32_t directory_count = std::min(pe::read32(image_, optional + count_field), pe::max_data_directories);
    if (directories + std::size_t(directory_count) * pe::data_directory_size > optional_size)
        return fail(
            "the optional header is too short for its " + std::to_string(directory_count) + " data directories");

    if (auto sections = read_sections(optional + optional_size, section_count); !sections) return sections;

    if (directory_count > pe::directory_entry_resource) {
        std::size_t entry = optional + directories + pe::directory_entry_resource * pe::data_directory_size;
        std::uint32_t rva = pe::read32(image_, entry);
        std::uint32_t size = pe::read32(image_, entry + 4);
        if (size != 0) return read_resource_tree(rva, size);
    }
    return {};
}

Result<void> PeReader::read_sections(std::size_t table_offset, std::uint32_t count)
{
    if (count > pe::max_sections) return fail(std::to_string(count) + " sections (at most 96 are allowed)");
    if (!fits(table_offset, std::uint64_t(count) * pe::section_header_size, image_.size()))
        return fail("the section table (" + std::to_string(count) + " sections at offset " + hex(table_offset) +
            ") runs past the end of the file");
    for (std::uint32_t i = 0; i < count; ++i) {
        std::size_t at = table_offset + i * pe::section_header_size;
        PeSection section;
        for (std::size_t c = 0; c < pe::section_name_size && image_[at + c] != 0; ++c)
            section.name.push_back(static_cast<char>(image_[at + c]));
        section.virtual_size = pe::read32(image_, at + pe::section_virtual_size);
        section.virtual_address = pe::read32(image_, at + pe::section_virtual_address);
        section.raw_size = pe::read32(image_, at + pe::section_size_of_raw_data);
        section.raw_offset = pe::read32(image_, at + pe::section_pointer_to_raw_data);
        section.characteristics = pe::read32(image_, at + pe::section_characteristics);
        if (section.raw_size != 0 && !fits(section.raw_offset, section.raw_size, image_.size()))
            return fail("section " + std::to_string(i + 1) + " (" + section.name + ") has data at offset " +
                hex(section.raw_offset) + ", " + hex(section.raw_size) + " bytes, past the end of the file (" +
                hex(image_.size()) + " bytes)");
        sections_.push_back(std::move(section));
    }
    return {};
}

bool PeReader::map_rva(std::uint64_t rva, std::uint64_t size, std::size_t& file_offset) const
{
    for (const auto& section : sections_) {
        // Bytes past the virtual size are not part of the mapped image.
        std::uint64_t length = section.raw_size;
        if (section.virtual_size != 0) length = std::min<std::uint64_t>(length, section.virtual_size);
        // A section without file data was never checked against the file.
        if (length == 0) continue;
        if (rva < section.virtual_address) continue;
        std::uint64_t inside = rva - section.virtual_address;
        if (!fits(inside, size, length)) continue;
        file_offset = static_cast<std::size_t>(section.raw_offset + inside);
        return true;
    }
    return false;
}

Result<void> PeReader::read_resource_tree(std::uint32_t rva, std::uint32_t size)
{
    std::size_t offset = 0;
    if (!map_rva(rva, size, offset))
        return fail("the resource directory (RVA " + hex(rva) + ", " + hex(size) +
            " bytes) does not lie within the file data of one section");
    area_ = image_.subspan(offset, size);
    has_resource_directory_ = true;
    return read_resource_table(0, 0, {}, {});
}

Result<ResourceId> PeReader::read_entry_key(std::uint32_t field, int level)
{
    if ((field & pe::resource_name_is_string) == 0) {
        if (field > 0xFFFF) return fail("a resource directory entry has the number " + hex(field) + ", beyond 16 bits");
        return ResourceId::from_number(static_cast<std::uint16_t>(field));
    }
    if (level == 2) return fail("a resource language entry has a name instead of a number");
    std::uint32_t at = field & ~pe::resource_name_is_string;
    if (auto known = names_by_offset_.find(at); known != names_by_offset_.end()) return known->second;
    if (!fits(at, 2, area_.size()))
        return fail("a resource name at offset " + hex(at) + " lies outside the resource directory");
    std::uint16_t length = pe::read16(area_, at);
    if (!fits(at + 2ull, 2ull * length, area_.size()))
        return fail("a resource name at offset " + hex(at) + " (" + std::to_string(length) +
            " characters) runs past the end of the resource directory");
    name_characters_ += length;
    if (name_characters_ > area_.size() * max_name_characters_per_byte)
        return fail("the resource names at offset " + hex(at) +
            " and before overlap: together they hold more characters (" + std::to_string(name_characters_) +
            ") than the resource directory has bytes (" + std::to_string(area_.size()) + ")");
    std::u16string name(length, u'\0');
    for (std::uint16_t i = 0; i < length; ++i) name[i] = static_cast<char16_t>(pe::read16(area_, at + 2 + 2 * i));
    return names_by_offset_.emplace(at, ResourceId::from_name(std::move(name))).first->second;
}

Result<void> PeReader::read_resource_table(
    std::uint32_t offset, int level, const ResourceId& type, const ResourceId& name)
{
    if (!visited_tables_.insert(offset).second)
        return fail("the resource directory table at offset " + hex(offset) + " is reached twice (a loop in the tree)");
    if (!fits(offset, pe::resource_table_size, area_.size()))
        return fail("a resource directory table at offset " + hex(offset) + " lies outside the resource directory (" +
            hex(area_.size()) + " bytes)");
    std::uint64_t count = std::uint64_t(pe::read16(area_, offset + pe::resource_table_named_count)) +
        pe::read16(area_, offset + pe::resource_table_id_count);
    std::uint64_t entries = offset + pe::resource_table_size;
    if (!fits(entries, count * pe::resource_entry_size, area_.size()))
        return fail("the resource directory table at offset " + hex(offset) + " claims " + std::to_string(count) +
            " entries, more than the resource directory holds");
    entries_seen_ += count;
    if (entries_seen_ > max_resource_entries) return fail("the resource directory has more than a million entries");

    for (std::uint64_t i = 0; i < count; ++i) {
        std::size_t at = static_cast<std::size_t>(entries + i * pe::resource_entry_size);
        auto read_key = read_entry_key(pe::read32(area_, at), level);
        if (!read_key) return read_key.failure();
        const ResourceId& key = *read_key;
        std::uint32_t target = pe::read32(area_, at + 4);
        bool is_table = (target & pe::resource_data_is_directory) != 0;
        target &= ~pe::resource_data_is_directory;
        if (level < 2) {
            if (!is_table)
                return fail(std::string("the resource ") + (level == 0 ? "type " : "name ") + key.to_string() +
                    " points to data instead of a directory table");
            auto table =
                level == 0 ? read_resource_table(target, 1, key, {}) : read_resource_table(target, 2, type, key);
            if (!table) return table;
        } else {
            if (is_table)
                return fail(describe(type, name) + " language " + key.to_string() +
                    " points to a further directory (the tree is at most three levels deep)");
            if (auto entry = read_data_entry(target, type, name, key.number()); !entry) return entry;
        }
    }
    return {};
}

Result<void> PeReader::read_data_entry(
    std::uint32_t offset, const ResourceId& type, const ResourceId& name, std::uint16_t language)
{
    if (!fits(offset, pe::resource_data_entry_size, area_.size()))
        return fail("the data entry of " + describe(type, name) + " at offset " + hex(offset) +
            " lies outside the resource directory");
    PeResource resource;
    resource.type = type;
    resource.name = name;
    resource.language = language;
    resource.rva = pe::read32(area_, offset);
    resource.size = pe::read32(area_, offset + 4);
    resource.code_page = pe::read32(area_, offset + 8);
    if (!map_rva(resource.rva, resource.size, resource.file_offset))
        return fail("the data of " + describe(type, name) + " (RVA " + hex(resource.rva) + ", " + hex(resource.size) +
            " bytes) does not lie within the file data of a section");
    resources_.push_back(std::move(resource));
    return {};
}

std::span<const std::uint8_t> PeReader::data(const PeResource& resource) const
{
    return image_.subspan(resource.file_offset, resource.size);
}

bool PeReader::has_type(const ResourceId& type) const
{
    const ResourceId* mismatch = nullptr;
    for (const auto& resource : resources_) {
        if (mismatch && resource.type.shares_name_with(*mismatch)) continue;
        if (resource.type.matches(type)) return true;
        mismatch = &resource.type;
    }
    return false;
}

const PeResource* PeReader::find(const ResourceId& type, const ResourceId& name) const
{
    return find_first(type, name, std::nullopt);
}

const PeResource* PeReader::find(const ResourceId& type, const ResourceId& name, std::uint16_t language) const
{
    return find_first(type, name, language);
}

const PeResource* PeReader::find_first(
    const ResourceId& type, const ResourceId& name, std::optional<std::uint16_t> language) const
{
    // Many entries may share one long name; a name already found not to
    // match is not compared again, so a lookup costs each distinct name once.
    const ResourceId* type_mismatch = nullptr;
    const ResourceId* name_mismatch = nullptr;
    for (const auto& resource : resources_) {
        if (language && resource.language != *language) continue;
        if (type_mismatch && resource.type.shares_name_with(*type_mismatch)) continue;
        if (!resource.type.matches(type)) {
            type_mismatch = &resource.type;
            continue;
        }
        if (name_mismatch && resource.name.shares_name_with(*name_mismatch)) continue;
        if (resource.name.matches(name)) return &resource;
        name_mismatch = &resource.name;
    }
    return nullptr;
}

}  // namespace platform::loader
