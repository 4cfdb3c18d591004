#include "platform/loader/pe_writer.h"

#include "platform/kernel/case_fold.h"
#include "platform/loader/pe_format.h"

namespace platform::loader {

namespace {

constexpr std::uint32_t pe_header_offset = 0x40;
constexpr std::uint32_t section_rva = pe::section_alignment;

std::uint64_t align_up(std::uint64_t value, std::uint64_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

ResourceId upper_cased(const ResourceId& id)
{
    if (!id.is_name()) return id;
    std::u16string name = id.name();
    for (auto& c : name) c = upper_case(c);
    return ResourceId::from_name(std::move(name));
}

std::string check_key(const ResourceId& id, const char* what)
{
    if (id.is_name()) {
        if (id.name().empty()) return std::string("the resource ") + what + " is an empty name";
        if (id.name().size() > 0xFFFF) return std::string("the resource ") + what + " is longer than 65535 characters";
    } else if (id.number() == 0) {
        return std::string("the resource ") + what + " is the number 0, which cannot be looked up";
    }
    return {};
}

}  // namespace

PeWriter::PeWriter(PeWriterOptions options)
    : options_(options)
{
    if (options_.machine == 0) options_.machine = options_.pe64 ? pe::machine_amd64 : pe::machine_arm;
}

Result<void> PeWriter::add(
    const ResourceId& type, const ResourceId& name, std::uint16_t language, std::vector<std::uint8_t> data)
{
    for (auto problem : {check_key(type, "type"), check_key(name, "name")})
        if (!problem.empty()) return Failure {problem};
    if (count_ >= max_resources) return Failure {"more than " + std::to_string(max_resources) + " resources"};
    std::uint64_t padded = align_up(data.size(), 4);
    if (padded > max_resource_bytes - data_bytes_)
        return Failure {"the resources take more than 2 GB, more than one section can hold"};
    auto& languages = types_[upper_cased(type)][upper_cased(name)];
    if (languages.count(language))
        return Failure {"the resource " + type.to_string() + "/" + name.to_string() + " is given twice for language " +
            std::to_string(language)};
    data_bytes_ += padded;
    ++count_;
    languages.emplace(language, std::move(data));
    return {};
}

std::vector<std::uint8_t> PeWriter::build_resource_section(std::uint32_t rva) const
{
    // Layout: every directory table (root, types, names), the data entries,
    // the name strings, then the data, each piece 4-byte aligned.
    std::uint64_t tables = pe::resource_table_size + types_.size() * pe::resource_entry_size;
    std::uint64_t data_entries = 0;
    std::uint64_t strings = 0;
    auto string_size = [](const ResourceId& id) { return id.is_name() ? align_up(2 + 2 * id.name().size(), 4) : 0; };
    for (const auto& [type, names] : types_) {
        tables += pe::resource_table_size + names.size() * pe::resource_entry_size;
        strings += string_size(type);
        for (const auto& [name, languages] : names) {
            tables += pe::resource_table_size + languages.size() * pe::resource_entry_size;
            data_entries += languages.size() * pe::resource_data_entry_size;
            strings += string_size(name);
        }
    }
    std::uint64_t total = tables + data_entries + strings + data_bytes_;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(total), 0);

    std::uint32_t next_table = 0;
    std::uint32_t next_data_entry = static_cast<std::uint32_t>(tables);
    std::uint32_t next_string = static_cast<std::uint32_t>(tables + data_entries);
    std::uint32_t next_data = static_cast<std::uint32_t>(tables + data_entries + strings);

