// A picture in the screen's own 16-bit format (RGB565) whose pixels the shell can read and fill directly, so a
// finished picture can be kept and laid back with a plain copy.
#pragma once

#include <cstdint>

#include "platform/include/wingdi.h"

namespace platform::shell {

class ScreenPicture {
public:
    // A black picture of the given size; empty (and every call harmless) if it cannot be made.
    ScreenPicture(int width, int height);
    ~ScreenPicture();
    ScreenPicture(const ScreenPicture&) = delete;
    ScreenPicture& operator=(const ScreenPicture&) = delete;

    bool valid() const { return pixels_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    HDC dc() const { return dc_; }
    // The pixels, row after row from the top, each row padded to a multiple of four bytes (null when not valid).
    std::uint16_t* pixels() const { return pixels_; }

    // Copies the picture onto the DC with its top-left corner at (x, y).
    BOOL copy_onto(HDC target, int x, int y) const;

private:
    int width_ = 0;
    int height_ = 0;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint16_t* pixels_ = nullptr;
};

}  // namespace platform::shell
