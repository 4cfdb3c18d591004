// Soft shapes on a premultiplied 32-bit layer.

#include "platform/shell/argb_layer.h"

#include <algorithm>
#include <cmath>

namespace platform::shell {

namespace {

double clamp01(double value) { return std::clamp(value, 0.0, 1.0); }

COLORREF mix(COLORREF a, COLORREF b, double t)
{
    auto channel = [t](int from, int to) { return static_cast<BYTE>(std::lround(from + (to - from) * t)); };
    return RGB(
        channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)), channel(GetBValue(a), GetBValue(b)));
}

// How much of the pixel centred at (px, py) lies inside the rounded rectangle, from its signed distance.
double rounded_coverage(const RECT& rect, double radius, double px, double py)
{
    double half_width = (rect.right - rect.left) / 2.0;
    double half_height = (rect.bottom - rect.top) / 2.0;
    double centre_x = rect.left + half_width;
    double centre_y = rect.top + half_height;
    radius = std::min({radius, half_width, half_height});
    double qx = std::abs(px - centre_x) - (half_width - radius);
    double qy = std::abs(py - centre_y) - (half_height - radius);
    double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    double inside = std::min(std::max(qx, qy), 0.0);
    double distance = outside + inside - radius;
    return clamp01(0.5 - distance);
}

}  // namespace

ArgbLayer::ArgbLayer(int width, int height)
{
    if (width <= 0 || height <= 0) return;
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    if (!bitmap_ || !dc_ || !bits) return;
    previous_ = SelectObject(dc_, bitmap_);
    width_ = width;
    height_ = height;
    // A DIB section's memory comes zeroed: the layer is transparent without a fill of its own.
    pixels_ = static_cast<std::uint32_t*>(bits);
}

ArgbLayer::~ArgbLayer()
{
    if (dc_ && previous_) SelectObject(dc_, previous_);
    if (dc_) DeleteDC(dc_);
    if (bitmap_) DeleteObject(bitmap_);
}

void ArgbLayer::put(int x, int y, COLORREF colour, double alpha)
{
    if (alpha <= 0.0 || x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::uint32_t& pixel = pixels_[static_cast<std::size_t>(y) * width_ + x];
    double keep = 1.0 - alpha;
    auto blend = [&](int shift, int source) {
        double below = (pixel >> shift) & 0xFF;
        return static_cast<std::uint32_t>(std::lround(std::min(255.0, source * alpha + below * keep))) << shift;
    };
    pixel = blend(24, 255) | blend(16, GetRValue(colour)) | blend(8, GetGValue(colour)) | blend(0, GetBValue(colour));
}

void ArgbLayer::fill_rounded(const RECT& rect, int radius, COLORREF top, COLORREF bottom, int opacity)
{
    if (!valid()) return;
    double strength = clamp01(opacity / 255.0);
    int height = std::max<LONG>(1, rect.bottom - rect.top);
    for (int y = std::max<LONG>(0, rect.top); y < std::min<LONG>(height_, rect.bottom); ++y) {
        COLORREF colour = mix(top, bottom, height > 1 ? double(y - rect.top) / (height - 1) : 0.0);
        for (int x = std::max<LONG>(0, rect.left); x < std::min<LONG>(width_, rect.right); ++x)
            put(x, y, colour, strength * rounded_coverage(rect, radius, x + 0.5, y + 0.5));
    }
}

void ArgbLayer::fill_glow(int centre_x, int centre_y, int radius, COLORREF colour, int opacity)
{
    if (!valid() || radius <= 0) return;
    double strength = clamp01(opacity / 255.0);
    for (int y = std::max(0, centre_y - radius); y < std::min(height_, centre_y + radius); ++y)
        for (int x = std::max(0, centre_x - radius); x < std::min(width_, centre_x + radius); ++x) {
            double distance = std::hypot(x + 0.5 - centre_x, y + 0.5 - centre_y) / radius;
            if (distance >= 1.0) continue;
            double falloff = 1.0 - distance;
            put(x, y, colour, strength * falloff * falloff);
        }
}

void ArgbLayer::fill_below_wave(
    int base, double amplitude, double frequency, double phase, COLORREF colour, int opacity)
{
    if (!valid()) return;
    double strength = clamp01(opacity / 255.0);
    for (int x = 0; x < width_; ++x) {
        double edge = base + amplitude * std::sin((x + 0.5) * frequency + phase);
        int first = std::max(0, static_cast<int>(std::floor(edge)));
        for (int y = first; y < height_; ++y) put(x, y, colour, strength * clamp01(y + 1.0 - edge));
    }
}

BOOL ArgbLayer::blend_onto(HDC target, int x, int y) const
{
    if (!valid()) return FALSE;
    BLENDFUNCTION blend {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return AlphaBlend(target, x, y, width_, height_, dc_, 0, 0, width_, height_, blend);
}

}  // namespace platform::shell
