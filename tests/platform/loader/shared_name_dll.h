// A resource library that is cheap on disk and costly to read naively: its
// directory points many entries at one long name. The loader, velmor-res and
// the fuzz corpus use it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/loader/pe_format.h"
#include "platform/loader/pe_writer.h"

// count RCDATA-typed entries, each with its own language table, all named by
// the one name of name_length characters at a single offset.
inline std::vector<std::uint8_t> shared_name_dll(std::size_t name_length, std::size_t count)
{
    namespace pe = platform::loader::pe;
    using platform::loader::ResourceId;
    const std::uint32_t type_table = pe::resource_table_size + pe::resource_entry_size;
    const std::uint32_t language_tables =
        type_table + pe::resource_table_size + std::uint32_t(count * pe::resource_entry_size);
    const std::uint32_t language_table_size = pe::resource_table_size + pe::resource_entry_size;
    const std::uint32_t data_entry = language_tables + std::uint32_t(count) * language_table_size;
    const std::uint32_t name = data_entry + pe::resource_data_entry_size;
    const std::uint32_t data = (name + 2 + 2 * std::uint32_t(name_length) + 3) & ~3u;
    const std::uint32_t tree_size = data + 4;

    // The writer lays out a valid file whose one resource is large enough to
    // hold the tree written over the start of its section.
    platform::loader::PeWriter writer;
    if (!writer.add(
            ResourceId::from_number(10), ResourceId::from_number(1), 0x0409, std::vector<std::uint8_t>(tree_size)))
        return {};
    std::vector<std::uint8_t> file = writer.build();

    std::uint32_t pe_header = pe::read32(file, pe::dos_lfanew_offset);
    std::size_t optional = pe_header + 4 + pe::coff_header_size;
    std::size_t section = optional + pe::read16(file, pe_header + 4 + pe::coff_size_of_optional_header);
    std::size_t rsrc = pe::read32(file, section + pe::section_pointer_to_raw_data);
    std::uint32_t rva = pe::read32(file, section + pe::section_virtual_address);

    auto at = [&](std::uint32_t offset) { return rsrc + offset; };
    std::fill(file.begin() + std::ptrdiff_t(rsrc), file.begin() + std::ptrdiff_t(at(tree_size)), 0);
    pe::write16(file, at(pe::resource_table_id_count), 1);
    pe::write32(file, at(pe::resource_table_size), 10);
    pe::write32(file, at(pe::resource_table_size + 4), pe::resource_data_is_directory | type_table);
    pe::write16(file, at(type_table + pe::resource_table_named_count), std::uint16_t(count));
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t entry = type_table + pe::resource_table_size + i * pe::resource_entry_size;
        std::uint32_t languages = language_tables + i * language_table_size;
        pe::write32(file, at(entry), pe::resource_name_is_string | name);
        pe::write32(file, at(entry + 4), pe::resource_data_is_directory | languages);
        pe::write16(file, at(languages + pe::resource_table_id_count), 1);
        pe::write32(file, at(languages + pe::resource_table_size), 0x0409);
        pe::write32(file, at(languages + pe::resource_table_size + 4), data_entry);
    }
    pe::write32(file, at(data_entry), rva + data);
    pe::write32(file, at(data_entry + 4), 4);
    pe::write16(file, at(name), std::uint16_t(name_length));
    for (std::uint32_t i = 0; i < name_length; ++i)
        pe::write16(file, at(name + 2 + 2 * i), static_cast<std::uint16_t>(u'A' + i % 26));
    pe::write32(file, at(data), 0x52415453);  // "STAR"
    return file;
}
