#include "platform/imaging/imaging_factory.h"

#include <algorithm>
#include <vector>

#include "platform/com/class_table.h"
#include "platform/files/rooted_file.h"
#include "platform/imaging/bitmap_image.h"
#include "platform/imaging/decoded_image.h"
#include "platform/imaging/picture_keeper.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/utf.h"

namespace platform::imaging {

void register_factory()
{
    com::register_class(
        CLSID_ImagingFactory, [](REFIID riid, void** out) { return com::create_instance<ImagingFactory>(riid, out); });
}

namespace {

template <class Interface> void clear(Interface** out)
{
    if (out) *out = nullptr;
}

HRESULT make_decoded_image(std::span<const std::uint8_t> data, const void* owned_buffer, BufferDisposalFlag disposal,
    IImage** image, const char* origin)
{
    // A refusal of the pixels is the one failure about memory rather than
    // the data, and the factory knows it as its own.
    bool pixels_refused = false;
    auto allocate = [&pixels_refused](PixelFormatID format, int width, int height) {
        auto pixels = allocate_within_limits(format, width, height);
        pixels_refused = !pixels.ok();
        return pixels;
    };
    // Large pictures a phone has shown before are read back decoded.
    Result<Picture> picture = PictureKeeper(PictureKeeper::folder_in_device_root()).decode(data, allocate);
    if (!picture) {
        debug_output::write(
            from_utf8("Imaging: cannot decode " + std::string(origin) + ": " + picture.failure().text() + "\n"));
        if (pixels_refused) return E_OUTOFMEMORY;
        return is_png(data) || is_jpeg(data) ? E_FAIL : IMGERR_CODECNOTFOUND;
    }
    return com::create_instance<DecodedImage>(
        IID_IImage, reinterpret_cast<void**>(image), std::move(picture).value(), owned_buffer, disposal);
}

// Encoded pictures larger than this are not read into memory.
constexpr std::uintmax_t max_file_size = std::uintmax_t(64) << 20;

}  // namespace

STDMETHODIMP ImagingFactory::CreateImageFromStream(IStream*, IImage** image)
{
    clear(image);
    return E_NOTIMPL;
}

STDMETHODIMP ImagingFactory::CreateImageFromFile(const WCHAR* filename, IImage** image)
{
    if (!image) return E_INVALIDARG;
    *image = nullptr;
    if (!filename) return E_INVALIDARG;
    DWORD error = 0;
    auto file = files::RootedFile::open(text_view(filename), &error);
    if (!file) return HRESULT_FROM_WIN32(error);
    if (file->size() > max_file_size) return E_OUTOFMEMORY;
    auto bytes = file->read_all(max_file_size);
    if (!bytes) return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
    std::string origin = to_utf8(text_view(filename));
    return make_decoded_image(*bytes, nullptr, BufferDisposalFlagNone, image, origin.c_str());
}

STDMETHODIMP ImagingFactory::CreateImageFromBuffer(
    const VOID* buf, UINT size, BufferDisposalFlag disposalFlag, IImage** image)
{
    if (!image) return E_INVALIDARG;
    *image = nullptr;
    if (!buf || size == 0 || !disposal_supported(disposalFlag)) return E_INVALIDARG;
    // The whole picture is decoded now; the buffer is only kept to be freed
    // with the image when the caller handed it over. When decoding fails
    // the buffer stays the caller's, so it is never freed twice.
    return make_decoded_image(
        std::span(static_cast<const std::uint8_t*>(buf), size), buf, disposalFlag, image, "a picture in memory");
}

STDMETHODIMP ImagingFactory::CreateNewBitmap(UINT width, UINT height, PixelFormatID pixelFormat, IBitmapImage** bitmap)
{
    if (!bitmap) return E_INVALIDARG;
    *bitmap = nullptr;
    if (!is_supported_format(pixelFormat)) return IMGERR_NOCONVERSION;
    if (width == 0 || height == 0) return E_INVALIDARG;
    if (width > UINT(max_image_side) || height > UINT(max_image_side)) return E_OUTOFMEMORY;
    auto pixels = Pixels::allocate_zeroed(pixelFormat, int(width), int(height));
    if (!pixels) return E_OUTOFMEMORY;
    ImageDescription description;
    description.flags = ImageFlagsColorSpaceRGB | (has_alpha(pixelFormat) ? ImageFlagsHasAlpha : 0);
    return BitmapImage::create(std::move(pixels), description, IID_IBitmapImage, reinterpret_cast<void**>(bitmap));
}

STDMETHODIMP ImagingFactory::CreateBitmapFromImage(
    IImage* image, UINT width, UINT height, PixelFormatID pixelFormat, InterpolationHint hints, IBitmapImage** bitmap)
{
    (void)hints;  // every resampling here takes the nearest pixel
    if (!bitmap) return E_INVALIDARG;
    *bitmap = nullptr;
    if (!image) return E_INVALIDARG;
    PixelSource* source = pixel_source_of(image);
    if (!source) return E_NOTIMPL;  // only the factory's own images are read
    const Pixels* pixels = source->pixels_for_reading();
    if (!pixels) return IMGERR_OBJECTBUSY;
    PixelFormatID format = pixelFormat == PixelFormatDontCare ? pixels->format() : pixelFormat;
    if (!is_supported_format(format)) return IMGERR_NOCONVERSION;
    int target_width = width ? int(std::min<UINT>(width, UINT(max_image_side) + 1)) : pixels->width();
    int target_height = height ? int(std::min<UINT>(height, UINT(max_image_side) + 1)) : pixels->height();
    std::unique_ptr<Pixels> copy = target_width == pixels->width() && target_height == pixels->height()
        ? pixels->converted(format)
        : pixels->scaled(target_width, target_height, format);
    if (!copy) return E_OUTOFMEMORY;
    return BitmapImage::create(std::move(copy), bitmap_description(source->description(), format), IID_IBitmapImage,
        reinterpret_cast<void**>(bitmap));
}

STDMETHODIMP ImagingFactory::CreateBitmapFromBuffer(BitmapData*, IBitmapImage** bitmap)
{
    clear(bitmap);
    return E_NOTIMPL;
}

STDMETHODIMP ImagingFactory::CreateImageDecoder(IStream*, DecoderInitFlag, IImageDecoder** decoder)
{
    clear(decoder);
    return E_NOTIMPL;
}

STDMETHODIMP ImagingFactory::CreateImageEncoderToStream(const CLSID*, IStream*, IImageEncoder** encoder)
{
    clear(encoder);
    return E_NOTIMPL;
}

STDMETHODIMP ImagingFactory::CreateImageEncoderToFile(const CLSID*, const WCHAR*, IImageEncoder** encoder)
{
    clear(encoder);
    return E_NOTIMPL;
}

STDMETHODIMP ImagingFactory::GetInstalledDecoders(UINT* count, ImageCodecInfo** decoders)
{
    if (count) *count = 0;
    clear(decoders);
    return E_NOTIMPL;
}

STDMETHODIMP ImagingFactory::GetInstalledEncoders(UINT* count, ImageCodecInfo** encoders)
{
    if (count) *count = 0;
    clear(encoders);
    return E_NOTIMPL;
}

STDMETHODIMP ImagingFactory::InstallImageCodec(const ImageCodecInfo*) { return E_NOTIMPL; }

STDMETHODIMP ImagingFactory::UninstallImageCodec(const WCHAR*, UINT) { return E_NOTIMPL; }

}  // namespace platform::imaging
