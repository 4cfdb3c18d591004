#include <gtest/gtest.h>

#include <malloc.h>

#include <memory>

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's own allocator keeps this count (GCC ships no
// header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "platform/loader/pe_format.h"
#include "platform/loader/pe_reader.h"
#include "platform/loader/pe_writer.h"
#include "shared_name_dll.h"

namespace {

using namespace platform::loader;
using Bytes = std::vector<std::uint8_t>;

Bytes bytes_of(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes sample_dll(bool pe64 = false)
{
    PeWriter writer({pe64, 0});
    EXPECT_TRUE(writer.add(ResourceId::from_number(10), ResourceId::from_number(120), 0x0409, bytes_of("picture 120")));
    EXPECT_TRUE(
        writer.add(ResourceId::from_number(10), ResourceId::from_number(101), 0x0409, bytes_of("picture 101!")));
    EXPECT_TRUE(
        writer.add(ResourceId::from_name(u"Wave"), ResourceId::from_name(u"shaver_loop"), 0x0409, bytes_of("RIFF")));
    EXPECT_TRUE(writer.add(ResourceId::from_name(u"WAVE"), ResourceId::from_number(7), 0x0804, bytes_of("click")));
    EXPECT_TRUE(writer.add(ResourceId::from_name(u"WAVE"), ResourceId::from_number(7), 0x0409, Bytes()));
    return writer.build();
}

std::string text_of(std::span<const std::uint8_t> data) { return std::string(data.begin(), data.end()); }

// Parses a copy of exactly the given size, so the sanitizers see any read
// past its end.
std::string error_of(const Bytes& file, std::size_t size)
{
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size ? size : 1]);
    std::copy(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size), copy.get());
    auto read = PeReader::read(std::span<const std::uint8_t>(copy.get(), size));
    return read ? std::string() : read.failure().text();
}

std::string error_of(const Bytes& file) { return error_of(file, file.size()); }

// Offsets inside the files PeWriter makes, found through the headers.
struct Layout {
    explicit Layout(const Bytes& file)
    {
        std::uint32_t pe_header = pe::read32(file, pe::dos_lfanew_offset);
        optional = pe_header + 4 + pe::coff_header_size;
        bool pe64 = pe::read16(file, optional) == pe::optional_magic_pe64;
        resource_directory = optional + (pe64 ? pe::optional_rva_count_pe64 : pe::optional_rva_count_pe32) + 4 + 2 * 8;
        section = optional + pe::read16(file, pe_header + 4 + pe::coff_size_of_optional_header);
        rsrc = pe::read32(file, section + pe::section_pointer_to_raw_data);
    }
    std::size_t optional, resource_directory, section, rsrc;
    // The root table's first entry, which is the named type "WAVE".
    std::size_t root_entry() const { return rsrc + pe::resource_table_size; }
};

TEST(PeReader, ReadsBackWhatTheWriterPacked32And64)
{
    for (bool pe64 : {false, true}) {
        SCOPED_TRACE(pe64 ? "PE32+" : "PE32");
        Bytes file = sample_dll(pe64);
        auto read = PeReader::read(file);
        ASSERT_TRUE(read.ok()) << read.failure().text();
        const PeReader& reader = *read;
        EXPECT_EQ(reader.is_pe64(), pe64);
        EXPECT_EQ(reader.machine(), pe64 ? pe::machine_amd64 : pe::machine_arm);
        EXPECT_TRUE(reader.is_dll());
        ASSERT_EQ(reader.sections().size(), 1u);
        EXPECT_EQ(reader.sections()[0].name, ".rsrc");
        EXPECT_EQ(reader.sections()[0].virtual_address, 0x1000u);
        EXPECT_EQ(reader.sections()[0].raw_offset % 0x200, 0u);
        EXPECT_EQ(file.size() % 0x200, 0u);

        Layout layout(file);
        EXPECT_EQ(pe::read32(file, layout.optional + pe::optional_section_alignment), 0x1000u);
        EXPECT_EQ(pe::read32(file, layout.optional + pe::optional_file_alignment), 0x200u);
        EXPECT_EQ(pe::read32(file, layout.optional + pe::optional_checksum),
            pe_checksum(file, layout.optional + pe::optional_checksum));

        const PeResource* picture = reader.find(ResourceId::from_number(10), ResourceId::from_number(101));
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(text_of(reader.data(*picture)), "picture 101!");
        EXPECT_EQ(picture->language, 0x0409);
        EXPECT_EQ(picture->rva % 4, 0u);

        // Names are stored upper-cased and found in any case.
        const PeResource* loop = reader.find(ResourceId::from_name(u"wave"), ResourceId::from_name(u"Shaver_Loop"));
        ASSERT_NE(loop, nullptr);
        EXPECT_EQ(loop->type.name(), u"WAVE");
        EXPECT_EQ(loop->name.name(), u"SHAVER_LOOP");
        EXPECT_EQ(text_of(reader.data(*loop)), "RIFF");

        const PeResource* english = reader.find(ResourceId::from_name(u"WAVE"), ResourceId::from_number(7), 0x0409);
        const PeResource* chinese = reader.find(ResourceId::from_name(u"WAVE"), ResourceId::from_number(7), 0x0804);
        ASSERT_NE(english, nullptr);
        ASSERT_NE(chinese, nullptr);
        EXPECT_EQ(english->size, 0u);
        EXPECT_EQ(text_of(reader.data(*chinese)), "click");
        EXPECT_EQ(reader.find(ResourceId::from_number(10), ResourceId::from_number(102)), nullptr);
        EXPECT_EQ(reader.find(ResourceId::from_name(u"WAVE"), ResourceId::from_number(7), 0x0407), nullptr);
    }
}

