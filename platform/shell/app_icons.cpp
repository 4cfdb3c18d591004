// The app icons: a rounded tile in the app's colours, a white glyph built from GDI shapes, and the label.

#include <array>
#include <cmath>

#include "platform/include/wintext.h"
#include "platform/shell/home_art.h"
#include "platform/shell/icon_tiles.h"
#include "platform/shell/shell_texts.h"

namespace platform::shell {

namespace {

constexpr COLORREF white = RGB(255, 255, 255);

// Glyphs are drawn on a 72 x 72 tile; (x, y) are offsets from its top-left corner.
class GlyphPen {
public:
    GlyphPen(HDC dc, const RECT& tile)
        : dc_(dc)
        , left_(tile.left)
        , top_(tile.top)
    {
    }

    void ellipse(int x1, int y1, int x2, int y2, COLORREF fill) const
    {
        DrawingTools tools(dc_, nullptr, 0, &fill);
        Ellipse(dc_, left_ + x1, top_ + y1, left_ + x2, top_ + y2);
    }
    void ring(int x1, int y1, int x2, int y2, COLORREF colour, int width) const
    {
        DrawingTools tools(dc_, &colour, width, nullptr);
        Ellipse(dc_, left_ + x1, top_ + y1, left_ + x2, top_ + y2);
    }
    void box(int x1, int y1, int x2, int y2, int corner, COLORREF fill) const
    {
        DrawingTools tools(dc_, nullptr, 0, &fill);
        RoundRect(dc_, left_ + x1, top_ + y1, left_ + x2, top_ + y2, corner, corner);
    }
    void frame(int x1, int y1, int x2, int y2, int corner, COLORREF colour, int width) const
    {
        DrawingTools tools(dc_, &colour, width, nullptr);
        RoundRect(dc_, left_ + x1, top_ + y1, left_ + x2, top_ + y2, corner, corner);
    }
    void line(int x1, int y1, int x2, int y2, COLORREF colour, int width) const
    {
        DrawingTools tools(dc_, &colour, width, nullptr);
        MoveToEx(dc_, left_ + x1, top_ + y1, nullptr);
        LineTo(dc_, left_ + x2, top_ + y2);
    }
    void text(const char16_t* string, int x1, int y1, int x2, int y2, int height, COLORREF colour) const
    {
        LOGFONTW description {};
        description.lfHeight = -height;
        description.lfWeight = FW_BOLD;
        description.lfQuality = ANTIALIASED_QUALITY;
        HFONT font = CreateFontIndirectW(&description);
        HGDIOBJ old = font ? SelectObject(dc_, font) : nullptr;
        SetBkMode(dc_, TRANSPARENT);
        SetTextColor(dc_, colour);
        RECT area {left_ + x1, top_ + y1, left_ + x2, top_ + y2};
        DrawTextW(dc_, string, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
        if (old) SelectObject(dc_, old);
        if (font) DeleteObject(font);
    }

private:
    HDC dc_;
    int left_;
    int top_;
};

void draw_glyph(const GlyphPen& pen, const AppIcon& icon)
{
    COLORREF back = icon.bottom;
    switch (icon.glyph) {
    case Glyph::camera:
        pen.box(14, 24, 58, 54, 10, white);
        pen.box(26, 18, 44, 28, 4, white);
        pen.ellipse(26, 28, 46, 48, RGB(48, 52, 62));
        pen.ellipse(31, 33, 41, 43, RGB(120, 150, 200));
        break;
    case Glyph::photos: {
        constexpr std::array<COLORREF, 4> petals {
            RGB(255, 236, 150), RGB(255, 255, 255), RGB(255, 210, 230), RGB(200, 240, 255)};
        for (int i = 0; i < 4; ++i) {
            int dx = (i % 2) * 20;
            int dy = (i / 2) * 20;
            pen.ellipse(16 + dx, 16 + dy, 36 + dx, 36 + dy, petals[static_cast<std::size_t>(i)]);
        }
        pen.ellipse(28, 28, 44, 44, RGB(255, 255, 255));
        break;
    }
    case Glyph::calendar:
        pen.text(shell_text(ShellText::weekday), 0, 8, 72, 24, 12, RGB(230, 60, 60));
        pen.text(u"18", 0, 22, 72, 62, 32, RGB(30, 30, 36));
        break;
    case Glyph::clock:
        pen.ellipse(12, 12, 60, 60, white);
        for (int hour = 0; hour < 12; hour += 3) {
            double angle = hour * 3.14159265 / 6;
            int x = 36 + static_cast<int>(std::lround(std::sin(angle) * 19));
            int y = 36 - static_cast<int>(std::lround(std::cos(angle) * 19));
            pen.ellipse(x - 2, y - 2, x + 2, y + 2, RGB(40, 40, 48));
        }
        pen.line(36, 36, 36, 22, RGB(30, 30, 36), 3);
        pen.line(36, 36, 46, 42, RGB(30, 30, 36), 3);
        pen.line(36, 36, 27, 50, RGB(240, 90, 40), 1);
        break;
    case Glyph::weather:
        pen.ellipse(30, 14, 56, 40, RGB(255, 214, 64));
        pen.ellipse(14, 34, 36, 56, white);
        pen.ellipse(26, 26, 52, 52, white);
        pen.ellipse(40, 36, 60, 56, white);
        pen.box(22, 44, 52, 57, 4, white);
        break;
    case Glyph::files:
        pen.box(12, 20, 36, 32, 6, RGB(230, 244, 255));
        pen.box(12, 26, 60, 56, 8, white);
        pen.line(20, 40, 52, 40, RGB(120, 180, 240), 2);
        break;
    case Glyph::calculator:
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column) {
                int x = 16 + column * 14;
                int y = 16 + row * 14;
                pen.box(x, y, x + 11, y + 11, 4, row == 0 && column == 2 ? RGB(90, 40, 0) : white);
            }
        pen.box(16, 58 - 2, 55, 60, 2, white);
        break;
    case Glyph::settings:
        for (int tooth = 0; tooth < 8; ++tooth) {
            double angle = tooth * 3.14159265 / 4;
            int x = 36 + static_cast<int>(std::lround(std::cos(angle) * 22));
            int y = 36 + static_cast<int>(std::lround(std::sin(angle) * 22));
            pen.line(36, 36, x, y, white, 9);
        }
        pen.ellipse(18, 18, 54, 54, white);
        pen.ellipse(28, 28, 44, 44, back);
        break;
    case Glyph::shaver:
        pen.box(24, 12, 48, 26, 8, RGB(235, 250, 250));
        for (int slot = 0; slot < 4; ++slot) pen.line(28 + slot * 5, 15, 28 + slot * 5, 23, RGB(30, 100, 110), 1);
        pen.box(27, 26, 45, 62, 10, white);
        pen.ellipse(32, 40, 40, 48, RGB(16, 128, 148));
        break;
    case Glyph::phone:
        pen.box(16, 18, 30, 32, 8, white);
        pen.box(42, 40, 56, 54, 8, white);
        pen.line(22, 28, 46, 48, white, 9);
        break;
    case Glyph::messages:
        pen.box(12, 16, 60, 50, 26, white);
        pen.line(22, 46, 16, 58, white, 6);
        for (int dot = 0; dot < 3; ++dot) pen.ellipse(24 + dot * 10, 30, 30 + dot * 10, 36, back);
        break;
    case Glyph::browser:
        pen.ring(14, 14, 58, 58, white, 4);
        pen.ring(26, 14, 46, 58, white, 3);
        pen.line(15, 36, 57, 36, white, 3);
        pen.line(19, 24, 53, 24, white, 2);
        pen.line(19, 48, 53, 48, white, 2);
        break;
    case Glyph::music:
        pen.ellipse(16, 42, 32, 56, white);
        pen.ellipse(40, 36, 56, 50, white);
        pen.line(30, 48, 30, 18, white, 4);
        pen.line(54, 42, 54, 12, white, 4);
        pen.line(30, 19, 54, 13, white, 6);
        break;
    case Glyph::contacts:
        pen.ellipse(26, 14, 46, 34, white);
        pen.box(16, 38, 56, 60, 18, white);
        break;
    case Glyph::video:
        pen.box(12, 20, 46, 52, 8, white);
        pen.line(48, 36, 58, 26, white, 6);
        pen.line(48, 36, 58, 46, white, 6);
        pen.line(58, 26, 58, 46, white, 5);
        break;
    case Glyph::maps:
        pen.box(14, 14, 58, 58, 8, RGB(230, 250, 236));
        pen.line(14, 44, 58, 24, RGB(255, 210, 80), 6);
        pen.ellipse(30, 18, 46, 34, RGB(230, 60, 60));
        pen.line(38, 32, 38, 42, RGB(230, 60, 60), 3);
        break;
    case Glyph::notes:
        pen.box(16, 12, 56, 60, 6, white);
        for (int row = 0; row < 4; ++row) pen.line(22, 24 + row * 9, 50, 24 + row * 9, RGB(200, 170, 60), 2);
        break;
    case Glyph::recorder:
        pen.box(28, 12, 44, 42, 16, white);
        pen.line(20, 34, 20, 38, white, 3);
        pen.line(52, 34, 52, 38, white, 3);
        pen.line(36, 48, 36, 58, white, 3);
        pen.line(26, 58, 46, 58, white, 3);
        break;
    case Glyph::games:
        pen.box(10, 24, 62, 50, 20, white);
        pen.line(22, 37, 32, 37, back, 3);
        pen.line(27, 32, 27, 42, back, 3);
        pen.ellipse(44, 30, 50, 36, back);
        pen.ellipse(50, 38, 56, 44, back);
        break;
    case Glyph::compass:
        pen.ring(12, 12, 60, 60, white, 3);
        pen.line(36, 36, 46, 20, RGB(240, 70, 60), 6);
        pen.line(36, 36, 26, 52, white, 6);
        pen.ellipse(33, 33, 39, 39, white);
        break;
    }
}

}  // namespace

HFONT create_label_font()
{
    LOGFONTW description {};
    description.lfHeight = -15;
    description.lfWeight = FW_NORMAL;
    description.lfQuality = ANTIALIASED_QUALITY;
    return CreateFontIndirectW(&description);
}

void draw_app_icon(HDC dc, const AppIcon& icon, HFONT label_font)
{
    draw_icon_tile(dc, icon);
    draw_glyph(GlyphPen(dc, icon.tile), icon);

    if (!label_font) return;
    HGDIOBJ old = SelectObject(dc, label_font);
    SetBkMode(dc, TRANSPARENT);
    RECT area = icon.label_area;
    UINT format = DT_CENTER | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;
    RECT shadow_area = area;
    OffsetRect(&shadow_area, 1, 1);
    SetTextColor(dc, RGB(20, 16, 40));
    const char16_t* label = icon_label(icon);
    DrawTextW(dc, label, -1, &shadow_area, format);
    SetTextColor(dc, white);
    DrawTextW(dc, label, -1, &area, format);
    SelectObject(dc, old);
}

}  // namespace platform::shell
