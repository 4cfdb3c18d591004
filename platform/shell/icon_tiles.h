// The icons' tiles: a rounded square in the app's two colours over a faint shadow, the same shape for every
// app. Their soft edges are computed per pixel, so the tiles of a page are painted once onto one tall layer, a
// slot per pair of colours, and kept (art_cache.h): a start then lays finished tiles instead of computing them.
#pragma once

#include <span>
#include <string>

#include "platform/include/wingdi.h"
#include "platform/shell/shell_layout.h"

namespace platform::shell {

// The name the tiles of these icons are kept under; it changes with their colours and with the tiles' shape.
std::string icon_tiles_name(std::span<const AppIcon> icons);

// Lays the icon's tile with its shadow over the DC at the icon's place.
void draw_icon_tile(HDC dc, const AppIcon& icon);

}  // namespace platform::shell
