// The pictures of the home screen, drawn procedurally into any DC in screen coordinates: the wallpaper, the
// dock panel with the page dots, and the app icons with their labels. Drawing with GDI rather than from
// picture files keeps the shell free of assets and of the imaging layer, and the result is the same at every
// start. The soft shapes, slow to compute, are computed once and kept (art_cache.h).
#pragma once

#include "platform/include/wingdi.h"
#include "platform/shell/shell_layout.h"

namespace platform::shell {

// A dusk sky: a three-stop gradient, a sun glow, a few stars and layered hills.
void draw_wallpaper(HDC dc);

// The translucent panel behind the dock and the page dots above it, the given page's dot lit.
void draw_dock(HDC dc, int page = 0);

// The icon's rounded tile with its glyph, and (when the font is given) its label under it, in the phone's
// language.
void draw_app_icon(HDC dc, const AppIcon& icon, HFONT label_font);

// The darkening laid over a tile while a finger presses it.
void draw_pressed_tile(HDC dc, const AppIcon& icon);

// The font of the icon labels; the caller deletes it.
HFONT create_label_font();

// All of the above: what the home screen shows on the given page.
void draw_home_screen(HDC dc, int page = 0);

// A pen and a brush selected into a DC for the life of the scope; null colours select the null pen or brush.
class DrawingTools {
public:
    DrawingTools(HDC dc, const COLORREF* pen_colour, int pen_width, const COLORREF* brush_colour);
    ~DrawingTools();
    DrawingTools(const DrawingTools&) = delete;
    DrawingTools& operator=(const DrawingTools&) = delete;

private:
    HDC dc_;
    HPEN pen_ = nullptr;
    HBRUSH brush_ = nullptr;
    HGDIOBJ old_pen_ = nullptr;
    HGDIOBJ old_brush_ = nullptr;
};

}  // namespace platform::shell
