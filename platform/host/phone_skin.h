// The phone drawn around its screen in the window: the body, the screen's
// bezel, the speaker and camera, the M key below the screen and the power
// key on the right edge, with the status panel beside the phone. Keys are
// hit where they are drawn, so a person clicks them as on the device.
//
// Geometry is in window units at scale 1; the window multiplies it by its
// scale, which may be a fraction when the screen is too small for the phone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/host/phone_keys.h"
#include "platform/host/png_image.h"

namespace platform::host {

struct SkinRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool contains(double px, double py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};

struct SkinLayout {
    int window_width = 0;
    int window_height = 0;
    SkinRect body;
    SkinRect screen;
    SkinRect m_key;
    SkinRect power_key;
    SkinRect panel;
};

// The one layout of the window, around a screen of the given size.
SkinLayout phone_skin_layout(int screen_width, int screen_height, int panel_width);

// The key drawn at a window point (in units at scale 1), if any.
std::optional<PhoneKey> skin_key_at(const SkinLayout& layout, double x, double y);

// The window's picture without the screen's pixels and the panel's text:
// everything at scale, the held key lit. Given an area (window pixels), only
// that part is drawn, so a key can be lit without drawing the whole phone.
Image draw_phone_skin(
    const SkinLayout& layout, double scale, std::optional<PhoneKey> held, std::optional<SkinRect> area = std::nullopt);

// The window pixels a key's drawing covers at a scale, its rim included.
SkinRect skin_key_pixels(const SkinLayout& layout, PhoneKey key, double scale);

// The scale the window is shown at: the one asked for when the window fits
// the room the screen has for it; else the largest whole scale that fits;
// else the fraction that fits (never below a quarter).
double fit_window_scale(int requested, int window_width, int window_height, int room_width, int room_height);

// Fills a rectangle with rounded corners (pixel units, anti-aliased edges),
// shading from the top colour to the bottom one.
void fill_rounded(Image& image, double x, double y, double width, double height, double radius,
    std::uint32_t top_colour, std::uint32_t bottom_colour);
inline constexpr std::uint32_t desk_colour = 0x17191C;

// The keys a person has in the window, for the panel's legend.
std::vector<std::string> window_key_legend();

}  // namespace platform::host
