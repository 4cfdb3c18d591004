// The phone's screen: 480 x 720 pixels of RGB565 that every screen and window
// DC draws into directly (the phone has no compositor). The display backend
// learns what changed through the damage it collects and the change hook, and
// takes the pixels as frames: copies in the screen's own format, widened to
// 32-bit colours only where a window, a picture or a recording needs them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/gdi/bitmap.h"

namespace platform::gdi {

// The screen's pixels as they stood at one moment, rows from the top in the
// screen's format. Copies share the pixels, which never change, so the
// presenter, the display and a check can each keep the frame last shown for
// the price of one copy of the screen.
class ScreenFrame {
public:
    // No frame.
    ScreenFrame() = default;
    // Screen::width x Screen::height pixels; anything else makes no frame.
    explicit ScreenFrame(std::vector<std::uint16_t> pixels);
    // Shares pixels (Screen::width x Screen::height of them, or null for no
    // frame) that nobody changes from now on.
    explicit ScreenFrame(std::shared_ptr<const std::uint16_t[]> pixels);

    bool empty() const { return !pixels_; }
    const std::uint16_t* row(int y) const;
    // The pixels as 0x00RRGGBB, width x height values; none for no frame.
    std::vector<std::uint32_t> xrgb() const;
    // Pixel (x, y) as 0x00RRGGBB.
    std::uint32_t xrgb_at(int x, int y) const;

private:
    std::shared_ptr<const std::uint16_t[]> pixels_;
};

class Screen {
public:
    static constexpr int width = 480;
    static constexpr int height = 720;
    static constexpr std::size_t pixel_count = std::size_t(width) * height;

    const std::shared_ptr<Bitmap>& bitmap() const { return bitmap_; }

    // Called after each drawing operation on the screen with the area it
    // changed (screen coordinates). One hook; a new one replaces the old.
    void set_changed_hook(std::function<void(const RECT&)> hook);

    // The bounding box of everything drawn since the last call, then forgets
    // it; (0, 0, 0, 0) when nothing changed.
    RECT take_damage();

    // A copy of the pixels as they stand now.
    ScreenFrame frame() const;

    // The pixels as 0x00RRGGBB, rows from the top, width x height values.
    std::vector<std::uint32_t> read_xrgb() const;

    // Paints the whole screen one colour (the host starts with black).
    void fill(COLORREF colour);

private:
    friend Screen& screen();
    Screen();
    void note_change(const RECT& area);

    std::shared_ptr<Bitmap> bitmap_;
    mutable std::mutex mutex_;
    RECT damage_ {0, 0, 0, 0};
    std::function<void(const RECT&)> hook_;
};

Screen& screen();

}  // namespace platform::gdi
