// A small bitmap selected into a memory DC for drawing tests: draw into dc(),
// then read single pixels back exactly as the bitmap stores them.
#pragma once

#include <cstdint>

#include <windows.h>

namespace velmor_test {

class PixelSurface {
public:
    // A device-dependent bitmap of bits_per_pixel (16 or 32) filled with
    // fill.
    PixelSurface(int width, int height, COLORREF fill = 0x00808080, int bits_per_pixel = 32);
    ~PixelSurface();
    PixelSurface(const PixelSurface&) = delete;
    PixelSurface& operator=(const PixelSurface&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The stored pixel as 0xAARRGGBB (a 32-bit bitmap's fourth byte in the
    // high byte; 16-bit pixels widened to 8 bits a channel).
    std::uint32_t pixel(int x, int y) const;
    // The colour as 0x00RRGGBB.
    std::uint32_t rgb(int x, int y) const { return pixel(x, y) & 0x00FFFFFFu; }

private:
    int width_ = 0;
    int height_ = 0;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// The stored pixel of a 32- or 16-bit bitmap as PixelSurface::pixel reads
// it; 0xDEADBEEF outside the bitmap, for a handle that is no bitmap and for
// 1-bit bitmaps.
std::uint32_t bitmap_pixel(HBITMAP bitmap, int x, int y);
// Bits per pixel of a bitmap; 0 for a handle that is no bitmap.
int bitmap_bits_per_pixel(HBITMAP bitmap);

}  // namespace velmor_test