    auto key_field = [&](const ResourceId& id) -> std::uint32_t {
        if (!id.is_name()) return id.number();
        std::uint32_t at = next_string;
        pe::write16(out, at, static_cast<std::uint16_t>(id.name().size()));
        for (std::size_t i = 0; i < id.name().size(); ++i) pe::write16(out, at + 2 + 2 * i, id.name()[i]);
        next_string += static_cast<std::uint32_t>(string_size(id));
        return at | pe::resource_name_is_string;
    };
    // Writes a table header and returns where its first entry goes.
    auto begin_table = [&](std::size_t named, std::size_t numbered) {
        std::uint32_t at = next_table;
        pe::write16(out, at + pe::resource_table_named_count, static_cast<std::uint16_t>(named));
        pe::write16(out, at + pe::resource_table_id_count, static_cast<std::uint16_t>(numbered));
        next_table +=
            static_cast<std::uint32_t>(pe::resource_table_size + (named + numbered) * pe::resource_entry_size);
        return at + static_cast<std::uint32_t>(pe::resource_table_size);
    };
    auto count_named = [](const auto& map) {
        std::size_t named = 0;
        for (const auto& entry : map)
            if (entry.first.is_name()) ++named;
        return named;
    };

    // Breadth first: the root's entries must know where each type table
    // starts, so tables are allotted level by level.
    std::size_t named_types = count_named(types_);
    std::uint32_t root_entry = begin_table(named_types, types_.size() - named_types);
    std::vector<std::uint32_t> type_entries;
    for (const auto& [type, names] : types_) {
        pe::write32(out, root_entry, key_field(type));
        std::size_t named_names = count_named(names);
        std::uint32_t table = next_table;
        type_entries.push_back(begin_table(named_names, names.size() - named_names));
        pe::write32(out, root_entry + 4, table | pe::resource_data_is_directory);
        root_entry += pe::resource_entry_size;
    }
    std::size_t type_index = 0;
    for (const auto& [type, names] : types_) {
        std::uint32_t name_entry = type_entries[type_index++];
        for (const auto& [name, languages] : names) {
            pe::write32(out, name_entry, key_field(name));
            std::uint32_t table = next_table;
            std::uint32_t language_entry = begin_table(0, languages.size());
            pe::write32(out, name_entry + 4, table | pe::resource_data_is_directory);
            name_entry += pe::resource_entry_size;
            for (const auto& [language, data] : languages) {
                pe::write32(out, language_entry, language);
                pe::write32(out, language_entry + 4, next_data_entry);
                language_entry += pe::resource_entry_size;
                pe::write32(out, next_data_entry, rva + next_data);
                pe::write32(out, next_data_entry + 4, static_cast<std::uint32_t>(data.size()));
                next_data_entry += pe::resource_data_entry_size;
                std::copy(data.begin(), data.end(), out.begin() + next_data);
                next_data += static_cast<std::uint32_t>(align_up(data.size(), 4));
            }
        }
    }
    return out;
}

std::vector<std::uint8_t> PeWriter::build() const
{
    std::vector<std::uint8_t> resources = build_resource_section(section_rva);
    bool pe64 = options_.pe64;
    std::size_t optional_size = (pe64 ? pe::optional_rva_count_pe64 : pe::optional_rva_count_pe32) + 4 +
        pe::max_data_directories * pe::data_directory_size;
    std::size_t optional = pe_header_offset + 4 + pe::coff_header_size;
    std::size_t section_table = optional + optional_size;
    std::uint32_t headers_size =
        static_cast<std::uint32_t>(align_up(section_table + pe::section_header_size, pe::file_alignment));
    std::uint32_t raw_size = static_cast<std::uint32_t>(align_up(resources.size(), pe::file_alignment));
    std::uint32_t image_size =
        static_cast<std::uint32_t>(section_rva + align_up(resources.size(), pe::section_alignment));

    std::vector<std::uint8_t> file(headers_size + std::size_t(raw_size), 0);

    // A DOS header that only points at the PE header; there is no DOS stub
    // program, which Windows does not need.
    pe::write16(file, 0, pe::dos_magic);
    pe::write16(file, 2, 0x90);  // bytes on the last page
    pe::write16(file, 4, 3);  // pages
    pe::write16(file, 8, 4);  // header paragraphs
    pe::write16(file, 12, 0xFFFF);  // maximum extra paragraphs
    pe::write16(file, 24, 0x40);  // relocation table offset
    pe::write32(file, pe::dos_lfanew_offset, pe_header_offset);

    pe::write32(file, pe_header_offset, pe::pe_signature);
    std::size_t coff = pe_header_offset + 4;
    pe::write16(file, coff + pe::coff_machine, options_.machine);
    pe::write16(file, coff + pe::coff_number_of_sections, 1);
    pe::write16(file, coff + pe::coff_size_of_optional_header, static_cast<std::uint16_t>(optional_size));
    std::uint16_t characteristics = pe::file_executable_image | pe::file_dll;
    characteristics |= pe64 ? pe::file_large_address_aware : pe::file_32bit_machine;
    pe::write16(file, coff + pe::coff_characteristics, characteristics);

    bool ce = options_.machine == pe::machine_arm || options_.machine == pe::machine_thumb ||
        options_.machine == pe::machine_armnt;
    pe::write16(file, optional + pe::optional_magic, pe64 ? pe::optional_magic_pe64 : pe::optional_magic_pe32);
    file[optional + 2] = 1;  // linker version 1.0
    pe::write32(file, optional + pe::optional_size_of_initialized_data, raw_size);
    pe::write32(file, optional + pe::optional_base_of_code, section_rva);
    if (pe64) {
        pe::write64(file, optional + pe::optional_image_base_pe64, 0x180000000ull);
    } else {
        pe::write32(file, optional + pe::optional_base_of_data_pe32, section_rva);
        pe::write32(file, optional + pe::optional_image_base_pe32, 0x10000000u);
    }
    pe::write32(file, optional + pe::optional_section_alignment, pe::section_alignment);
    pe::write32(file, optional + pe::optional_file_alignment, pe::file_alignment);
    pe::write16(file, optional + pe::optional_os_version, 6);
    pe::write16(file, optional + pe::optional_subsystem_version, 6);
    pe::write32(file, optional + pe::optional_size_of_image, image_size);
    pe::write32(file, optional + pe::optional_size_of_headers, headers_size);
    pe::write16(file, optional + pe::optional_subsystem, ce ? pe::subsystem_windows_ce_gui : pe::subsystem_windows_gui);
    pe::write16(file, optional + pe::optional_dll_characteristics, pe::dll_nx_compatible | pe::dll_no_seh);
    // Stack and heap reserve and commit: 1 MB and 4 KB, as linkers default.
    std::size_t field = optional + pe::optional_stack_reserve;
    for (std::uint32_t value : {0x100000u, 0x1000u, 0x100000u, 0x1000u}) {
        if (pe64) {
            pe::write64(file, field, value);
            field += 8;
        } else {
            pe::write32(file, field, value);
            field += 4;
        }
    }
    std::size_t count_field = optional + (pe64 ? pe::optional_rva_count_pe64 : pe::optional_rva_count_pe32);
    pe::write32(file, count_field, pe::max_data_directories);
    std::size_t resource_directory = count_field + 4 + pe::directory_entry_resource * pe::data_directory_size;
    pe::write32(file, resource_directory, section_rva);
    pe::write32(file, resource_directory + 4, static_cast<std::uint32_t>(resources.size()));

    const char name[pe::section_name_size] = {'.', 'r', 's', 'r', 'c'};
    std::copy(name, name + pe::section_name_size, file.begin() + section_table);
    pe::write32(file, section_table + pe::section_virtual_size, static_cast<std::uint32_t>(resources.size()));
    pe::write32(file, section_table + pe::section_virtual_address, section_rva);
    pe::write32(file, section_table + pe::section_size_of_raw_data, raw_size);
    pe::write32(file, section_table + pe::section_pointer_to_raw_data, headers_size);
    pe::write32(
        file, section_table + pe::section_characteristics, pe::section_initialized_data | pe::section_memory_read);

    std::copy(resources.begin(), resources.end(), file.begin() + headers_size);
    std::size_t checksum_offset = optional + pe::optional_checksum;
    pe::write32(file, checksum_offset, pe_checksum(file, checksum_offset));
    return file;
}

std::uint32_t pe_checksum(const std::vector<std::uint8_t>& file, std::size_t checksum_offset)
{
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < file.size(); at += 2) {
        if (at == checksum_offset || at == checksum_offset + 2) continue;
        std::uint32_t word = file[at];
        if (at + 1 < file.size()) word |= std::uint32_t(file[at + 1]) << 8;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + file.size());
}

}  // namespace platform::loader
