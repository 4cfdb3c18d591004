#include "tests/support/pixel_surface.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/gdi_object.h"

namespace velmor_test {

PixelSurface::PixelSurface(int width, int height, COLORREF fill, int bits_per_pixel)
    : width_(width)
    , height_(height)
{
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateBitmap(width, height, 1, static_cast<UINT>(bits_per_pixel), nullptr);
    old_ = SelectObject(dc_, bitmap_);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all = {0, 0, width, height};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
}

PixelSurface::~PixelSurface()
{
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
}

std::uint32_t PixelSurface::pixel(int x, int y) const { return bitmap_pixel(bitmap_, x, y); }

std::uint32_t bitmap_pixel(HBITMAP bitmap, int x, int y)
{
    auto object = platform::gdi::find_object_as<platform::gdi::Bitmap>(bitmap);
    if (!object || x < 0 || y < 0 || x >= object->width() || y >= object->height()) return 0xDEADBEEF;
    const std::uint8_t* row = object->row(y);
    switch (object->format()) {
    case platform::gdi::PixelFormat::xrgb32: {
        const std::uint8_t* p = row + 4 * x;
        return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    }
    case platform::gdi::PixelFormat::rgb565: {
        std::uint16_t v = static_cast<std::uint16_t>(row[2 * x] | row[2 * x + 1] << 8);
        std::uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
        return (r * 255 / 31) << 16 | (g * 255 / 63) << 8 | (b * 255 / 31);
    }
    default:
        return 0xDEADBEEF;
    }
}

int bitmap_bits_per_pixel(HBITMAP bitmap)
{
    BITMAP info {};
    if (!GetObjectW(bitmap, sizeof(info), &info)) return 0;
    return info.bmBitsPixel;
}

}  // namespace velmor_test