TEST(PeReader, DirectoryIsInTheOrderTheWindowsLoaderSearches)
{
    Bytes file = sample_dll();
    auto read = PeReader::read(file);
    ASSERT_TRUE(read.ok()) << read.failure().text();
    const PeReader& reader = *read;
    std::vector<std::string> order;
    for (const auto& r : reader.resources())
        order.push_back(r.type.to_string() + "/" + r.name.to_string() + "/" + std::to_string(r.language));
    // Named entries first, numbers ascending, languages ascending.
    EXPECT_EQ(order,
        (std::vector<std::string> {
            "WAVE/SHAVER_LOOP/1033", "WAVE/7/1033", "WAVE/7/2052", "10/101/1033", "10/120/1033"}));
}

TEST(PeWriter, RefusesKeysThatCannotBeLookedUp)
{
    PeWriter writer;
    EXPECT_FALSE(writer.add(ResourceId::from_number(0), ResourceId::from_number(1), 0, {}));
    EXPECT_FALSE(writer.add(ResourceId::from_number(10), ResourceId::from_name(u""), 0, {}));
    EXPECT_TRUE(writer.add(ResourceId::from_name(u"wave"), ResourceId::from_number(1), 0, {}));
    auto twice = writer.add(ResourceId::from_name(u"WAVE"), ResourceId::from_number(1), 0, {});
    ASSERT_FALSE(twice.ok());
    EXPECT_NE(twice.failure().text().find("twice"), std::string::npos) << twice.failure().text();
    EXPECT_EQ(writer.size(), 1u);
}

TEST(PeReader, FileWithoutResourcesOrNotADllIsStillValid)
{
    Bytes file = sample_dll();
    Layout layout(file);
    pe::write32(file, layout.resource_directory, 0);
    pe::write32(file, layout.resource_directory + 4, 0);
    pe::write16(
        file, pe::read32(file, pe::dos_lfanew_offset) + 4 + pe::coff_characteristics, pe::file_executable_image);
    auto read = PeReader::read(file);
    ASSERT_TRUE(read.ok()) << read.failure().text();
    const PeReader& reader = *read;
    EXPECT_FALSE(reader.is_dll());
    EXPECT_FALSE(reader.has_resource_directory());
    EXPECT_TRUE(reader.resources().empty());

    Bytes nothing = PeWriter().build();
    auto empty = PeReader::read(nothing);
    ASSERT_TRUE(empty.ok()) << empty.failure().text();
    EXPECT_TRUE(empty->has_resource_directory());
    EXPECT_TRUE(empty->resources().empty());
}

TEST(PeReader, EveryTruncationFailsCleanly)
{
    for (bool pe64 : {false, true}) {
        Bytes file = sample_dll(pe64);
        for (std::size_t size = 0; size < file.size(); ++size)
            EXPECT_FALSE(error_of(file, size).empty()) << "truncated to " << size << " bytes";
        EXPECT_EQ(error_of(file), "");
    }
}

