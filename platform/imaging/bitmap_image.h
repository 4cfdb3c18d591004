// Bitmap images: pixels in memory that a caller may lock, read and write
// (LockBits/UnlockBits) and also draw like any image. One lock at a time;
// while a lock is held the image cannot be drawn or copied, since the
// caller may be halfway through changing it.
#pragma once

#include <optional>

#include "platform/imaging/image_source.h"
#include "platform/imaging/interface_ids.h"

namespace platform::imaging {

class BitmapImage final : public com::Object<IBitmapImage, IImage>, public PixelSource {
public:
    BitmapImage(std::unique_ptr<Pixels> pixels, ImageDescription description);

    // Makes the bitmap and hands out its interface riid.
    static HRESULT create(std::unique_ptr<Pixels> pixels, ImageDescription description, REFIID riid, void** out);

    STDMETHODIMP GetSize(SIZE* size) override;
    STDMETHODIMP GetPixelFormatID(PixelFormatID* pixelFormat) override;
    STDMETHODIMP LockBits(const RECT* rect, UINT flags, PixelFormatID pixelFormat, BitmapData* data) override;
    STDMETHODIMP UnlockBits(const BitmapData* data) override;
    STDMETHODIMP GetPalette(ColorPalette** palette) override;
    STDMETHODIMP SetPalette(const ColorPalette* palette) override;

    STDMETHODIMP GetPhysicalDimension(SIZE* size) override;
    STDMETHODIMP GetImageInfo(ImageInfo* info) override;
    STDMETHODIMP SetImageFlags(UINT flags) override;
    STDMETHODIMP Draw(HDC hdc, const RECT* dstRect, const RECT* srcRect) override;
    STDMETHODIMP PushIntoSink(IImageSink* sink) override;
    STDMETHODIMP GetThumbnail(UINT thumbWidth, UINT thumbHeight, IImage** thumbImage) override;

    const Pixels* pixels_for_reading() const override { return lock_ ? nullptr : pixels_.get(); }
    ImageDescription description() const override { return description_; }

private:
    ~BitmapImage() override = default;

    struct Lock {
        RECT area;
        UINT flags;
        PixelFormatID format;
        // Where the caller works: the bitmap's own rows, a converted copy,
        // or the caller's buffer.
        std::uint8_t* first_row;
        std::int64_t stride;
        std::unique_ptr<Pixels> copy;
        bool direct;
        UINT_PTR token;
    };

    std::unique_ptr<Pixels> pixels_;
    ImageDescription description_;
    std::optional<Lock> lock_;
    UINT_PTR next_token_ = 1;
};

// How a bitmap made in format from an image describes itself: in memory,
// writable, with alpha only when its format has it.
ImageDescription bitmap_description(const ImageDescription& source, PixelFormatID format);

}  // namespace platform::imaging
