// Small drawing surfaces for pixel-exact checks: a memory DC holding a bitmap
// of a chosen depth, with direct access to the stored pixel values.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"

namespace gdi_test {

class Surface {
public:
    Surface(int bits_per_pixel, int width, int height)
    {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateBitmap(width, height, 1, static_cast<UINT>(bits_per_pixel), nullptr);
        previous = SelectObject(dc, bitmap);
    }
    ~Surface()
    {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    platform::gdi::Bitmap& pixels() const { return *platform::gdi::find_object_as<platform::gdi::Bitmap>(bitmap); }
    std::uint32_t raw(int x, int y) const { return platform::gdi::read_pixel(pixels().format(), pixels().row(y), x); }
    void set_raw(int x, int y, std::uint32_t value)
    {
        platform::gdi::write_pixel(pixels().format(), pixels().row(y), x, value);
    }
    void fill_raw(std::uint32_t value)
    {
        for (int y = 0; y < pixels().height(); ++y)
            for (int x = 0; x < pixels().width(); ++x) set_raw(x, y, value);
    }
    // Rows of the surface as text, '#' where the raw value equals on, '.'
    // elsewhere: readable expectations for shapes.
    std::string picture(std::uint32_t on) const
    {
        std::string text;
        for (int y = 0; y < pixels().height(); ++y) {
            for (int x = 0; x < pixels().width(); ++x) text += raw(x, y) == on ? '#' : '.';
            text += '\n';
        }
        return text;
    }

    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
};

// The stored value of a colour at each depth.
inline std::uint32_t stored(int bits_per_pixel, COLORREF colour)
{
    std::uint32_t r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    switch (bits_per_pixel) {
    case 1:
        return r + g + b > 382 ? 1 : 0;
    case 16:
        return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    default:
        return (r << 16) | (g << 8) | b;
    }
}

}  // namespace gdi_test
