#include <cstdlib>
#include <random>

#include "imaging_test_support.h"
#include "platform/imaging/decoders.h"

using namespace imaging_test;

namespace {

class ImagingDecode : public ImagingTest {
protected:
    // The image's pixels as 0xAARRGGBB (opaque formats read as alpha 255),
    // through a bitmap image in the image's own format.
    std::vector<std::uint32_t> pixels_of(IImage* image, PixelFormatID* format = nullptr)
    {
        Ref<IBitmapImage> bitmap;
        EXPECT_EQ(
            factory->CreateBitmapFromImage(image, 0, 0, PixelFormatDontCare, InterpolationHintDefault, bitmap.out()),
            S_OK);
        if (!bitmap) return {};
        BitmapData data {};
        EXPECT_EQ(bitmap->LockBits(nullptr, ImageLockModeRead, PixelFormatDontCare, &data), S_OK);
        if (format) *format = data.PixelFormat;
        std::vector<std::uint32_t> out;
        int bytes = PIXFMT_BITSPERPIXEL(data.PixelFormat) / 8;
        for (UINT y = 0; y < data.Height; ++y) {
            auto row = static_cast<const std::uint8_t*>(data.Scan0) + std::ptrdiff_t(y) * data.Stride;
            for (UINT x = 0; x < data.Width; ++x) {
                const std::uint8_t* p = row + x * bytes;
                std::uint32_t alpha = bytes == 4 ? p[3] : 255;
                out.push_back((alpha << 24) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0]);
            }
        }
        EXPECT_EQ(bitmap->UnlockBits(&data), S_OK);
        return out;
    }
};

bool near(std::uint32_t got, std::uint32_t want, int tolerance)
{
    for (int shift : {0, 8, 16, 24})
        if (std::abs(int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF)) > tolerance) return false;
    return true;
}

}  // namespace

TEST_F(ImagingDecode, PngWithAlphaKeepsStraightColoursAndAlpha)
{
    // Translucent pixels must not come back premultiplied.
    std::vector<std::uint32_t> argb = {0x80FF0000, 0x00123456, 0xFF00FF00, 0x400000FF, 0xC0808080, 0x01FFFFFF};
    Ref<IImage> image;
    ASSERT_EQ(load(png_from_argb(3, 2, argb), image), S_OK);
    ImageInfo info = info_of(image.get());
    EXPECT_EQ(info.RawDataFormat, ImageFormatPNG);
    EXPECT_EQ(info.PixelFormat, PixelFormat32bppARGB);
    EXPECT_EQ(PIXFMT_BITSPERPIXEL(info.PixelFormat), 32);
    EXPECT_EQ(info.Width, 3u);
    EXPECT_EQ(info.Height, 2u);
    EXPECT_TRUE(info.Flags & ImageFlagsHasAlpha);
    EXPECT_TRUE(info.Flags & ImageFlagsHasTranslucent);
    EXPECT_EQ(pixels_of(image.get()), argb);
}

TEST_F(ImagingDecode, OpaquePngFormsAreTwentyFourBit)
{
    struct Case {
        const char* name;
        PngPicture picture;
        std::vector<std::uint32_t> expected;
    };
    PngPicture rgb8 {2, 2, PngColour::rgb, 8, {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 0x12, 0x34, 0x56}}, {}, {}, 0};
    PngPicture rgb16 {1, 2, PngColour::rgb, 16,
        {{0x80, 0x80, 0x00, 0x00, 0xFF, 0xFF}, {0x12, 0x00, 0x34, 0x00, 0x56, 0x00}}, {}, {}, 0};
    PngPicture paletted {4, 1, palette, 2, {{0b00011011}}, {255, 0, 0, 0, 255, 0, 0, 0, 255, 0x12, 0x34, 0x56}, {}, 0};
    PngPicture grey8 {2, 1, grey, 8, {{0x00, 0xC8}}, {}, {}, 0};
    std::vector<Case> cases = {
        {"rgb 8", rgb8, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456}},
        // 16-bit samples without gamma information are sRGB, not linear.
        {"rgb 16", rgb16, {0xFF8000FF, 0xFF123456}},
        {"palette", paletted, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456}},
        {"grey", grey8, {0xFF000000, 0xFFC8C8C8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<IImage> image;
        ASSERT_EQ(load(encode_png(c.picture), image), S_OK);
        ImageInfo info = info_of(image.get());
        EXPECT_EQ(info.PixelFormat, PixelFormat24bppRGB);
        EXPECT_FALSE(info.Flags & ImageFlagsHasAlpha);
        PixelFormatID format = 0;
        auto pixels = pixels_of(image.get(), &format);
        EXPECT_EQ(format, PixelFormat24bppRGB);
        ASSERT_EQ(pixels.size(), c.expected.size());
        for (std::size_t i = 0; i < pixels.size(); ++i)
            EXPECT_TRUE(near(pixels[i], c.expected[i], 1)) << i << ": " << std::hex << pixels[i];
    }
}

