#include "picture_test_support.h"

#include <array>
#include <fstream>

#include <objbase.h>

#include "ovfc/graphics/ov_dc_helpers.h"
#include "ovfc/graphics/ov_font.h"
#include "ovfc/graphics/ov_image.h"
#include "platform/loader/pe_writer.h"

namespace ovfc_test {

namespace {

std::uint32_t crc32(const std::uint8_t* data, size_t size, std::uint32_t crc = 0)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t {};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data)
{
    put32(out, static_cast<std::uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, crc32(&out[start], out.size() - start));
}

}  // namespace

std::vector<std::uint8_t> encode_png(const Picture& picture, bool with_alpha)
{
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < picture.width; ++x) {
            std::uint32_t p = picture.pixels[size_t(y) * picture.width + x];
            raw.push_back(static_cast<std::uint8_t>(p >> 16));
            raw.push_back(static_cast<std::uint8_t>(p >> 8));
            raw.push_back(static_cast<std::uint8_t>(p));
            if (with_alpha) raw.push_back(static_cast<std::uint8_t>(p >> 24));
        }
    }
    std::vector<std::uint8_t> zlib = {0x78, 0x01};
    for (size_t pos = 0; pos < raw.size() || pos == 0;) {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool last = pos + n == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<std::uint8_t>(n));
        zlib.push_back(static_cast<std::uint8_t>(n >> 8));
        zlib.push_back(static_cast<std::uint8_t>(~n));
        zlib.push_back(static_cast<std::uint8_t>(~n >> 8));
        zlib.insert(zlib.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
        if (last) break;
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    put32(zlib, (b << 16) | a);

    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> header;
    put32(header, static_cast<std::uint32_t>(picture.width));
    put32(header, static_cast<std::uint32_t>(picture.height));
    header.insert(header.end(), {8, static_cast<std::uint8_t>(with_alpha ? 6 : 2), 0, 0, 0});
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", zlib);
    chunk(out, "IEND", {});
    return out;
}

bool write_picture_library(const std::filesystem::path& device_root, const std::filesystem::path& relative_path,
    const std::map<int, std::vector<std::uint8_t>>& pictures)
{
    using platform::loader::ResourceId;
    platform::loader::PeWriter writer;
    for (const auto& [id, data] : pictures)
        if (!writer.add(
                ResourceId::from_number(10), ResourceId::from_number(static_cast<std::uint16_t>(id)), 0x0409, data))
            return false;
    std::filesystem::path file = device_root / relative_path;
    std::filesystem::create_directories(file.parent_path());
    std::vector<std::uint8_t> bytes = writer.build();
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

void GraphicsTest::SetUp()
{
    PhoneTest::SetUp();
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
}

void GraphicsTest::TearDown()
{
    ReleaseImageCache();
    ReleaseImagingFactory();
    OvFreePlatformResModule();
    OvForgetPlatformResModule();
    DeleteImageCache();
    OvReleaseFonts();
    OvForgetThemeFontName();
    OvForgetPlatformName();
    CoUninitialize();
    PhoneTest::TearDown();
}

void GraphicsTest::install_built_libraries()
{
    std::filesystem::path from = built_device_root() / "Windows";
    ASSERT_TRUE(std::filesystem::exists(from / "ovres.dll")) << from;
    std::filesystem::create_directories(device_root() / "Windows");
    std::filesystem::copy(from, device_root() / "Windows",
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
}

std::filesystem::path built_device_root() { return VELMOR_BUILT_DEVICE_ROOT; }

}  // namespace ovfc_test
