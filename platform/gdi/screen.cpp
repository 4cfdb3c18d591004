#include "platform/gdi/screen.h"

#include <algorithm>

namespace platform::gdi {

Screen& screen()
{
    static Screen instance;
    return instance;
}

Screen::Screen()
    : bitmap_(Bitmap::create(PixelFormat::rgb565, width, height))
{
    bitmap_->set_change_hook([this](const RECT& area) { note_change(area); });
}

void Screen::set_changed_hook(std::function<void(const RECT&)> hook)
{
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

void Screen::note_change(const RECT& area)
{
    std::function<void(const RECT&)> hook;
    {
        std::lock_guard lock(mutex_);
        if (damage_.left >= damage_.right || damage_.top >= damage_.bottom) {
            damage_ = area;
        } else {
            damage_.left = std::min(damage_.left, area.left);
            damage_.top = std::min(damage_.top, area.top);
            damage_.right = std::max(damage_.right, area.right);
            damage_.bottom = std::max(damage_.bottom, area.bottom);
        }
        hook = hook_;
    }
    if (hook) hook(area);
}

RECT Screen::take_damage()
{
    std::lock_guard lock(mutex_);
    RECT damage = damage_;
    damage_ = RECT {0, 0, 0, 0};
    return damage;
}

std::vector<std::uint32_t> Screen::read_xrgb() const
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = bitmap_->row(y);
        std::uint32_t* out = pixels.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x)
            out[x] = pixel_to_xrgb(PixelFormat::rgb565, read_pixel(PixelFormat::rgb565, row, x));
    }
    return pixels;
}

void Screen::fill(COLORREF colour)
{
    auto value = static_cast<std::uint16_t>(encode_colour(PixelFormat::rgb565, colour));
    for (int y = 0; y < height; ++y) std::fill_n(reinterpret_cast<std::uint16_t*>(bitmap_->row(y)), width, value);
    bitmap_->changed(RECT {0, 0, width, height});
}

}  // namespace platform::gdi
