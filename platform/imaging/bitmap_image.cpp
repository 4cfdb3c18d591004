#include "platform/imaging/bitmap_image.h"

#include <cstring>

#include "platform/imaging/decoded_image.h"

namespace platform::imaging {

BitmapImage::BitmapImage(std::unique_ptr<Pixels> pixels, ImageDescription description)
    : pixels_(std::move(pixels))
    , description_(description)
{
}

HRESULT BitmapImage::create(std::unique_ptr<Pixels> pixels, ImageDescription description, REFIID riid, void** out)
{
    return com::create_instance<BitmapImage>(riid, out, std::move(pixels), description);
}

ImageDescription bitmap_description(const ImageDescription& source, PixelFormatID format)
{
    ImageDescription result = source;
    result.raw_format = ImageFormatMemoryBMP;
    result.flags &= ~UINT(ImageFlagsReadOnly | ImageFlagsCaching | ImageFlagsHasAlpha | ImageFlagsHasTranslucent);
    if (has_alpha(format)) result.flags |= ImageFlagsHasAlpha | (source.flags & ImageFlagsHasTranslucent);
    return result;
}

STDMETHODIMP BitmapImage::GetSize(SIZE* size)
{
    if (!size) return E_INVALIDARG;
    *size = SIZE {pixels_->width(), pixels_->height()};
    return S_OK;
}

STDMETHODIMP BitmapImage::GetPixelFormatID(PixelFormatID* pixelFormat)
{
    if (!pixelFormat) return E_INVALIDARG;
    *pixelFormat = pixels_->format();
    return S_OK;
}

STDMETHODIMP BitmapImage::LockBits(const RECT* rect, UINT flags, PixelFormatID pixelFormat, BitmapData* data)
{
    constexpr UINT known_flags = ImageLockModeRead | ImageLockModeWrite | ImageLockModeUserInputBuf;
    if (!data || (flags & ~known_flags) || !(flags & (ImageLockModeRead | ImageLockModeWrite))) return E_INVALIDARG;
    if (lock_) return IMGERR_OBJECTBUSY;
    RECT area = rect ? *rect : RECT {0, 0, pixels_->width(), pixels_->height()};
    if (area.left < 0 || area.top < 0 || area.left >= area.right || area.top >= area.bottom ||
        area.right > pixels_->width() || area.bottom > pixels_->height())
        return E_INVALIDARG;
    PixelFormatID format = pixelFormat == PixelFormatDontCare ? pixels_->format() : pixelFormat;
    if (!is_supported_format(format)) return IMGERR_NOCONVERSION;

    int width = int(area.right - area.left), height = int(area.bottom - area.top);
    Lock lock {area, flags, format, nullptr, 0, nullptr, false, next_token_++};
    std::int64_t own_offset = std::int64_t(area.left) * bytes_per_pixel(pixels_->format());
    if (flags & ImageLockModeUserInputBuf) {
        std::int64_t row_bytes = std::int64_t(width) * bytes_per_pixel(format);
        if (!data->Scan0 || (std::int64_t(data->Stride) < row_bytes && -std::int64_t(data->Stride) < row_bytes))
            return E_INVALIDARG;
        lock.first_row = static_cast<std::uint8_t*>(data->Scan0);
        lock.stride = data->Stride;
    } else if (format == pixels_->format()) {
        lock.first_row = pixels_->row(int(area.top)) + own_offset;
        lock.stride = pixels_->stride();
        lock.direct = true;
    } else {
        lock.copy = (flags & ImageLockModeRead) ? Pixels::allocate(format, width, height)
                                                : Pixels::allocate_zeroed(format, width, height);
        if (!lock.copy) return E_OUTOFMEMORY;
        lock.first_row = lock.copy->row(0);
        lock.stride = lock.copy->stride();
    }
    if (!lock.direct && (flags & ImageLockModeRead)) {
        for (int y = 0; y < height; ++y)
            convert_row(pixels_->format(), pixels_->row(int(area.top) + y) + own_offset, format,
                lock.first_row + lock.stride * y, width);
    }
    data->Width = UINT(width);
    data->Height = UINT(height);
    data->Stride = LONG(lock.stride);
    data->PixelFormat = format;
    data->Scan0 = lock.first_row;
    data->Reserved = lock.token;
    lock_ = std::move(lock);
    return S_OK;
}

STDMETHODIMP BitmapImage::UnlockBits(const BitmapData* data)
{
    if (!data) return E_INVALIDARG;
    if (!lock_ || data->Reserved != lock_->token) return IMGERR_BADUNLOCK;
    const Lock& lock = *lock_;
    if (!lock.direct && (lock.flags & ImageLockModeWrite)) {
        int width = int(lock.area.right - lock.area.left), height = int(lock.area.bottom - lock.area.top);
        std::int64_t own_offset = std::int64_t(lock.area.left) * bytes_per_pixel(pixels_->format());
        for (int y = 0; y < height; ++y)
            convert_row(lock.format, lock.first_row + lock.stride * y, pixels_->format(),
                pixels_->row(int(lock.area.top) + y) + own_offset, width);
    }
    lock_.reset();
    return S_OK;
}

STDMETHODIMP BitmapImage::GetPalette(ColorPalette** palette)
{
    if (!palette) return E_INVALIDARG;
    *palette = nullptr;
    return IMGERR_NOPALETTE;  // no indexed formats are kept
}

STDMETHODIMP BitmapImage::SetPalette(const ColorPalette*) { return E_NOTIMPL; }

STDMETHODIMP BitmapImage::GetPhysicalDimension(SIZE* size)
{
    if (!size) return E_INVALIDARG;
    *size = physical_size(*pixels_, description_);
    return S_OK;
}

STDMETHODIMP BitmapImage::GetImageInfo(ImageInfo* info) { return describe_image(*pixels_, description_, info); }

STDMETHODIMP BitmapImage::SetImageFlags(UINT) { return E_NOTIMPL; }

STDMETHODIMP BitmapImage::Draw(HDC hdc, const RECT* dstRect, const RECT* srcRect)
{
    if (lock_) return IMGERR_OBJECTBUSY;
    return draw_image(hdc, *pixels_, description_, dstRect, srcRect);
}

STDMETHODIMP BitmapImage::PushIntoSink(IImageSink*) { return E_NOTIMPL; }

STDMETHODIMP BitmapImage::GetThumbnail(UINT thumbWidth, UINT thumbHeight, IImage** thumbImage)
{
    if (lock_) {
        if (thumbImage) *thumbImage = nullptr;
        return IMGERR_OBJECTBUSY;
    }
    return make_thumbnail(*pixels_, description_, thumbWidth, thumbHeight, thumbImage);
}

}  // namespace platform::imaging
