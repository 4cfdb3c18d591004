#include "platform/shell/home_picture.h"

#include "platform/shell/art_cache.h"
#include "platform/shell/art_version.h"
#include "platform/shell/home_art.h"
#include "platform/shell/shell_texts.h"

namespace platform::shell {

std::string home_picture_name(int page)
{
    return "home-page" + std::to_string(page) + (shell_speaks_english() ? "-en" : "-zh");
}

std::shared_ptr<const ScreenPicture> home_picture(int page)
{
    return kept_picture(home_picture_name(page), finished_art_version(), screen_width, screen_height,
        [page](ScreenPicture& fresh) { draw_home_screen(fresh.dc(), page); });
}

}  // namespace platform::shell