TEST_F(ImagingDecode, TransparencyChunksAndGreyAlphaGiveArgb)
{
    PngPicture paletted {3, 1, palette, 8, {{0, 1, 2}}, {255, 0, 0, 0, 255, 0, 0, 0, 255}, {0x00, 0x80}, 0};
    PngPicture keyed {2, 1, PngColour::rgb, 8, {{10, 20, 30, 40, 50, 60}}, {}, {0, 10, 0, 20, 0, 30}, 0};
    PngPicture grey_with_alpha {1, 1, grey_alpha, 8, {{0x40, 0x80}}, {}, {}, 0};
    struct Case {
        PngPicture picture;
        std::vector<std::uint32_t> expected;
    } cases[] = {
        {paletted, {0x00FF0000, 0x8000FF00, 0xFF0000FF}},
        {keyed, {0x000A141E, 0xFF28323C}},
        {grey_with_alpha, {0x80404040}},
    };
    for (const Case& c : cases) {
        Ref<IImage> image;
        ASSERT_EQ(load(encode_png(c.picture), image), S_OK);
        EXPECT_EQ(info_of(image.get()).PixelFormat, PixelFormat32bppARGB);
        auto pixels = pixels_of(image.get());
        ASSERT_EQ(pixels.size(), c.expected.size());
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            EXPECT_EQ(pixels[i] >> 24, c.expected[i] >> 24) << i;
            if (c.expected[i] >> 24) {
                EXPECT_TRUE(near(pixels[i], c.expected[i], 1)) << i << ": " << std::hex << pixels[i];
            }
        }
    }
}

TEST_F(ImagingDecode, JpegColoursComeBackNearTheOriginal)
{
    // 8 x 8 blocks of flat colour survive compression almost unchanged.
    const std::uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808040};
    for (JpegKind kind : {JpegKind::colour, JpegKind::progressive, JpegKind::cmyk_adobe, JpegKind::grey}) {
        SCOPED_TRACE(int(kind));
        for (std::uint32_t colour : colours) {
            std::vector<std::uint32_t> rgb(16 * 8, colour);
            Ref<IImage> image;
            ASSERT_EQ(load(encode_jpeg(16, 8, rgb, kind), image), S_OK);
            ImageInfo info = info_of(image.get());
            EXPECT_EQ(info.RawDataFormat, ImageFormatJPEG);
            EXPECT_EQ(info.PixelFormat, PixelFormat24bppRGB);
            EXPECT_EQ(info.Width, 16u);
            EXPECT_EQ(info.Height, 8u);
            std::uint32_t g = (colour >> 8) & 0xFF;
            std::uint32_t expected = 0xFF000000 | (kind == JpegKind::grey ? (g << 16) | (g << 8) | g : colour);
            for (std::uint32_t p : pixels_of(image.get()))
                ASSERT_TRUE(near(p, expected, 6)) << std::hex << p << " for " << expected;
        }
    }
}

TEST_F(ImagingDecode, ResolutionAndPhysicalSizeFollowTheFile)
{
    PngPicture picture {100, 1, grey, 8, {Bytes(100, 0)}, {}, {}, 7874};  // 200 dots per inch
    Ref<IImage> png;
    ASSERT_EQ(load(encode_png(picture), png), S_OK);
    ImageInfo info = info_of(png.get());
    EXPECT_NEAR(info.Xdpi, 200.0, 0.01);
    EXPECT_TRUE(info.Flags & ImageFlagsHasRealDPI);
    SIZE size {};
    EXPECT_EQ(png->GetPhysicalDimension(&size), S_OK);
    EXPECT_NEAR(size.cx, 1270, 1);  // half an inch in 0.01 mm

    Ref<IImage> jpeg;
    ASSERT_EQ(load(encode_jpeg(96, 8, std::vector<std::uint32_t>(96 * 8, 0), JpegKind::colour, 90, 96), jpeg), S_OK);
    EXPECT_EQ(info_of(jpeg.get()).Xdpi, 96.0);
    EXPECT_EQ(jpeg->GetPhysicalDimension(&size), S_OK);
    EXPECT_EQ(size.cx, 2540);
}

