// Layout of the Portable Executable format, as far as resource-only DLLs need
// it: the offsets and values the reader checks and the writer produces.
//
// Everything is little-endian on disk, so fields are read and written byte by
// byte instead of through packed structs; that keeps the code independent of
// the host's alignment and byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform::loader::pe {

// DOS header.
inline constexpr std::uint16_t dos_magic = 0x5A4D;  // "MZ"
inline constexpr std::size_t dos_header_size = 64;
inline constexpr std::size_t dos_lfanew_offset = 0x3C;

// "PE\0\0" and the COFF file header that follows it.
inline constexpr std::uint32_t pe_signature = 0x00004550;
inline constexpr std::size_t coff_header_size = 20;
inline constexpr std::size_t coff_machine = 0;
inline constexpr std::size_t coff_number_of_sections = 2;
inline constexpr std::size_t coff_time_date_stamp = 4;
inline constexpr std::size_t coff_size_of_optional_header = 16;
inline constexpr std::size_t coff_characteristics = 18;

inline constexpr std::uint16_t machine_i386 = 0x014C;
inline constexpr std::uint16_t machine_arm = 0x01C0;
inline constexpr std::uint16_t machine_thumb = 0x01C2;
inline constexpr std::uint16_t machine_armnt = 0x01C4;
inline constexpr std::uint16_t machine_amd64 = 0x8664;
inline constexpr std::uint16_t machine_arm64 = 0xAA64;

inline constexpr std::uint16_t file_executable_image = 0x0002;
inline constexpr std::uint16_t file_large_address_aware = 0x0020;
inline constexpr std::uint16_t file_32bit_machine = 0x0100;
inline constexpr std::uint16_t file_dll = 0x2000;

// Optional header. Offsets are from its start; PE32+ drops BaseOfData and
// widens the image base and the four stack and heap sizes.
inline constexpr std::uint16_t optional_magic_pe32 = 0x10B;
inline constexpr std::uint16_t optional_magic_pe64 = 0x20B;
inline constexpr std::size_t optional_magic = 0;
inline constexpr std::size_t optional_size_of_initialized_data = 8;
inline constexpr std::size_t optional_base_of_code = 20;
inline constexpr std::size_t optional_base_of_data_pe32 = 24;
inline constexpr std::size_t optional_image_base_pe32 = 28;
inline constexpr std::size_t optional_image_base_pe64 = 24;
inline constexpr std::size_t optional_section_alignment = 32;
inline constexpr std::size_t optional_file_alignment = 36;
inline constexpr std::size_t optional_os_version = 40;
inline constexpr std::size_t optional_subsystem_version = 48;
inline constexpr std::size_t optional_size_of_image = 56;
inline constexpr std::size_t optional_size_of_headers = 60;
inline constexpr std::size_t optional_checksum = 64;
inline constexpr std::size_t optional_subsystem = 68;
inline constexpr std::size_t optional_dll_characteristics = 70;
inline constexpr std::size_t optional_stack_reserve = 72;
inline constexpr std::size_t optional_rva_count_pe32 = 92;
inline constexpr std::size_t optional_rva_count_pe64 = 108;
inline constexpr std::size_t data_directory_size = 8;
inline constexpr std::uint32_t max_data_directories = 16;
inline constexpr std::uint32_t directory_entry_resource = 2;

inline constexpr std::uint16_t subsystem_windows_gui = 2;
inline constexpr std::uint16_t subsystem_windows_ce_gui = 9;
inline constexpr std::uint16_t dll_nx_compatible = 0x0100;
inline constexpr std::uint16_t dll_no_seh = 0x0400;

// Section table.
inline constexpr std::size_t section_header_size = 40;
inline constexpr std::size_t section_name_size = 8;
inline constexpr std::size_t section_virtual_size = 8;
inline constexpr std::size_t section_virtual_address = 12;
inline constexpr std::size_t section_size_of_raw_data = 16;
inline constexpr std::size_t section_pointer_to_raw_data = 20;
inline constexpr std::size_t section_characteristics = 36;
inline constexpr std::uint32_t max_sections = 96;  // the Windows loader's own limit

inline constexpr std::uint32_t section_initialized_data = 0x00000040;
inline constexpr std::uint32_t section_memory_read = 0x40000000;

// Resource directory: a 16-byte table header, then 8-byte entries, named ones
// first. An entry's high bits tell names from numbers and subdirectories from
// data entries; offsets are relative to the start of the resource directory.
inline constexpr std::size_t resource_table_size = 16;
inline constexpr std::size_t resource_table_named_count = 12;
inline constexpr std::size_t resource_table_id_count = 14;
inline constexpr std::size_t resource_entry_size = 8;
inline constexpr std::size_t resource_data_entry_size = 16;
inline constexpr std::uint32_t resource_name_is_string = 0x80000000u;
inline constexpr std::uint32_t resource_data_is_directory = 0x80000000u;

inline constexpr std::uint32_t file_alignment = 0x200;
inline constexpr std::uint32_t section_alignment = 0x1000;

inline std::uint16_t read16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

inline std::uint32_t read32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
        (static_cast<std::uint32_t>(bytes[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

inline void write16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void write32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void write64(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace platform::loader::pe
