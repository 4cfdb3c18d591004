// What the imaging layer's own images share: their pixels and how they
// describe themselves (GetImageInfo, GetPhysicalDimension, Draw). Decoded
// images and bitmap images both implement PixelSource, so the factory can
// make a bitmap from either without going through a DC.
#pragma once

#include <memory>

#include "platform/imaging/pixels.h"

namespace platform::imaging {

struct ImageDescription {
    GUID raw_format = ImageFormatMemoryBMP;
    double x_dpi = 96.0;
    double y_dpi = 96.0;
    UINT flags = ImageFlagsNone;
};

class PixelSource {
public:
    // The pixels, or null while they cannot be read (a bitmap that is locked).
    virtual const Pixels* pixels_for_reading() const = 0;
    virtual ImageDescription description() const = 0;

protected:
    ~PixelSource() = default;
};

// The imaging layer's own image behind an IImage, or null for an image from
// elsewhere.
PixelSource* pixel_source_of(IImage* image);

HRESULT describe_image(const Pixels& pixels, const ImageDescription& description, ImageInfo* info);

// The size in 0.01 mm at the image's resolution.
SIZE physical_size(const Pixels& pixels, const ImageDescription& description);

// Draws the part source (0.01 mm units, null for the whole image) of the
// pixels stretched, nearest pixel, onto dest of the DC, through the DC's own
// blits so that its clipping and depth apply. Pixels with alpha are blended
// over what the DC holds; opaque ones replace it.
// A picture drawn at its own size onto a 16- or 32-bit bitmap goes row by
// row straight into it (draw_unscaled), giving the same pixels.
HRESULT draw_image(
    HDC hdc, const Pixels& pixels, const ImageDescription& description, const RECT* dest, const RECT* source_himetric);

// The general way of draw_image, for any size and any DC: the source part
// (pixels, non-empty) staged in a 32-bit bitmap and put through StretchBlt or
// AlphaBlend onto dest (non-empty). Also the reference the row-wise path is
// held to.
HRESULT draw_image_staged(HDC hdc, const Pixels& pixels, const RECT& source, const RECT& dest);

}  // namespace platform::imaging