TEST_F(ImagingDecode, TruncatedPicturesFailWithAnErrorAtEveryLength)
{
    std::vector<std::uint32_t> colours(24 * 24);
    for (std::size_t i = 0; i < colours.size(); ++i) colours[i] = std::uint32_t(i * 0x010307) | 0x80000000;
    const Bytes files[] = {
        png_from_argb(24, 24, colours),
        png_from_rgb(24, 24, colours),
        encode_jpeg(24, 24, colours, JpegKind::colour),
        encode_jpeg(24, 24, colours, JpegKind::progressive),
    };
    for (const Bytes& file : files) {
        // Every cut of the file before its pixel data is complete must be
        // refused. (A PNG that lacks only its end chunk still holds the
        // whole picture.)
        std::size_t trailer = file[1] == 'P' ? 12 : 2;
        for (std::size_t length = 1; length + trailer < file.size(); ++length) {
            Ref<IImage> image;
            Bytes cut(file.begin(), file.begin() + std::ptrdiff_t(length));
            HRESULT result = load(cut, image);
            ASSERT_TRUE(FAILED(result)) << "accepted " << length << " of " << file.size() << " bytes";
            ASSERT_FALSE(image);
        }
        Ref<IImage> whole;
        EXPECT_EQ(load(file, whole), S_OK);
    }
}

TEST_F(ImagingDecode, DamagedAndForeignDataFailCleanly)
{
    Ref<IImage> image;
    std::vector<std::string> lines;
    int capture = platform::debug_output::add_capture([&](std::string_view line) { lines.emplace_back(line); });
    const Bytes garbage = {'G', 'I', 'F', '8', '9', 'a', 0, 0};
    EXPECT_EQ(load(garbage, image), IMGERR_CODECNOTFOUND);
    platform::debug_output::remove_capture(capture);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Imaging: cannot decode a picture in memory: not a PNG or JPEG picture");
    EXPECT_EQ(factory->CreateImageFromBuffer(garbage.data(), 0, BufferDisposalFlagNone, image.out()), E_INVALIDARG);
    EXPECT_EQ(factory->CreateImageFromBuffer(nullptr, 10, BufferDisposalFlagNone, image.out()), E_INVALIDARG);
    EXPECT_EQ(factory->CreateImageFromBuffer(garbage.data(), 8, BufferDisposalFlagNone, nullptr), E_INVALIDARG);

    Bytes png = png_from_rgb(4, 4, std::vector<std::uint32_t>(16, 0x336699));
    Bytes bad_crc = png;
    bad_crc[29] ^= 0xFF;  // the IHDR checksum
    capture = platform::debug_output::add_capture([&](std::string_view line) { lines.emplace_back(line); });
    EXPECT_EQ(load(bad_crc, image), E_FAIL);
    platform::debug_output::remove_capture(capture);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("Imaging: cannot decode a picture in memory: damaged PNG header: ", 0), 0u) << lines[1];
    Bytes bad_pixels = png;
    bad_pixels[bad_pixels.size() - 20] ^= 0x55;  // inside the compressed pixels
    EXPECT_TRUE(FAILED(load(bad_pixels, image)));

    Bytes jpeg = encode_jpeg(16, 16, std::vector<std::uint32_t>(256, 0x336699), JpegKind::colour);
    Bytes bad_precision = jpeg;
    for (std::size_t i = 2; i + 4 < bad_precision.size(); ++i)
        if (bad_precision[i] == 0xFF && bad_precision[i + 1] == 0xC0) bad_precision[i + 4] = 7;
    EXPECT_EQ(load(bad_precision, image), E_FAIL);

    // Random damage anywhere must never crash and never half-succeed.
    std::mt19937 random(7);
    for (const Bytes* file : {&png, &jpeg}) {
        for (int round = 0; round < 200; ++round) {
            Bytes damaged = *file;
            for (int flips = 0; flips < 4; ++flips)
                damaged[random() % damaged.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
            if (SUCCEEDED(load(damaged, image))) {
                // What survives must be a whole, drawable picture.
                ImageInfo info = info_of(image.get());
                EXPECT_GT(info.Width * info.Height, 0u);
                Surface surface(32, 4, 4);
                RECT all {0, 0, 4, 4};
                EXPECT_EQ(image->Draw(surface.dc, &all, nullptr), S_OK);
            } else {
                EXPECT_FALSE(image);
            }
        }
    }
}

