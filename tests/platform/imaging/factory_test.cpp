#include <cstring>
#include <filesystem>
#include <fstream>

#include "imaging_test_support.h"
#include "platform/files/device_root.h"
#include "tests/platform/files/link_swapper.h"
#include "tests/support/temp_folder.h"

using namespace imaging_test;

TEST(ImagingFactoryClass, IsOfferedUnderTheSystemIdentifiersAfterRegistration)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    platform::imaging::register_factory();
    platform::imaging::register_factory();  // a second start-up call changes nothing

    // The identifiers exactly as the phone's headers spell them.
    const GUID clsid = {0x327ABDA8, 0x072B, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    const GUID iid = {0x327ABDA7, 0x072B, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    Ref<IImagingFactory> factory;
    ASSERT_EQ(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(factory.out())), S_OK);
    ASSERT_TRUE(factory);
    Ref<IUnknown> unknown;
    EXPECT_EQ(factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.out())), S_OK);
    Ref<IImage> not_an_image;
    EXPECT_EQ(CoCreateInstance(
                  clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IImage, reinterpret_cast<void**>(not_an_image.out())),
        E_NOINTERFACE);
    EXPECT_FALSE(not_an_image);
    factory.reset();
    unknown.reset();
    CoUninitialize();
}

namespace {

class ImagingFactory : public ImagingTest { };

}  // namespace

TEST_F(ImagingFactory, UnsupportedOperationsSayNotImplementedAndClearTheirResults)
{
    IImage* image = reinterpret_cast<IImage*>(std::uintptr_t(1));
    EXPECT_EQ(factory->CreateImageFromStream(nullptr, &image), E_NOTIMPL);
    EXPECT_EQ(image, nullptr);
    IImageDecoder* decoder = reinterpret_cast<IImageDecoder*>(std::uintptr_t(1));
    EXPECT_EQ(factory->CreateImageDecoder(nullptr, DecoderInitFlagNone, &decoder), E_NOTIMPL);
    EXPECT_EQ(decoder, nullptr);
    UINT count = 5;
    ImageCodecInfo* codecs = nullptr;
    EXPECT_EQ(factory->GetInstalledDecoders(&count, &codecs), E_NOTIMPL);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(factory->InstallImageCodec(nullptr), E_NOTIMPL);
    EXPECT_EQ(factory->CreateBitmapFromBuffer(nullptr, nullptr), E_NOTIMPL);
}

TEST_F(ImagingFactory, BuffersHandedOverAreFreedWithTheImage)
{
    Bytes png = png_from_rgb(1, 1, {0x102030});
    void* owned = CoTaskMemAlloc(png.size());
    std::memcpy(owned, png.data(), png.size());
    Ref<IImage> image;
    ASSERT_EQ(
        factory->CreateImageFromBuffer(owned, UINT(png.size()), BufferDisposalFlagCoTaskMemFree, image.out()), S_OK);
    image.reset();  // a leak or a double free shows up under the sanitizers

    void* local = LocalAlloc(LMEM_FIXED, png.size());
    std::memcpy(local, png.data(), png.size());
    ASSERT_EQ(factory->CreateImageFromBuffer(local, UINT(png.size()), BufferDisposalFlagGlobalFree, image.out()), S_OK);
    image.reset();

    EXPECT_EQ(factory->CreateImageFromBuffer(png.data(), UINT(png.size()), BufferDisposalFlagUnmapView, image.out()),
        E_INVALIDARG);
}

TEST_F(ImagingFactory, ImagesLoadFromTheDeviceFileSystem)
{
    velmor_test::TempFolder folder("velmor-imaging");
    ASSERT_TRUE(folder.made());
    const std::filesystem::path& root = folder.path();
    std::filesystem::create_directories(root / "Windows");
    ASSERT_TRUE(platform::files::set_device_root(root));
    Bytes png = png_from_argb(2, 2, {0xFF000000, 0x80FFFFFF, 0x00000000, 0xFF112233});
    std::ofstream(root / "Windows" / "Picture.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));

    Ref<IImage> image;
    ASSERT_EQ(factory->CreateImageFromFile(u"\\windows\\PICTURE.PNG", image.out()), S_OK);
    EXPECT_EQ(info_of(image.get()).Width, 2u);
    EXPECT_EQ(
        factory->CreateImageFromFile(u"\\Windows\\missing.png", image.out()), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(image);
    EXPECT_TRUE(FAILED(factory->CreateImageFromFile(u"\\..\\..\\etc\\passwd", image.out())));
    EXPECT_EQ(factory->CreateImageFromFile(nullptr, image.out()), E_INVALIDARG);
}

TEST_F(ImagingFactory, ThumbnailsAreResampledBitmaps)
{
    Ref<IImage> image;
    ASSERT_EQ(load(png_from_argb(4, 2, std::vector<std::uint32_t>(8, 0x80FF0000)), image), S_OK);
    Ref<IImage> thumbnail;
    ASSERT_EQ(image->GetThumbnail(2, 1, thumbnail.out()), S_OK);
    ImageInfo info = info_of(thumbnail.get());
    EXPECT_EQ(info.Width, 2u);
    EXPECT_EQ(info.Height, 1u);
    EXPECT_EQ(info.PixelFormat, PixelFormat32bppARGB);
    EXPECT_EQ(image->GetThumbnail(0, 1, thumbnail.out()), E_INVALIDARG);
}

TEST_F(ImagingFactory, APictureLinkedOutOfTheRootIsNeverRead)
{
    velmor_test::TempFolder folder("velmor-imaging-link");
    ASSERT_TRUE(folder.made());
    const std::filesystem::path& base = folder.path();
    auto root = base / "root";
    std::filesystem::create_directories(root / "Windows");
    std::filesystem::create_directories(base / "outside");
    ASSERT_TRUE(platform::files::set_device_root(root));
    auto write = [](const std::filesystem::path& path, const Bytes& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    };
    Bytes inside = png_from_argb(2, 2, {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000});
    Bytes secret = png_from_argb(3, 1, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});
    write(base / "outside" / "secret.png", secret);

    // Planted: a link that leads out is refused as the walk meets it.
    std::filesystem::create_symlink(base / "outside" / "secret.png", root / "Windows" / "planted.png");
    Ref<IImage> image;
    EXPECT_EQ(
        factory->CreateImageFromFile(u"\\Windows\\planted.png", image.out()), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));

    // Swapped in between the walk and the open: never followed either.
    int loaded = 0;
    {
        LinkSwapper swapper(
            root / "Windows" / "flip.png", std::string(inside.begin(), inside.end()), base / "outside" / "secret.png");
        for (int attempt = 0; attempt < 3000 || swapper.swaps() < 100; ++attempt) {
            if (factory->CreateImageFromFile(u"\\Windows\\flip.png", image.out()) != S_OK) continue;
            ++loaded;
            ASSERT_EQ(info_of(image.get()).Width, 2u) << "attempt " << attempt << " read the picture outside";
            if (attempt > 100000) break;
        }
    }
    EXPECT_GT(loaded, 0);
}
