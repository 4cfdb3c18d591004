// The home screen's finished picture of a page: wallpaper, dock, tiles, glyphs and labels. Drawing it takes
// the soft shapes, the GDI's shapes and blends, and the text of the labels; a start instead copies the picture
// kept from an earlier one (art_cache.h), drawn anew whenever anything it depends on differs.
#pragma once

#include <string>

#include "platform/include/wingdi.h"

namespace platform::shell {

// The name a page's picture is kept under, which changes with the page and the phone's language, and its
// version, which changes with the font files the texts come from and the code that draws any of it.
std::string home_picture_name(int page);
std::string home_picture_version();

// What draw_home_screen draws, from the kept picture when there is one.
void draw_kept_home_screen(HDC dc, int page);

}  // namespace platform::shell
