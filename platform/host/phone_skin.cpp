#include "platform/host/phone_skin.h"

#include <algorithm>
#include <cmath>

#include "platform/host/host_text.h"

namespace platform::host {
namespace {

constexpr int window_margin = 14;
constexpr int bezel_side = 22;
constexpr int bezel_top = 56;
constexpr int bezel_bottom = 80;
constexpr int panel_gap = 18;
constexpr int body_radius = 44;
constexpr int m_key_width = 104;
constexpr int m_key_height = 44;
constexpr int power_key_top = 150;
constexpr int power_key_length = 64;
constexpr int power_key_depth = 6;
// The power key is thin; a finger's width inside the body still hits it.
constexpr int power_key_reach = 14;
// A window smaller than this scale would be unreadable.
constexpr double smallest_scale = 0.25;

constexpr std::uint32_t rim_colour = 0x555B64;
constexpr std::uint32_t body_top_colour = 0x3A3F46;
constexpr std::uint32_t body_bottom_colour = 0x24282D;
constexpr std::uint32_t bezel_colour = 0x050506;
constexpr std::uint32_t speaker_colour = 0x111316;
constexpr std::uint32_t lens_colour = 0x0B0D11;
constexpr std::uint32_t lens_glint_colour = 0x34486A;
constexpr std::uint32_t key_colour = 0x2E3339;
constexpr std::uint32_t key_rim_colour = 0x626A75;
constexpr std::uint32_t held_key_colour = 0x3D6FA8;
constexpr std::uint32_t key_label_colour = 0xD8DCE0;

std::uint32_t mix(std::uint32_t a, std::uint32_t b, double amount)
{
    amount = std::clamp(amount, 0.0, 1.0);
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        double from = (a >> shift) & 0xFF, to = (b >> shift) & 0xFF;
        result |= std::uint32_t(std::lround(from + (to - from) * amount)) << shift;
    }
    return result;
}

}  // namespace

SkinLayout phone_skin_layout(int screen_width, int screen_height, int panel_width)
{
    SkinLayout layout;
    layout.body = {
        window_margin, window_margin, bezel_side + screen_width + bezel_side, bezel_top + screen_height + bezel_bottom};
    layout.screen = {layout.body.x + bezel_side, layout.body.y + bezel_top, screen_width, screen_height};
    int below_screen = layout.screen.y + screen_height;
    layout.m_key = {layout.screen.x + (screen_width - m_key_width) / 2,
        below_screen + (bezel_bottom - m_key_height) / 2, m_key_width, m_key_height};
    int body_right = layout.body.x + layout.body.width;
    layout.power_key = {body_right - 2, layout.body.y + power_key_top, power_key_depth, power_key_length};
    layout.panel = {body_right + panel_gap, layout.body.y, panel_width, layout.body.height};
    layout.window_width = layout.panel.x + panel_width + window_margin;
    layout.window_height = layout.body.y + layout.body.height + window_margin;
    return layout;
}

std::optional<PhoneKey> skin_key_at(const SkinLayout& layout, double x, double y)
{
    if (layout.m_key.contains(x, y)) return PhoneKey::m_key;
    SkinRect power = layout.power_key;
    power.x -= power_key_reach;
    power.width += power_key_reach;
    if (power.contains(x, y)) return PhoneKey::power;
    return std::nullopt;
}

void fill_rounded(Image& image, double x, double y, double width, double height, double radius,
    std::uint32_t top_colour, std::uint32_t bottom_colour)
{
    radius = std::min({radius, width / 2, height / 2});
    double centre_x = x + width / 2, centre_y = y + height / 2;
    double inner_x = width / 2 - radius, inner_y = height / 2 - radius;
    int first_row = std::max(0, int(std::floor(y))), last_row = std::min(image.height, int(std::ceil(y + height)));
    int first_column = std::max(0, int(std::floor(x))), last_column = std::min(image.width, int(std::ceil(x + width)));
    for (int row = first_row; row < last_row; ++row) {
        double py = row + 0.5;
        std::uint32_t colour = mix(top_colour, bottom_colour, (py - y) / height);
        double qy = std::abs(py - centre_y) - inner_y;
        // Between the corners a row is wholly inside: no distance to work out.
        int solid_begin = last_column, solid_end = last_column;
        if (qy <= -0.5) {
            solid_begin = std::max(first_column, int(std::ceil(x + 0.5)));
            solid_end = std::max(solid_begin, std::min(last_column, int(std::floor(x + width - 0.5))));
        }
        for (int column = first_column; column < last_column; ++column) {
            if (column == solid_begin) {
                std::fill(&image.at(solid_begin, row), &image.at(solid_begin, row) + (solid_end - solid_begin), colour);
                column = solid_end - 1;
                continue;
            }
            double qx = std::abs(column + 0.5 - centre_x) - inner_x;
            // Signed distance to the rounded outline: negative inside.
            double outside =
                std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - radius;
            double coverage = std::clamp(0.5 - outside, 0.0, 1.0);
            if (coverage > 0) image.at(column, row) = mix(image.at(column, row), colour, coverage);
        }
    }
}

