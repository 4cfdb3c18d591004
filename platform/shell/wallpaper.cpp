// The home screen's wallpaper and dock.

#include <array>

#include "platform/shell/argb_layer.h"
#include "platform/shell/art_cache.h"
#include "platform/shell/home_art.h"

namespace platform::shell {

namespace {

TRIVERTEX vertex(int x, int y, COLORREF colour)
{
    return TRIVERTEX {x, y, static_cast<COLOR16>(GetRValue(colour) << 8), static_cast<COLOR16>(GetGValue(colour) << 8),
        static_cast<COLOR16>(GetBValue(colour) << 8), 0xFF00};
}

void fill_vertical(HDC dc, int top, int bottom, COLORREF from, COLORREF to)
{
    std::array vertices {vertex(0, top, from), vertex(screen_width, bottom, to)};
    GRADIENT_RECT mesh {0, 1};
    GradientFill(dc, vertices.data(), 2, &mesh, 1, GRADIENT_FILL_RECT_V);
}

void draw_stars(HDC dc)
{
    // Fixed places, so the sky is the same at every start.
    constexpr std::array<POINT, 14> stars {{{34, 70}, {88, 128}, {150, 58}, {212, 104}, {268, 48}, {318, 142},
        {402, 84}, {446, 160}, {60, 212}, {124, 250}, {236, 190}, {372, 226}, {420, 300}, {28, 318}}};
    COLORREF white = RGB(255, 250, 236);
    DrawingTools tools(dc, nullptr, 0, &white);
    for (std::size_t i = 0; i < stars.size(); ++i) {
        int size = i % 3 == 0 ? 4 : 3;
        Ellipse(dc, stars[i].x, stars[i].y, stars[i].x + size, stars[i].y + size);
    }
}

}  // namespace

DrawingTools::DrawingTools(HDC dc, const COLORREF* pen_colour, int pen_width, const COLORREF* brush_colour)
    : dc_(dc)
{
    pen_ = pen_colour ? CreatePen(PS_SOLID, pen_width, *pen_colour) : nullptr;
    brush_ = brush_colour ? CreateSolidBrush(*brush_colour) : nullptr;
    old_pen_ = SelectObject(dc, pen_ ? static_cast<HGDIOBJ>(pen_) : GetStockObject(NULL_PEN));
    old_brush_ = SelectObject(dc, brush_ ? static_cast<HGDIOBJ>(brush_) : GetStockObject(NULL_BRUSH));
}

DrawingTools::~DrawingTools()
{
    if (old_pen_) SelectObject(dc_, old_pen_);
    if (old_brush_) SelectObject(dc_, old_brush_);
    if (pen_) DeleteObject(pen_);
    if (brush_) DeleteObject(brush_);
}

void draw_wallpaper(HDC dc)
{
    constexpr int horizon = 430;
    fill_vertical(dc, 0, horizon, RGB(18, 24, 66), RGB(122, 70, 140));
    fill_vertical(dc, horizon, screen_height, RGB(122, 70, 140), RGB(246, 146, 112));
    draw_stars(dc);

    // The sun and the hills are computed pixel by pixel in floating point: once, then kept.
    auto hills = kept_layer("wallpaper", screen_width, screen_height, [](ArgbLayer& layer) {
        layer.fill_glow(330, 470, 260, RGB(255, 190, 120), 150);
        layer.fill_glow(330, 470, 70, RGB(255, 236, 190), 230);
        layer.fill_rounded(RECT {300, 440, 360, 500}, 30, RGB(255, 240, 206), RGB(255, 204, 150), 235);
        layer.fill_below_wave(470, 26.0, 0.013, 0.6, RGB(96, 52, 120), 200);
        layer.fill_below_wave(520, 20.0, 0.019, 2.4, RGB(64, 34, 92), 225);
        layer.fill_below_wave(585, 16.0, 0.027, 4.1, RGB(36, 20, 58), 240);
    });
    if (hills) hills->blend_onto(dc, 0, 0);
}

void draw_dock(HDC dc, int page)
{
    RECT panel = dock_panel();
    auto back = kept_layer("dock", panel.right - panel.left, panel.bottom - panel.top, [](ArgbLayer& layer) {
        layer.fill_rounded(RECT {0, 0, layer.width(), layer.height()}, 28, RGB(255, 255, 255), RGB(220, 226, 255), 64);
    });
    if (back) back->blend_onto(dc, panel.left, panel.top);

    // One dot a page, the one showing lit.
    POINT centre = page_dots_centre();
    for (int i = 0; i < home_page_count; ++i) {
        COLORREF colour = i == page ? RGB(255, 255, 255) : RGB(150, 150, 176);
        DrawingTools tools(dc, nullptr, 0, &colour);
        int x = centre.x + (2 * i - (home_page_count - 1)) * 8;
        Ellipse(dc, x - 4, centre.y - 4, x + 4, centre.y + 4);
    }
}

void draw_home_screen(HDC dc, int page)
{
    draw_wallpaper(dc);
    draw_dock(dc, page);
    HFONT font = create_label_font();
    for (const AppIcon& icon : page_icons(page)) draw_app_icon(dc, icon, font);
    if (font) DeleteObject(font);
}

}  // namespace platform::shell