TEST_F(ImagingDecode, OversizedPicturesAreRefusedBeforeAllocating)
{
    Ref<IImage> image;
    std::vector<std::string> lines;
    int capture = platform::debug_output::add_capture([&](std::string_view line) { lines.emplace_back(line); });
    // Only the header matters: the limits apply before any pixel is read.
    PngPicture wide {9000, 1, grey, 8, {Bytes(9000, 0)}, {}, {}, 0};
    EXPECT_EQ(load(encode_png(wide), image), E_OUTOFMEMORY);
    platform::debug_output::remove_capture(capture);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Imaging: cannot decode a picture in memory: PNG picture too large: 9000 x 1");
    PngPicture huge {5000, 5000, grey, 1, {}, {}, {}, 0};
    huge.rows.assign(5000, Bytes(625, 0));
    EXPECT_EQ(load(encode_png(huge), image), E_OUTOFMEMORY);
    // Exactly 64 MB once decoded to ARGB: allowed.
    PngPicture largest {4096, 4096, palette, 1, {}, {0, 0, 0, 255, 255, 255}, {0x80}, 0};
    largest.rows.assign(4096, Bytes(512, 0xF0));
    ASSERT_EQ(load(encode_png(largest), image), S_OK);
    EXPECT_EQ(info_of(image.get()).Width, 4096u);
    image.reset();

    Bytes jpeg = encode_jpeg(8, 8, std::vector<std::uint32_t>(64, 0), JpegKind::colour);
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = 0x27;  // height 10000
            jpeg[i + 6] = 0x10;
            break;
        }
    EXPECT_EQ(load(jpeg, image), E_OUTOFMEMORY);
}

TEST(ImagingDecoders, AskForRowsOfTheHeadersSizeAndPassARefusalOnUnderTheCodecsName)
{
    struct Asked {
        PixelFormatID format = PixelFormatUndefined;
        int width = 0, height = 0;
    } asked;
    platform::imaging::PixelAllocator refuse = [&asked](PixelFormatID format, int width, int height) {
        asked = {format, width, height};
        return platform::Result<std::unique_ptr<platform::imaging::Pixels>>(platform::Failure {"picture refused"});
    };
    auto png = platform::imaging::decode_picture(png_from_rgb(5, 3, std::vector<std::uint32_t>(15, 0x102030)), refuse);
    ASSERT_FALSE(png);
    EXPECT_EQ(png.failure().text(), "PNG picture refused");
    EXPECT_EQ(asked.format, PixelFormat24bppRGB);
    EXPECT_EQ(asked.width, 5);
    EXPECT_EQ(asked.height, 3);

    auto jpeg = platform::imaging::decode_picture(
        encode_jpeg(16, 8, std::vector<std::uint32_t>(128, 0x336699), JpegKind::colour), refuse);
    ASSERT_FALSE(jpeg);
    EXPECT_EQ(jpeg.failure().text(), "JPEG picture refused");
    EXPECT_EQ(asked.width, 16);
    EXPECT_EQ(asked.height, 8);

    // The limits a caller gets by default.
    auto too_wide = platform::imaging::allocate_within_limits(PixelFormat24bppRGB, 8193, 1);
    ASSERT_FALSE(too_wide);
    EXPECT_EQ(too_wide.failure().text(), "picture too large: 8193 x 1");
    auto largest = platform::imaging::allocate_within_limits(PixelFormat32bppARGB, 4096, 4096);
    ASSERT_TRUE(largest) << largest.failure().text();
    EXPECT_EQ((*largest)->width(), 4096);
}

TEST_F(ImagingDecode, ProgressiveJpegsWithEndlessScansAreRefused)
{
    std::vector<std::uint32_t> pixels(16 * 16, 0x336699);
    Bytes jpeg = encode_jpeg(16, 16, pixels, JpegKind::progressive);
    // The first scan: its SOS marker up to the next marker that is not a
    // stuffed byte or a restart.
    std::size_t start = 2;
    while (start + 1 < jpeg.size() && !(jpeg[start] == 0xFF && jpeg[start + 1] == 0xDA)) ++start;
    std::size_t end = start + 2;
    while (end + 1 < jpeg.size() && !(jpeg[end] == 0xFF && jpeg[end + 1] != 0 && (jpeg[end + 1] & 0xF8) != 0xD0)) ++end;
    ASSERT_LT(end, jpeg.size());
    Bytes scan(jpeg.begin() + std::ptrdiff_t(start), jpeg.begin() + std::ptrdiff_t(end));
    auto repeated = [&](int copies) {
        Bytes out(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(end));
        for (int i = 0; i < copies; ++i) out.insert(out.end(), scan.begin(), scan.end());
        out.insert(out.end(), jpeg.begin() + std::ptrdiff_t(end), jpeg.end());
        return out;
    };
    Ref<IImage> image;
    // A few repeated scans are odd but harmless; hundreds are an attack on
    // decoding time.
    EXPECT_EQ(load(repeated(20), image), S_OK);
    EXPECT_EQ(load(repeated(600), image), E_FAIL);
    EXPECT_FALSE(image);
}