TEST(PeReader, HostileHeadersFailWithAReason)
{
    const Bytes good = sample_dll();
    const Layout layout(good);
    std::uint32_t pe_header = pe::read32(good, pe::dos_lfanew_offset);
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        int width;
        const char* message;
    } cases[] = {
        {"no MZ", 0, 0x4D5A, 16, "MZ"},
        {"PE header past the end", pe::dos_lfanew_offset, 0xFFFFFFF0u, 32, "past the end"},
        {"no PE signature", pe_header, 0x4551, 32, "no PE signature"},
        {"unknown magic", layout.optional, 0x107, 16, "magic"},
        {"optional header too long", pe_header + 4 + pe::coff_size_of_optional_header, 0xFFFF, 16, "optional header"},
        {"optional header too short", pe_header + 4 + pe::coff_size_of_optional_header, 40, 16, "too short"},
        {"too many sections", pe_header + 4 + pe::coff_number_of_sections, 0xFFFF, 16, "sections"},
        {"section table past the end", pe_header + 4 + pe::coff_number_of_sections, 40, 16, "section table"},
        {"section data overflows", layout.section + pe::section_size_of_raw_data, 0xFFFFFFFFu, 32, "past the end"},
        {"section data offset overflows", layout.section + pe::section_pointer_to_raw_data, 0xFFFFFE00u, 32,
            "past the end"},
        {"resource directory out of bounds", layout.resource_directory, 0x5000, 32, "resource directory"},
        {"resource directory size overflows", layout.resource_directory + 4, 0xFFFFFFFFu, 32, "resource directory"},
    };
    for (const auto& c : cases) {
        Bytes file = good;
        if (c.width == 16)
            pe::write16(file, c.offset, static_cast<std::uint16_t>(c.value));
        else
            pe::write32(file, c.offset, c.value);
        std::string error = error_of(file);
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}

TEST(PeReader, HostileResourceTreesFailWithAReason)
{
    const Bytes good = sample_dll();
    const Layout layout(good);
    const std::size_t root = layout.rsrc;
    const std::size_t wave_entry = layout.root_entry();
    const std::size_t wave_table = root + (pe::read32(good, wave_entry + 4) & 0x7FFFFFFF);
    // The WAVE table's first entry is SHAVER_LOOP; its language table's entry
    // leads to a data entry.
    const std::size_t loop_entry = wave_table + pe::resource_table_size;
    const std::size_t loop_table = root + (pe::read32(good, loop_entry + 4) & 0x7FFFFFFF);
    const std::size_t data_entry = root + pe::read32(good, loop_table + pe::resource_table_size + 4);

    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        int width;
        const char* message;
    } cases[] = {
        {"root points to itself", wave_entry + 4, 0x80000000u, 32, "reached twice"},
        {"name table points back to the type table", loop_entry + 4,
            0x80000000u | static_cast<std::uint32_t>(wave_table - root), 32, "reached twice"},
        {"table out of bounds", wave_entry + 4, 0x80FFFFF0u, 32, "outside the resource directory"},
        {"huge id count", root + pe::resource_table_id_count, 0xFFFF, 16, "claims"},
        {"huge named count", wave_table + pe::resource_table_named_count, 0xFFFF, 16, "claims"},
        {"name string out of bounds", wave_entry, 0xFFFFFFFFu, 32, "name"},
        {"name string too long", root + (pe::read32(good, wave_entry) & 0x7FFFFFFF), 0xFFFF, 16, "name"},
        {"type points to data", wave_entry + 4, 0x10, 32, "instead of a directory"},
        {"language points to a table", loop_table + pe::resource_table_size + 4, 0x80000000u, 32, "three levels"},
        {"data entry out of bounds", loop_table + pe::resource_table_size + 4, 0x7FFFFFF0u, 32, "data entry"},
        {"data past its section", data_entry, 0x1FF0, 32, "does not lie"},
        {"data size overflows", data_entry + 4, 0xFFFFFFFFu, 32, "does not lie"},
        {"data rva overflows", data_entry, 0xFFFFFFF0u, 32, "does not lie"},
        {"number beyond 16 bits", wave_table + pe::resource_table_size + pe::resource_entry_size, 0x00010007u, 32,
            "16 bits"},
    };
    for (const auto& c : cases) {
        Bytes file = good;
        if (c.width == 16)
            pe::write16(file, c.offset, static_cast<std::uint16_t>(c.value));
        else
            pe::write32(file, c.offset, c.value);
        std::string error = error_of(file);
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}

