// Decoded pictures kept between starts: read back identical, found only by
// their own encoded bytes, and never trusted when the file is not right.
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "imaging_test_support.h"
#include "platform/files/device_root.h"
#include "platform/gdi/blend_kernels.h"
#include "platform/imaging/picture_keeper.h"
#include "platform/imaging/sha256.h"
#include "tests/support/temp_folder.h"

using namespace imaging_test;
using namespace platform::imaging;
namespace fs = std::filesystem;

namespace {

std::string hex(const Sha256::Digest& digest)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : digest) text += {digits[byte >> 4], digits[byte & 15]};
    return text;
}

std::span<const std::uint8_t> bytes_of(const std::string& text)
{
    return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// Noise does not compress, so these are well above the smallest kept size.
Bytes noisy_png(std::uint32_t seed, bool alpha, std::uint32_t width = 120, std::uint32_t height = 90)
{
    std::mt19937 random(seed);
    std::vector<std::uint32_t> pixels(width * height);
    for (auto& p : pixels) p = random() & (alpha ? 0xFFFFFFFFu : 0xFFFFFFu);
    return alpha ? png_from_argb(width, height, pixels) : png_from_rgb(width, height, pixels);
}

Bytes noisy_jpeg(std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint32_t> pixels(160 * 120);
    for (auto& p : pixels) p = random() & 0xFFFFFF;
    return encode_jpeg(160, 120, pixels, JpegKind::colour, 95, 300);
}

Picture decoded_without_keeping(const Bytes& data)
{
    auto picture = decode_picture(data);
    EXPECT_TRUE(picture.ok());
    return std::move(picture).value();
}

// Everything a picture tells its image: pixels (whole rows), format, size,
// resolution, flags and the codec.
void expect_same(const Picture& a, const Picture& b)
{
    ASSERT_TRUE(a.pixels && b.pixels);
    EXPECT_EQ(a.raw_format, b.raw_format);
    EXPECT_EQ(a.flags, b.flags);
    EXPECT_EQ(a.x_dpi, b.x_dpi);
    EXPECT_EQ(a.y_dpi, b.y_dpi);
    ASSERT_EQ(a.pixels->format(), b.pixels->format());
    ASSERT_EQ(a.pixels->width(), b.pixels->width());
    ASSERT_EQ(a.pixels->height(), b.pixels->height());
    ASSERT_EQ(a.pixels->stride(), b.pixels->stride());
    for (int y = 0; y < a.pixels->height(); ++y)
        ASSERT_EQ(std::memcmp(a.pixels->row(y), b.pixels->row(y), std::size_t(a.pixels->stride())), 0) << "row " << y;
}

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const fs::path& path, const std::string& contents)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
}

class PictureKeeping : public ImagingTest {
protected:
    velmor_test::TempFolder temp {"velmor-pictures"};
    fs::path folder = temp / "kept";
};

}  // namespace

