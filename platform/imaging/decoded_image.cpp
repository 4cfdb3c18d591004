#include "platform/imaging/decoded_image.h"

#include "platform/imaging/bitmap_image.h"
#include "platform/include/winbase.h"

namespace platform::imaging {

DecodedImage::DecodedImage(Picture picture, const void* buffer, BufferDisposalFlag disposal)
    : pixels_(std::move(picture.pixels))
    , buffer_(buffer)
    , disposal_(disposal)
{
    description_.raw_format = picture.raw_format;
    description_.x_dpi = picture.x_dpi;
    description_.y_dpi = picture.y_dpi;
    description_.flags = picture.flags;
}

DecodedImage::~DecodedImage()
{
    switch (disposal_) {
    case BufferDisposalFlagGlobalFree:
        LocalFree(const_cast<void*>(buffer_));  // the phone's global heap is its local heap
        break;
    case BufferDisposalFlagCoTaskMemFree:
        CoTaskMemFree(const_cast<void*>(buffer_));
        break;
    default:
        break;
    }
}

bool disposal_supported(BufferDisposalFlag disposal)
{
    // There are no mapped views on this phone to unmap.
    return disposal == BufferDisposalFlagNone || disposal == BufferDisposalFlagGlobalFree ||
        disposal == BufferDisposalFlagCoTaskMemFree;
}

STDMETHODIMP DecodedImage::GetPhysicalDimension(SIZE* size)
{
    if (!size) return E_INVALIDARG;
    *size = physical_size(*pixels_, description_);
    return S_OK;
}

STDMETHODIMP DecodedImage::GetImageInfo(ImageInfo* info) { return describe_image(*pixels_, description_, info); }

STDMETHODIMP DecodedImage::SetImageFlags(UINT) { return E_NOTIMPL; }

STDMETHODIMP DecodedImage::Draw(HDC hdc, const RECT* dstRect, const RECT* srcRect)
{
    return draw_image(hdc, *pixels_, description_, dstRect, srcRect);
}

STDMETHODIMP DecodedImage::PushIntoSink(IImageSink*) { return E_NOTIMPL; }

STDMETHODIMP DecodedImage::GetThumbnail(UINT thumbWidth, UINT thumbHeight, IImage** thumbImage)
{
    return make_thumbnail(*pixels_, description_, thumbWidth, thumbHeight, thumbImage);
}

HRESULT make_thumbnail(
    const Pixels& pixels, const ImageDescription& description, UINT width, UINT height, IImage** thumbnail)
{
    if (!thumbnail) return E_INVALIDARG;
    *thumbnail = nullptr;
    if (width == 0 || height == 0 || width > UINT(max_image_side) || height > UINT(max_image_side)) return E_INVALIDARG;
    auto scaled = pixels.scaled(int(width), int(height), pixels.format());
    if (!scaled) return E_OUTOFMEMORY;
    return BitmapImage::create(std::move(scaled), bitmap_description(description, pixels.format()), IID_IImage,
        reinterpret_cast<void**>(thumbnail));
}

}  // namespace platform::imaging