TEST(ResourceId, ParsesKeysAsWindowsAndPeopleWriteThem)
{
    EXPECT_EQ(ResourceId::from_win32(MAKEINTRESOURCE(101))->number(), 101);
    EXPECT_EQ(ResourceId::from_win32(u"#123")->number(), 123);
    EXPECT_TRUE(ResourceId::from_win32(u"#12a")->is_name());
    EXPECT_TRUE(ResourceId::from_win32(u"#99999")->is_name());
    EXPECT_FALSE(ResourceId::from_win32(nullptr).has_value());
    EXPECT_TRUE(ResourceId::from_name(u"straße").matches(ResourceId::from_name(u"STRAßE")));
    EXPECT_TRUE(ResourceId::from_name(u"привет").matches(ResourceId::from_name(u"ПРИВЕТ")));
    EXPECT_FALSE(ResourceId::from_name(u"101").matches(ResourceId::from_number(101)));

    EXPECT_EQ(ResourceId::parse(u"0x65")->number(), 101);
    EXPECT_EQ(ResourceId::parse(u"#7")->number(), 7);
    EXPECT_FALSE(ResourceId::parse(u"0").has_value());
    EXPECT_FALSE(ResourceId::parse(u"65536").has_value());
    EXPECT_FALSE(ResourceId::parse(u"12abc").has_value());
    EXPECT_EQ(ResourceId::parse(u"WAVE")->name(), u"WAVE");
    EXPECT_EQ(standard_type_number(u"rt_rcdata"), 10);
    EXPECT_EQ(standard_type_number(u"Bitmap"), 2);
    EXPECT_FALSE(standard_type_number(u"WAVE").has_value());
}

}  // namespace

namespace {

// Bytes the process has allocated and not freed, from the allocator in use.
std::size_t bytes_in_use()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

}  // namespace

TEST(PeReader, EntriesSharingALongNameCostTheNameOnce)
{
    // 3,900 entries point at one 65,535-character name: 250 KB on disk,
    // half a gigabyte if each entry kept a copy of the name.
    const std::size_t count = 3900;
    Bytes file = shared_name_dll(0xFFFF, count);
    ASSERT_LT(file.size(), 260u * 1024);

    std::size_t before = bytes_in_use();
    auto reader = PeReader::read(file);
    std::size_t used = bytes_in_use() - before;
    ASSERT_TRUE(reader.ok()) << reader.failure().text();
    EXPECT_LT(used, 8 * file.size()) << "the reader holds " << used << " bytes for a file of " << file.size();

    ASSERT_EQ(reader->resources().size(), count);
    const auto& first = reader->resources().front();
    EXPECT_EQ(first.name.name().size(), 0xFFFFu);
    EXPECT_EQ(first.name.name().substr(0, 3), u"ABC");
    EXPECT_EQ(text_of(reader->data(reader->resources().back())), "STAR");
    // A lookup by a caller's own copy of the name finds the first entry.
    ResourceId asked = ResourceId::from_name(first.name.name());
    EXPECT_EQ(reader->find(ResourceId::from_number(10), asked), &first);
    std::u16string other = first.name.name();
    other.back() = u'?';
    EXPECT_EQ(reader->find(ResourceId::from_number(10), ResourceId::from_name(other)), nullptr);
}

TEST(PeReader, NamesLaidOverEachOtherAreRefused)
{
    // Entries name different offsets inside one run of the word 30,000, so
    // every offset reads as a name of 30,000 characters: a quarter of a
    // megabyte that would decode to gigabytes.
    Bytes file = shared_name_dll(0xFFFF, 3900);
    Layout layout(file);
    std::size_t type_table = layout.rsrc + (pe::read32(file, layout.root_entry() + 4) & 0x7FFFFFFF);
    std::uint32_t name = pe::read32(file, type_table + pe::resource_table_size) & 0x7FFFFFFF;
    for (std::size_t i = 0; i < 0xFFFF; ++i) pe::write16(file, layout.rsrc + name + 2 * i, 30000);
    for (std::uint32_t i = 0; i < 3900; ++i)
        pe::write32(file, type_table + pe::resource_table_size + i * pe::resource_entry_size,
            pe::resource_name_is_string | (name + 2 * (i % 64)));
    std::string error = error_of(file);
    EXPECT_NE(error.find("overlap"), std::string::npos) << error;
}