TEST(Sha256, GivesTheStandardDigestsWhateverPiecesTheBytesComeInWithAndWithoutTheCpusExtensions)
{
    using platform::gdi::CpuLevel;
    for (CpuLevel level : {CpuLevel::scalar, platform::gdi::supported_cpu_level()}) {
        platform::gdi::force_cpu_level(level);
        SCOPED_TRACE(platform::gdi::cpu_level_name(level));
        EXPECT_EQ(hex(Sha256::of({})), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
        EXPECT_EQ(hex(Sha256::of(bytes_of("abc"))), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        EXPECT_EQ(hex(Sha256::of(bytes_of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"))),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
        // A million "a", in pieces that straddle the blocks every way.
        std::string a(1000000, 'a');
        Sha256 pieces;
        std::size_t at = 0;
        for (std::size_t size = 1; at < a.size(); size = size % 131 + 1) {
            std::size_t take = std::min(size, a.size() - at);
            pieces.add(bytes_of(a).subspan(at, take));
            at += take;
        }
        EXPECT_EQ(hex(pieces.finish()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    }
    platform::gdi::force_cpu_level(platform::gdi::supported_cpu_level());
}

TEST_F(PictureKeeping, ALargePictureIsKeptAndReadBackAsItDecodes)
{
    PngPicture with_resolution;
    with_resolution.width = 100;
    with_resolution.height = 60;
    with_resolution.colour = PngColour::rgba;
    with_resolution.pixels_per_metre = 5906;
    std::mt19937 random(3);
    for (std::uint32_t y = 0; y < 60; ++y) {
        Bytes row(400);
        for (auto& b : row) b = std::uint8_t(random());
        with_resolution.rows.push_back(row);
    }
    for (const Bytes& data : {noisy_png(1, false), noisy_png(2, true), noisy_png(3, true, 33, 200), noisy_jpeg(4),
             encode_png(with_resolution)}) {
        ASSERT_GE(data.size(), PictureKeeper::smallest_kept);
        Picture plain = decoded_without_keeping(data);
        PictureKeeper keeper(folder);
        auto first = keeper.decode(data);
        ASSERT_TRUE(first.ok());
        expect_same(*first, plain);
        ASSERT_TRUE(fs::exists(keeper.file_for(data)));
        auto restored = keeper.restore(data);
        ASSERT_TRUE(restored);
        expect_same(*restored, plain);
        auto second = PictureKeeper(folder).decode(data);
        ASSERT_TRUE(second.ok());
        expect_same(*second, plain);
    }
}

TEST_F(PictureKeeping, DamagedShortOrForeignFilesAreDecodedAnewAndReplaced)
{
    Bytes data = noisy_png(5, true), other = noisy_png(6, true);
    Picture plain = decoded_without_keeping(data);
    PictureKeeper keeper(folder);
    ASSERT_TRUE(keeper.decode(other).ok());
    ASSERT_TRUE(keeper.decode(data).ok());
    fs::path file = keeper.file_for(data);
    const std::string good = read_file(file), foreign = read_file(keeper.file_for(other));
    ASSERT_GT(good.size(), 200u);
    auto flipped = [&](std::size_t at) {
        std::string damaged = good;
        damaged[at] = char(damaged[at] ^ 0x10);
        return damaged;
    };
    struct Damage {
        const char* what;
        std::string contents;
    };
    for (const Damage& damage :
        {Damage {"a pixel", flipped(good.size() / 2)}, Damage {"the last byte", flipped(good.size() - 1)},
            Damage {"the width", flipped(48)}, Damage {"the flags", flipped(56)}, Damage {"the magic", flipped(0)},
            Damage {"truncated", good.substr(0, good.size() - 1)}, Damage {"header only", good.substr(0, 88)},
            Damage {"empty", ""}, Damage {"one byte more", good + "x"}, Damage {"another picture's file", foreign}}) {
        SCOPED_TRACE(damage.what);
        write_file(file, damage.contents);
        EXPECT_FALSE(keeper.restore(data));
        auto decoded = keeper.decode(data);
        ASSERT_TRUE(decoded.ok());
        expect_same(*decoded, plain);
        EXPECT_EQ(read_file(file), good);
    }
}

TEST_F(PictureKeeping, APictureOnlyEverGetsItsOwnPixels)
{
    // Two pictures a single pixel apart.
    std::vector<std::uint32_t> pixels(120 * 90);
    std::mt19937 random(7);
    for (auto& p : pixels) p = random() & 0xFFFFFF;
    Bytes first = png_from_rgb(120, 90, pixels);
    pixels[4321] ^= 1;
    Bytes second = png_from_rgb(120, 90, pixels);
    PictureKeeper keeper(folder);
    EXPECT_NE(keeper.file_for(first), keeper.file_for(second));
    ASSERT_TRUE(keeper.decode(first).ok());
    auto kept = keeper.decode(second);
    ASSERT_TRUE(kept.ok());
    expect_same(*kept, decoded_without_keeping(second));
    auto again = keeper.decode(first);
    ASSERT_TRUE(again.ok());
    expect_same(*again, decoded_without_keeping(first));
}

TEST_F(PictureKeeping, SmallPicturesNoFolderAndAnUnwritableFolderJustDecode)
{
    Bytes small = png_from_rgb(4, 4, std::vector<std::uint32_t>(16, 0x123456));
    Bytes large = noisy_png(8, false);
    PictureKeeper keeper(folder);
    ASSERT_TRUE(keeper.decode(small).ok());
    EXPECT_TRUE(keeper.file_for(small).empty());
    EXPECT_FALSE(fs::exists(folder));

    PictureKeeper without_folder {fs::path()};
    EXPECT_TRUE(without_folder.file_for(large).empty());
    auto plain = without_folder.decode(large);
    ASSERT_TRUE(plain.ok());
    expect_same(*plain, decoded_without_keeping(large));

    // A file where the folder should be: nothing can be written there.
    write_file(folder, "in the way");
    auto decoded = keeper.decode(large);
    ASSERT_TRUE(decoded.ok());
    expect_same(*decoded, *plain);
    EXPECT_FALSE(keeper.keep(large, *decoded));
    EXPECT_FALSE(keeper.restore(large));
}

TEST_F(PictureKeeping, TheFolderStaysWithinItsLimitDroppingTheOldestFirst)
{
    Bytes pictures[3] = {noisy_png(10, false), noisy_png(11, false), noisy_png(12, false)};
    PictureKeeper measuring(temp / "measure");
    ASSERT_TRUE(measuring.decode(pictures[0]).ok());
    std::uintmax_t one_file = fs::file_size(measuring.file_for(pictures[0]));

    PictureKeeper keeper(folder, one_file * 5 / 2);
    auto now = fs::file_time_type::clock::now();
    ASSERT_TRUE(keeper.decode(pictures[0]).ok());
    fs::last_write_time(keeper.file_for(pictures[0]), now - std::chrono::hours(2));
    ASSERT_TRUE(keeper.decode(pictures[1]).ok());
    fs::last_write_time(keeper.file_for(pictures[1]), now - std::chrono::hours(1));
    // A writer's temporary file left behind long ago counts and goes too;
    // a fresh one may still be written.
    write_file(folder / "left.pixels.tmp.abcdef", std::string(one_file, 'x'));
    fs::last_write_time(folder / "left.pixels.tmp.abcdef", now - std::chrono::hours(3));
    write_file(folder / "busy.pixels.tmp.ghijkl", "x");

    ASSERT_TRUE(keeper.decode(pictures[2]).ok());
    EXPECT_FALSE(fs::exists(folder / "left.pixels.tmp.abcdef"));
    EXPECT_FALSE(fs::exists(keeper.file_for(pictures[0])));
    EXPECT_TRUE(fs::exists(keeper.file_for(pictures[1])));
    EXPECT_TRUE(fs::exists(keeper.file_for(pictures[2])));
    EXPECT_TRUE(fs::exists(folder / "busy.pixels.tmp.ghijkl"));
}

TEST_F(PictureKeeping, TheFactoryKeepsPicturesInTheDeviceRootsRuntimeFolder)
{
    ASSERT_TRUE(platform::files::set_device_root(temp / "root"));
    fs::path kept_in = PictureKeeper::folder_in_device_root();
    EXPECT_EQ(kept_in.parent_path().parent_path(), temp / "root");
    Bytes data = noisy_png(13, true);
    Ref<IImage> image;
    ASSERT_EQ(load(data, image), S_OK);
    EXPECT_TRUE(fs::exists(PictureKeeper(kept_in).file_for(data)));

    // Read back through the factory, it draws as it did when decoded.
    Ref<IImage> again;
    ASSERT_EQ(load(data, again), S_OK);
    Surface first(16, 120, 90), second(16, 120, 90);
    RECT whole {0, 0, 120, 90};
    ASSERT_EQ(image->Draw(first.dc, &whole, nullptr), S_OK);
    ASSERT_EQ(again->Draw(second.dc, &whole, nullptr), S_OK);
    EXPECT_EQ(first.picture(0), second.picture(0));
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) ASSERT_EQ(first.raw(x, y), second.raw(x, y));

    // A folder that cannot be made leaves the factory decoding as before.
    fs::remove_all(kept_in);
    write_file(kept_in, "in the way");
    Ref<IImage> unkept;
    EXPECT_EQ(load(noisy_png(14, false), unkept), S_OK);
}
