// The phone's screen: 480 x 720 pixels of RGB565 that every screen and window
// DC draws into directly (the phone has no compositor). The display backend
// learns what changed through the damage it collects and the change hook, and
// reads the pixels back as 32-bit colours for windows and screenshots.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/gdi/bitmap.h"

namespace platform::gdi {

class Screen {
public:
    static constexpr int width = 480;
    static constexpr int height = 720;

    const std::shared_ptr<Bitmap>& bitmap() const { return bitmap_; }

    // Called after each drawing operation on the screen with the area it
    // changed (screen coordinates). One hook; a new one replaces the old.
    void set_changed_hook(std::function<void(const RECT&)> hook);

    // The bounding box of everything drawn since the last call, then forgets
    // it; (0, 0, 0, 0) when nothing changed.
    RECT take_damage();

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
