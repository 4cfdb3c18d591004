#include "platform/shell/icon_tiles.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/shell/argb_layer.h"
#include "platform/shell/art_cache.h"
#include "platform/shell/home_art.h"

namespace platform::shell {

namespace {

// The shadow falls below and a little beside the tile, so a tile's art is larger than its square.
constexpr int margin = 4;
constexpr int art_width = tile_size + 2 * margin;
constexpr int art_height = tile_size + 2 * margin + 2;

using Colours = std::pair<COLORREF, COLORREF>;

Colours colours_of(const AppIcon& icon) { return {icon.top, icon.bottom}; }

// One slot a pair of colours, in the order the icons come: icons of the same colours share a tile.
std::vector<Colours> slots_of(std::span<const AppIcon> icons)
{
    std::vector<Colours> slots;
    for (const AppIcon& icon : icons)
        if (std::find(slots.begin(), slots.end(), colours_of(icon)) == slots.end()) slots.push_back(colours_of(icon));
    return slots;
}

// The icons kept together with this one: its page's, or for an icon of no page, itself alone.
std::span<const AppIcon> companions(const AppIcon& icon)
{
    for (int page = 0; page < home_page_count; ++page) {
        auto icons = page_icons(page);
        auto same = [&](const AppIcon& other) { return colours_of(other) == colours_of(icon); };
        if (std::any_of(icons.begin(), icons.end(), same)) return icons;
    }
    return {&icon, 1};
}

void paint_tile(ArgbLayer& layer, int slot, const Colours& colours)
{
    int top = slot * art_height;
    // A faint shadow under the tile lifts it off the wallpaper.
    layer.fill_rounded(RECT {margin, top + margin + 3, margin + tile_size, top + margin + 3 + tile_size}, tile_corner,
        RGB(0, 0, 0), RGB(0, 0, 0), 70);
    layer.fill_rounded(RECT {margin, top + margin, margin + tile_size, top + margin + tile_size}, tile_corner,
        colours.first, colours.second, 255);
}

}  // namespace

std::string icon_tiles_name(std::span<const AppIcon> icons)
{
    std::uint64_t hash = 0xCBF29CE484222325ull;
    auto mix = [&hash](std::uint32_t value) { hash = (hash ^ value) * 0x100000001B3ull; };
    mix(static_cast<std::uint32_t>(tile_size));
    mix(static_cast<std::uint32_t>(tile_corner));
    for (const Colours& colours : slots_of(icons)) {
        mix(colours.first);
        mix(colours.second);
    }
    char name[40];
    std::snprintf(name, sizeof name, "icon-tiles-%016llx", static_cast<unsigned long long>(hash));
    return name;
}

void draw_icon_tile(HDC dc, const AppIcon& icon)
{
    auto icons = companions(icon);
    std::vector<Colours> slots = slots_of(icons);
    auto tiles = kept_layer(
        icon_tiles_name(icons), art_width, art_height * static_cast<int>(slots.size()), [&slots](ArgbLayer& layer) {
            for (std::size_t slot = 0; slot < slots.size(); ++slot)
                paint_tile(layer, static_cast<int>(slot), slots[slot]);
        });
    if (!tiles) return;
    int slot = static_cast<int>(std::find(slots.begin(), slots.end(), colours_of(icon)) - slots.begin());
    BLENDFUNCTION blend {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, icon.tile.left - margin, icon.tile.top - margin, art_width, art_height, tiles->dc(), 0,
        slot * art_height, art_width, art_height, blend);
}

void draw_pressed_tile(HDC dc, const AppIcon& icon)
{
    auto shade = kept_layer("pressed-tile", tile_size, tile_size, [](ArgbLayer& layer) {
        layer.fill_rounded(RECT {0, 0, tile_size, tile_size}, tile_corner, RGB(0, 0, 0), RGB(0, 0, 0), 96);
    });
    if (shade) shade->blend_onto(dc, icon.tile.left, icon.tile.top);
}

}  // namespace platform::shell
