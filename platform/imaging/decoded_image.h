// The image CreateImageFromBuffer and CreateImageFromFile return: a picture
// decoded once, read-only, drawn into DCs as often as the caller likes.
#pragma once

#include "platform/imaging/decoders.h"
#include "platform/imaging/image_source.h"
#include "platform/imaging/interface_ids.h"

namespace platform::imaging {

class DecodedImage final : public com::Object<IImage>, public PixelSource {
public:
    // Takes the caller's buffer when disposal says so; it is freed with the
    // image.
    DecodedImage(Picture picture, const void* buffer, BufferDisposalFlag disposal);

    STDMETHODIMP GetPhysicalDimension(SIZE* size) override;
    STDMETHODIMP GetImageInfo(ImageInfo* info) override;
    STDMETHODIMP SetImageFlags(UINT flags) override;
    STDMETHODIMP Draw(HDC hdc, const RECT* dstRect, const RECT* srcRect) override;
    STDMETHODIMP PushIntoSink(IImageSink* sink) override;
    STDMETHODIMP GetThumbnail(UINT thumbWidth, UINT thumbHeight, IImage** thumbImage) override;

    const Pixels* pixels_for_reading() const override { return pixels_.get(); }
    ImageDescription description() const override { return description_; }

private:
    ~DecodedImage() override;

    std::unique_ptr<Pixels> pixels_;
    ImageDescription description_;
    const void* buffer_;
    BufferDisposalFlag disposal_;
};

// Whether the factory can take over a buffer with this disposal.
bool disposal_supported(BufferDisposalFlag disposal);

// GetThumbnail of the imaging layer's images: a bitmap image of the pixels
// resampled to the size.
HRESULT make_thumbnail(
    const Pixels& pixels, const ImageDescription& description, UINT width, UINT height, IImage** thumbnail);

}  // namespace platform::imaging
