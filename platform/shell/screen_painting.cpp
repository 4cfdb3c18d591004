// The pictures of the shell's screens, drawn with the home screen's tools: gradients, antialiased panels and
// round buttons on an alpha layer, and text in the phone's face.

#include "platform/shell/screen_painting.h"

#include <array>

#include "platform/include/wintext.h"
#include "platform/shell/argb_layer.h"
#include "platform/shell/home_art.h"
#include "platform/shell/shell_clock.h"
#include "platform/shell/shell_texts.h"

namespace platform::shell {

namespace {

constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF soft_white = RGB(206, 210, 222);
constexpr COLORREF green = RGB(52, 199, 89);
constexpr COLORREF red = RGB(235, 64, 52);
constexpr COLORREF ink = RGB(28, 30, 40);
constexpr COLORREF grey_ink = RGB(104, 108, 122);

// Rectangles below are in screen coordinates; the DC's origin is the screen's top-left corner.
RECT local(const RECT& rect, const RECT& area)
{
    RECT moved = rect;
    OffsetRect(&moved, -area.left, -area.top);
    return moved;
}

void fill_vertical(HDC dc, const RECT& rect, COLORREF from, COLORREF to)
{
    auto vertex = [](LONG x, LONG y, COLORREF colour) {
        return TRIVERTEX {x, y, static_cast<COLOR16>(GetRValue(colour) << 8),
            static_cast<COLOR16>(GetGValue(colour) << 8), static_cast<COLOR16>(GetBValue(colour) << 8), 0xFF00};
    };
    std::array vertices {vertex(rect.left, rect.top, from), vertex(rect.right, rect.bottom, to)};
    GRADIENT_RECT mesh {0, 1};
    GradientFill(dc, vertices.data(), 2, &mesh, 1, GRADIENT_FILL_RECT_V);
}

void fill_solid(HDC dc, const RECT& rect, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void write(HDC dc, const char16_t* text, RECT area, int height, int weight, COLORREF colour, UINT format = DT_CENTER)
{
    LOGFONTW description {};
    description.lfHeight = -height;
    description.lfWeight = weight;
    description.lfQuality = ANTIALIASED_QUALITY;
    HFONT font = CreateFontIndirectW(&description);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextW(dc, text, -1, &area, format | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    if (old) SelectObject(dc, old);
    if (font) DeleteObject(font);
}

// A shape on an alpha layer the size of rect, laid over the DC at rect.
void rounded(HDC dc, const RECT& rect, int radius, COLORREF top, COLORREF bottom, int opacity)
{
    ArgbLayer layer(rect.right - rect.left, rect.bottom - rect.top);
    layer.fill_rounded(RECT {0, 0, layer.width(), layer.height()}, radius, top, bottom, opacity);
    layer.blend_onto(dc, rect.left, rect.top);
}

// A round call button with its label beneath.
void call_button(HDC dc, const RECT& button, COLORREF colour, const char16_t* label, bool receiver_up)
{
    rounded(dc, button, (button.right - button.left) / 2, colour, colour, 255);
    // A handset: two ear pieces joined by a bar, tilted up to answer, down to end.
    int cx = (button.left + button.right) / 2;
    int cy = (button.top + button.bottom) / 2;
    int lift = receiver_up ? -8 : 8;
    COLORREF handset = white;
    {
        DrawingTools tools(dc, &handset, 9, nullptr);
        MoveToEx(dc, cx - 16, cy - lift / 2, nullptr);
        LineTo(dc, cx + 16, cy + lift / 2);
    }
    DrawingTools tools(dc, nullptr, 0, &handset);
    Ellipse(dc, cx - 24, cy - lift / 2 - 7, cx - 10, cy - lift / 2 + 7);
    Ellipse(dc, cx + 10, cy + lift / 2 - 7, cx + 24, cy + lift / 2 + 7);
    RECT text {button.left - 30, button.bottom + 6, button.right + 30, button.bottom + 34};
    write(dc, label, text, 18, FW_NORMAL, white);
}

void paint_call(HDC dc, const RECT& area, bool answered)
{
    RECT all {0, 0, area.right - area.left, area.bottom - area.top};
    fill_vertical(dc, all, RGB(24, 44, 70), RGB(8, 12, 22));
    // The caller's picture: a ring with a head and shoulders.
    rounded(dc, local(RECT {180, 150, 300, 270}, area), 60, RGB(92, 128, 170), RGB(60, 86, 124), 255);
    rounded(dc, local(RECT {218, 170, 262, 214}, area), 22, soft_white, soft_white, 255);
    rounded(dc, local(RECT {200, 220, 280, 262}, area), 20, soft_white, soft_white, 255);
    write(dc, shell_text(answered ? ShellText::in_call : ShellText::incoming_call), local(RECT {0, 90, 480, 126}, area),
        20, FW_NORMAL, soft_white);
    write(dc, shell_text(ShellText::caller_name), local(RECT {0, 290, 480, 340}, area), 36, FW_BOLD, white);
    write(dc, shell_text(ShellText::caller_number), local(RECT {0, 344, 480, 376}, area), 22, FW_NORMAL, soft_white);
    if (answered) {
        call_button(dc, local(hang_up_button(), area), red, shell_text(ShellText::hang_up), false);
        return;
    }
    call_button(dc, local(decline_button(), area), red, shell_text(ShellText::decline), false);
    call_button(dc, local(answer_button(), area), green, shell_text(ShellText::answer), true);
}

// What shows around a panel's rounded corners.
void fill_backdrop(HDC dc, const RECT& all, HDC backdrop)
{
    if (backdrop)
        BitBlt(dc, 0, 0, all.right, all.bottom, backdrop, 0, 0, SRCCOPY);
    else
        fill_solid(dc, all, RGB(20, 22, 30));
}

void paint_banner(HDC dc, const RECT& area, HDC backdrop)
{
    RECT all {0, 0, area.right - area.left, area.bottom - area.top};
    fill_backdrop(dc, all, backdrop);
    rounded(dc, all, 18, RGB(250, 250, 252), RGB(228, 230, 238), 255);
    // The messages app's badge.
    rounded(dc, RECT {14, 18, 78, 82}, 16, RGB(120, 236, 130), RGB(30, 168, 88), 255);
    rounded(dc, RECT {24, 32, 68, 62}, 15, white, white, 255);
    int right = all.right - 14;
    std::u16string title = shell_text(ShellText::new_message);
    title += u" · ";
    title += shell_text(ShellText::message_sender);
    write(dc, title.c_str(), RECT {92, 16, right, 46}, 19, FW_BOLD, ink, DT_LEFT);
    write(dc, shell_text(ShellText::message_body), RECT {92, 50, right, 82}, 17, FW_NORMAL, grey_ink, DT_LEFT);
}

void paint_disk_mode(HDC dc, const RECT& area)
{
    RECT all {0, 0, area.right - area.left, area.bottom - area.top};
    fill_vertical(dc, all, RGB(20, 86, 170), RGB(10, 40, 96));
    // The USB trident: a stem with a round foot and two arms.
    COLORREF glyph = white;
    {
        DrawingTools tools(dc, &glyph, 8, nullptr);
        MoveToEx(dc, 240, 150, nullptr);
        LineTo(dc, 240, 300);
        MoveToEx(dc, 240, 270, nullptr);
        LineTo(dc, 200, 230);
        LineTo(dc, 200, 200);
        MoveToEx(dc, 240, 250, nullptr);
        LineTo(dc, 282, 214);
        LineTo(dc, 282, 190);
    }
    rounded(dc, RECT {222, 292, 258, 328}, 18, white, white, 255);
    rounded(dc, RECT {188, 186, 212, 210}, 12, white, white, 255);
    rounded(dc, RECT {270, 172, 294, 196}, 4, white, white, 255);
    rounded(dc, RECT {226, 126, 254, 154}, 4, white, white, 255);
    write(dc, shell_text(ShellText::disk_mode_title), RECT {0, 370, 480, 420}, 34, FW_BOLD, white);
    write(dc, shell_text(ShellText::disk_mode_detail), RECT {20, 430, 460, 462}, 20, FW_NORMAL, soft_white);
    write(dc, shell_text(ShellText::disk_mode_hint), RECT {20, 560, 460, 592}, 18, FW_NORMAL, soft_white);
}

void paint_lock(HDC dc)
{
    RECT all {0, 0, screen_width, screen_height};
    fill_vertical(dc, all, RGB(10, 14, 36), RGB(58, 34, 84));
    write(dc, clock_text(minute_of_day()).c_str(), RECT {0, 150, 480, 250}, 84, FW_BOLD, white);
    // A padlock above the hint: the shackle, then the body over its lower half.
    COLORREF shackle = white;
    {
        DrawingTools tools(dc, &shackle, 4, nullptr);
        RoundRect(dc, 229, 540, 251, 580, 22, 22);
    }
    rounded(dc, RECT {222, 560, 258, 590}, 6, white, white, 255);
    write(dc, shell_text(ShellText::swipe_to_unlock), RECT {0, 604, 480, 640}, 22, FW_NORMAL, soft_white);
}

void paint_card_back(HDC dc, const RECT& area, HDC backdrop)
{
    RECT all {0, 0, area.right - area.left, area.bottom - area.top};
    fill_backdrop(dc, all, backdrop);
    rounded(dc, all, 24, RGB(252, 252, 254), RGB(236, 238, 244), 255);
}

void paint_shutdown(HDC dc, const RECT& area, HDC backdrop)
{
    paint_card_back(dc, area, backdrop);
    write(dc, shell_text(ShellText::shutdown_title), local(RECT {60, 280, 420, 320}, area), 26, FW_BOLD, ink);
    write(dc, shell_text(ShellText::shutdown_question), local(RECT {60, 338, 420, 376}, area), 20, FW_NORMAL, grey_ink);
    RECT cancel = local(cancel_button(), area);
    rounded(dc, cancel, 14, RGB(226, 228, 236), RGB(212, 214, 224), 255);
    write(dc, shell_text(ShellText::cancel), cancel, 20, FW_NORMAL, ink);
    RECT off = local(power_off_button(), area);
    rounded(dc, off, 14, red, RGB(210, 44, 36), 255);
    write(dc, shell_text(ShellText::power_off), off, 20, FW_BOLD, white);
}

void paint_placeholder(HDC dc, const RECT& area, const AppIcon* icon, HDC backdrop)
{
    paint_card_back(dc, area, backdrop);
    if (icon && icon->label) {
        AppIcon shown = *icon;
        int left = (area.right - area.left - tile_size) / 2;
        shown.tile = RECT {left, 26, left + tile_size, 26 + tile_size};
        draw_app_icon(dc, shown, nullptr);
        write(dc, icon_label(*icon), RECT {0, 108, area.right - area.left, 144}, 26, FW_BOLD, ink);
    }
    write(dc, shell_text(ShellText::placeholder_detail), RECT {10, 150, area.right - area.left - 10, 180}, 18,
        FW_NORMAL, grey_ink);
    write(dc, shell_text(ShellText::placeholder_back), RECT {0, 196, area.right - area.left, 226}, 20, FW_BOLD,
        RGB(40, 110, 230));
}

}  // namespace

void paint_screen(HDC dc, const ScreenLook& look)
{
    RECT area = screen_area(look.kind);
    switch (look.kind) {
    case ScreenKind::incoming_call:
        paint_call(dc, area, look.call_answered);
        return;
    case ScreenKind::sms_banner:
        paint_banner(dc, area, look.backdrop);
        return;
    case ScreenKind::disk_mode:
        paint_disk_mode(dc, area);
        return;
    case ScreenKind::lock:
        paint_lock(dc);
        return;
    case ScreenKind::shutdown_question:
        paint_shutdown(dc, area, look.backdrop);
        return;
    case ScreenKind::placeholder:
        paint_placeholder(dc, area, look.icon, look.backdrop);
        return;
    }
}

}  // namespace platform::shell
