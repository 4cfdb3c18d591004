// The home screen's finished picture of a page: wallpaper, dock, tiles, glyphs and labels. Drawing it takes
// the soft shapes, the GDI's shapes and blends, and the text of the labels; a start instead copies the picture
// kept from an earlier one (art_cache.h), drawn anew whenever anything it depends on differs.
#pragma once

#include <memory>
#include <string>

#include "platform/shell/screen_picture.h"

namespace platform::shell {

// The name a page's picture is kept under: it changes with the page and the phone's language (its version,
// art_version.h, with everything else it depends on).
std::string home_picture_name(int page);

// The page as draw_home_screen draws it, kept (shared, not to be drawn on); null when it cannot be made.
std::shared_ptr<const ScreenPicture> home_picture(int page);

}  // namespace platform::shell
