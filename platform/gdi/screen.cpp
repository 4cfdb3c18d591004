#include "platform/gdi/screen.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/rgb565_rows.h"

namespace platform::gdi {

ScreenFrame::ScreenFrame(std::vector<std::uint16_t> pixels)
{
    if (pixels.size() != Screen::pixel_count) return;
    auto copy = std::make_shared_for_overwrite<std::uint16_t[]>(Screen::pixel_count);
    std::copy(pixels.begin(), pixels.end(), copy.get());
    pixels_ = std::move(copy);
}

ScreenFrame::ScreenFrame(std::shared_ptr<const std::uint16_t[]> pixels)
    : pixels_(std::move(pixels))
{
}

const std::uint16_t* ScreenFrame::row(int y) const { return pixels_.get() + std::size_t(y) * Screen::width; }

std::vector<std::uint32_t> ScreenFrame::xrgb() const
{
    if (!pixels_) return {};
    std::vector<std::uint32_t> pixels(Screen::pixel_count);
    rgb565_row_to_xrgb(pixels_.get(), pixels.data(), Screen::pixel_count);
    return pixels;
}

std::uint32_t ScreenFrame::xrgb_at(int x, int y) const { return pixel_to_xrgb(PixelFormat::rgb565, row(y)[x]); }

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

ScreenFrame Screen::frame() const
{
    auto pixels = std::make_shared_for_overwrite<std::uint16_t[]>(Screen::pixel_count);
    // The screen's rows are whole 32-bit words, so they lie end to end.
    static_assert(width * sizeof(std::uint16_t) % 4 == 0);
    std::memcpy(pixels.get(), bitmap_->row(0), Screen::pixel_count * sizeof(std::uint16_t));
    return ScreenFrame(std::move(pixels));
}

std::vector<std::uint32_t> Screen::read_xrgb() const
{
    std::vector<std::uint32_t> pixels(pixel_count);
    // The rows lie end to end, as frame() relies on too.
    rgb565_row_to_xrgb(reinterpret_cast<const std::uint16_t*>(bitmap_->row(0)), pixels.data(), pixel_count);
    return pixels;
}

void Screen::fill(COLORREF colour)
{
    auto value = static_cast<std::uint16_t>(encode_colour(PixelFormat::rgb565, colour));
    for (int y = 0; y < height; ++y) std::fill_n(reinterpret_cast<std::uint16_t*>(bitmap_->row(y)), width, value);
    bitmap_->changed(RECT {0, 0, width, height});
}

}  // namespace platform::gdi
