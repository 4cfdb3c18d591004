// A 32-bit layer with per-pixel alpha on which the shell paints the soft shapes of its artwork (tiles with
// smooth rounded corners, glows, hills), then lays over the 16-bit screen with AlphaBlend. Plain GDI shapes
// have hard, stair-stepped edges; coverage computed here gives the antialiased look of a phone's home screen.
#pragma once

#include <cstdint>

#include "platform/include/wingdi.h"

namespace platform::shell {

class ArgbLayer {
public:
    // A transparent layer of the given size; empty (and every call harmless) if it cannot be made.
    ArgbLayer(int width, int height);
    ~ArgbLayer();
    ArgbLayer(const ArgbLayer&) = delete;
    ArgbLayer& operator=(const ArgbLayer&) = delete;

    bool valid() const { return pixels_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    HDC dc() const { return dc_; }
    // The premultiplied pixels, row after row (null when not valid).
    std::uint32_t* pixels() const { return pixels_; }

    // Fills a rounded rectangle (layer coordinates) with a vertical gradient from top to bottom colour, at the
    // given opacity, with antialiased edges. A radius of half the size makes a circle.
    void fill_rounded(const RECT& rect, int radius, COLORREF top, COLORREF bottom, int opacity);
    // A round glow: full opacity at the centre fading to nothing at the radius.
    void fill_glow(int centre_x, int centre_y, int radius, COLORREF colour, int opacity);
    // Fills everything below the wave y = base + amplitude * sin(x * frequency + phase).
    void fill_below_wave(int base, double amplitude, double frequency, double phase, COLORREF colour, int opacity);

    // Lays the layer over the DC with its top-left corner at (x, y).
    BOOL blend_onto(HDC target, int x, int y) const;

private:
    // Source-over of a colour with coverage 0..1 onto one pixel (premultiplied).
    void put(int x, int y, COLORREF colour, double alpha);

    int width_ = 0;
    int height_ = 0;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
};

}  // namespace platform::shell