Image draw_phone_skin(
    const SkinLayout& layout, double scale, std::optional<PhoneKey> held, std::optional<SkinRect> area)
{
    SkinRect whole {
        0, 0, int(std::lround(layout.window_width * scale)), int(std::lround(layout.window_height * scale))};
    SkinRect part = area.value_or(whole);
    Image image(part.width, part.height, desk_colour);
    auto rounded = [&](const SkinRect& r, double grow, double radius, std::uint32_t top, std::uint32_t bottom) {
        fill_rounded(image, (r.x - grow) * scale - part.x, (r.y - grow) * scale - part.y, (r.width + 2 * grow) * scale,
            (r.height + 2 * grow) * scale, radius * scale, top, bottom);
    };
    auto key_colours = [&](PhoneKey key) { return held == key ? held_key_colour : key_colour; };

    // The power key stands out of the body's edge, so it goes first.
    rounded(layout.power_key, 1, 3, key_rim_colour, key_rim_colour);
    rounded(layout.power_key, 0, 3, key_colours(PhoneKey::power), key_colours(PhoneKey::power));
    rounded(layout.body, 1.5, body_radius + 1.5, rim_colour, mix(rim_colour, desk_colour, 0.5));
    rounded(layout.body, 0, body_radius, body_top_colour, body_bottom_colour);
    rounded(layout.screen, 4, 8, bezel_colour, bezel_colour);

    double middle = layout.screen.x + layout.screen.width / 2.0;
    SkinRect speaker {int(middle) - 40, layout.body.y + 25, 80, 6};
    rounded(speaker, 0, 3, speaker_colour, speaker_colour);
    SkinRect lens {speaker.x - 26, speaker.y - 3, 12, 12};
    rounded(lens, 0, 6, lens_colour, lens_colour);
    rounded(SkinRect {lens.x + 3, lens.y + 3, 4, 4}, 0, 2, lens_glint_colour, lens_glint_colour);

    rounded(layout.m_key, 1.5, layout.m_key.height / 2.0 + 1.5, key_rim_colour, key_rim_colour);
    rounded(layout.m_key, 0, layout.m_key.height / 2.0, key_colours(PhoneKey::m_key), key_colours(PhoneKey::m_key));
    HostFont label(int(std::lround(20 * scale)), true);
    std::u32string m = U"M";
    int label_x = int(std::lround((layout.m_key.x + layout.m_key.width / 2.0) * scale)) - label.width(m) / 2;
    int label_y = int(std::lround((layout.m_key.y + layout.m_key.height / 2.0) * scale)) - label.line_height() / 2;
    label.draw(image, label_x - part.x, label_y - part.y, m, key_label_colour);
    return image;
}

SkinRect skin_key_pixels(const SkinLayout& layout, PhoneKey key, double scale)
{
    // The rim is drawn up to a unit and a half outside the key.
    constexpr int rim = 2;
    const SkinRect& r = key == PhoneKey::power ? layout.power_key : layout.m_key;
    int left = int(std::floor((r.x - rim) * scale)), top = int(std::floor((r.y - rim) * scale));
    int right = int(std::ceil((r.x + r.width + rim) * scale)), bottom = int(std::ceil((r.y + r.height + rim) * scale));
    return {left, top, right - left, bottom - top};
}

double fit_window_scale(int requested, int window_width, int window_height, int room_width, int room_height)
{
    auto fits = [&](double scale) {
        return window_width * scale <= room_width && window_height * scale <= room_height;
    };
    if (requested < 1) requested = 1;
    for (int scale = requested; scale >= 1; --scale)
        if (fits(scale)) return scale;
    if (window_width <= 0 || window_height <= 0) return requested;
    double fraction = std::min(double(room_width) / window_width, double(room_height) / window_height);
    // Hundredths, so the window's size and the mouse's mapping stay simple numbers.
    return std::max(smallest_scale, std::floor(fraction * 100) / 100);
}

std::vector<std::string> window_key_legend()
{
    return {
        "mouse: the finger",
        "Home, Esc, M key: the M key",
        "P, power key: power",
        "S shake · N near/far",
        "C call · M SMS · U USB disk",
        "F12 screenshot (Shift: window)",
    };
}

}  // namespace platform::host
