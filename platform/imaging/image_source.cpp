#include "platform/imaging/image_source.h"

#include <cmath>
#include <cstring>

#include "platform/imaging/unscaled_draw.h"

namespace platform::imaging {

PixelSource* pixel_source_of(IImage* image) { return dynamic_cast<PixelSource*>(image); }

HRESULT describe_image(const Pixels& pixels, const ImageDescription& description, ImageInfo* info)
{
    if (!info) return E_INVALIDARG;
    std::memset(info, 0, sizeof *info);
    info->RawDataFormat = description.raw_format;
    info->PixelFormat = pixels.format();
    info->Width = UINT(pixels.width());
    info->Height = UINT(pixels.height());
    // The whole image is one tile: it is held decoded in memory.
    info->TileWidth = info->Width;
    info->TileHeight = info->Height;
    info->Xdpi = description.x_dpi;
    info->Ydpi = description.y_dpi;
    info->Flags = description.flags;
    return S_OK;
}

SIZE physical_size(const Pixels& pixels, const ImageDescription& description)
{
    return SIZE {LONG(std::lround(pixels.width() * 2540.0 / description.x_dpi)),
        LONG(std::lround(pixels.height() * 2540.0 / description.y_dpi))};
}

namespace {

LONG to_pixels(LONG himetric, int pixels, LONG physical)
{
    return LONG(std::llround(double(himetric) * pixels / physical));
}

// The source rectangle in pixels; false when it does not lie in the image.
bool source_in_pixels(const Pixels& pixels, const ImageDescription& description, const RECT* himetric, RECT& source)
{
    if (!himetric) {
        source = RECT {0, 0, pixels.width(), pixels.height()};
        return true;
    }
    SIZE physical = physical_size(pixels, description);
    if (physical.cx <= 0 || physical.cy <= 0) return false;
    source.left = to_pixels(himetric->left, pixels.width(), physical.cx);
    source.right = to_pixels(himetric->right, pixels.width(), physical.cx);
    source.top = to_pixels(himetric->top, pixels.height(), physical.cy);
    source.bottom = to_pixels(himetric->bottom, pixels.height(), physical.cy);
    return source.left >= 0 && source.top >= 0 && source.left <= source.right && source.top <= source.bottom &&
        source.right <= pixels.width() && source.bottom <= pixels.height();
}

// A 32-bit DIB section in a memory DC, freed with the object.
class Staging {
public:
    Staging(HDC compatible_with, int width, int height)
    {
        BITMAPINFO info {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(compatible_with, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap_) return;
        dc_ = CreateCompatibleDC(compatible_with);
        if (!dc_) return;
        previous_ = SelectObject(dc_, bitmap_);
        if (!previous_) return;
        bits_ = static_cast<std::uint8_t*>(bits);
    }
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;
    ~Staging()
    {
        if (previous_) SelectObject(dc_, previous_);
        if (dc_) DeleteDC(dc_);
        if (bitmap_) DeleteObject(bitmap_);
    }

    bool ready() const { return bits_ != nullptr; }
    HDC dc() const { return dc_; }
    std::uint32_t* row(int y, int width) const
    {
        return reinterpret_cast<std::uint32_t*>(bits_ + std::size_t(y) * std::size_t(width) * 4);
    }

private:
    HBITMAP bitmap_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint8_t* bits_ = nullptr;
};

}  // namespace

HRESULT draw_image(
    HDC hdc, const Pixels& pixels, const ImageDescription& description, const RECT* dest, const RECT* source_himetric)
{
    if (!dest) return E_INVALIDARG;
    DWORD type = GetObjectType(hdc);
    if (type != OBJ_DC && type != OBJ_MEMDC) return E_INVALIDARG;
    RECT source;
    if (!source_in_pixels(pixels, description, source_himetric, source)) return E_INVALIDARG;
    LONG dest_width = dest->right - dest->left, dest_height = dest->bottom - dest->top;
    if (dest_width < 0 || dest_height < 0) return E_INVALIDARG;
    int width = int(source.right - source.left), height = int(source.bottom - source.top);
    if (dest_width == 0 || dest_height == 0 || width == 0 || height == 0) return S_OK;
    if (dest_width == width && dest_height == height &&
        draw_unscaled(hdc, pixels, source, POINT {dest->left, dest->top}))
        return S_OK;
    return draw_image_staged(hdc, pixels, source, *dest);
}

HRESULT draw_image_staged(HDC hdc, const Pixels& pixels, const RECT& source, const RECT& dest)
{
    int width = int(source.right - source.left), height = int(source.bottom - source.top);
    LONG dest_width = dest.right - dest.left, dest_height = dest.bottom - dest.top;
    // The blits take their source from a DC, so the part drawn is staged in
    // a 32-bit bitmap: premultiplied, as AlphaBlend wants it, when the image
    // has alpha; opaque otherwise.
    Staging staging(hdc, width, height);
    if (!staging.ready()) return E_OUTOFMEMORY;
    bool alpha = has_alpha(pixels.format());
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels.row(int(source.top) + y);
        std::uint32_t* out = staging.row(y, width);
        for (int x = 0; x < width; ++x) {
            std::uint32_t argb = read_argb(pixels.format(), row, int(source.left) + x);
            out[x] = alpha ? premultiply(argb) : argb;
        }
    }
    BOOL drawn;
    if (alpha) {
        BLENDFUNCTION blend {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        drawn = AlphaBlend(hdc, dest.left, dest.top, dest_width, dest_height, staging.dc(), 0, 0, width, height, blend);
    } else {
        drawn =
            StretchBlt(hdc, dest.left, dest.top, dest_width, dest_height, staging.dc(), 0, 0, width, height, SRCCOPY);
    }
    return drawn ? S_OK : E_FAIL;
}

}  // namespace platform::imaging
