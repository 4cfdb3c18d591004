// The graphics gallery: every themed element type in both states and every
// rounded panel on one headless screen, for a person to check at a glance,
// then the fifteen window transitions played full screen and recorded.
//
//   graphics_gallery --screenshot FILE [--reference FILE] [--record DIR]
//
// --reference compares the screenshot with a reference picture (each channel
// within a tolerance); on a difference it writes FILE-diff.png beside the
// screenshot (differing pixels red, the rest faded to a third, as the host's
// scenario checks show them) and exits with 1. The reference is written instead only when
// VELMOR_UPDATE_REFERENCES=1 is set. --record writes every change the
// transitions make to the screen as DIR/tNN-FFFF.png.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include <windows.h>

#include <objbase.h>

#include "ovfc/graphics/ov_element.h"
#include "ovfc/graphics/ov_shapes.h"
#include "ovfc/graphics/ov_transition.h"
#include "platform/gdi/screen.h"
#include "platform/host/png_image.h"
#include "tests/ovfc/phone_session.h"
#include "tests/support/temp_folder.h"

namespace {

using platform::host::Image;

constexpr int kWidth = platform::gdi::Screen::width;
constexpr int kHeight = platform::gdi::Screen::height;
constexpr int kTolerance = 8;

bool write_picture(const std::filesystem::path& file, const Image& picture)
{
    auto written = platform::host::write_png(file, picture);
    if (written) return true;
    std::fprintf(stderr, "%s\n", written.failure().text().c_str());
    return false;
}

void label(HDC hdc, int x, int y, int width, int height, const char* text)
{
    std::u16string wide(text, text + std::char_traits<char>::length(text));
    RECT rc {x, y, x + width, y + height};
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, 0x303030);
    DrawTextW(hdc, wide.c_str(), -1, &rc, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

void fill(HDC hdc, const RECT& rc, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(hdc, &rc, brush);
    DeleteObject(brush);
}

// Draws one element clipped to its cell, so a picture larger than the cell
// does not cover its neighbours.
void draw_cell(HDC hdc, const RECT& cell, int type, int state)
{
    int saved = SaveDC(hdc);
    IntersectClipRect(hdc, cell.left, cell.top, cell.right, cell.bottom + 1);
    OvDrawElement(hdc, &cell, type, state, 0);
    RestoreDC(hdc, saved);
}

// One row per type: the label, then the element in state 0 and in state 1.
void draw_two_states(HDC hdc, int type, int y, int height, int inset = 0)
{
    label(hdc, 4, y, 40, height, std::to_string(type).c_str());
    draw_cell(hdc, RECT {44 + inset, y, 258 - inset, y + height}, type, 0);
    draw_cell(hdc, RECT {262 + inset, y, 476 - inset, y + height}, type, 1);
}

void draw_gallery(HDC hdc)
{
    LOGFONTW font {};
    font.lfHeight = 13;
    font.lfWeight = FW_NORMAL;
    HFONT hFont = CreateFontIndirectW(&font);
    HGDIOBJ old_font = SelectObject(hdc, hFont);
    fill(hdc, RECT {0, 0, kWidth, kHeight}, 0xE8E8E8);

    // Bars.
    int y = 0;
    for (int type : {1, 2, 5, 6, 7, 8, 9, 10}) {
        draw_two_states(hdc, type, y, 44);
        y += 44;
    }
    // Pictures, with both states where the type has two.
    struct Cell {
        int type;
        int state;
    };
    const Cell cells[] = {{11, 0}, {11, 1}, {12, 0}, {12, 1}, {265, 0}, {265, 1}, {513, 0}, {514, 0}, {515, 0},
        {516, 0}, {517, 0}, {518, 0}, {519, 0}, {520, 0}, {521, 0}, {522, 0}, {523, 0}, {524, 0}};
    y += 2;
    for (std::size_t i = 0; i < std::size(cells); ++i) {
        int x = static_cast<int>(i % 9) * 53;
        int cell_y = y + static_cast<int>(i / 9) * 44;
        draw_cell(hdc, RECT {x + 2, cell_y, x + 51, cell_y + 30}, cells[i].type, cells[i].state);
        std::string text = std::to_string(cells[i].type) + (cells[i].state ? "/1" : "");
        label(hdc, x + 4, cell_y + 30, 49, 13, text.c_str());
    }
    y += 2 * 44 + 2;
    // List groups: a round panel, a top and a bottom piece that read as one
    // group, a square row and a plain fill.
    draw_two_states(hdc, 256, y, 36, 8);
    y += 40;
    draw_two_states(hdc, 257, y, 30, 8);
    y += 30;
    draw_two_states(hdc, 258, y, 30, 8);
    y += 34;
    draw_two_states(hdc, 259, y, 30, 8);
    y += 34;
    draw_two_states(hdc, 260, y, 30, 8);
    y += 36;
    // List rows.
    for (int type : {261, 262, 263, 264, 266}) {
        RECT band {44, y, 476, y + 18};
        fill(hdc, band, 0xFFFFFF);
        draw_two_states(hdc, type, y, 18);
        y += 20;
    }
    SelectObject(hdc, old_font);
    DeleteObject(hFont);
}

// The picture the transitions go to: a full-screen gradient with a frame.
void draw_destination(HDC hdc)
{
    RECT all {0, 0, kWidth, kHeight};
    OvGradientFill(hdc, &all, 0x503010, 0xD0A060, OVGRADIENT_VERTICAL);
    RECT panel {60, 200, 420, 520};
    OvDrawRoundPanel(hdc, &panel, 40, 0xF0F0F0, 0xB0B0B0);
}

HBITMAP capture(HDC screen)
{
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, kWidth, kHeight, screen, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

// Plays every transition from the gallery to the destination picture,
// writing each change of the screen when a folder is given.
bool record_transitions(HDC screen, const std::optional<std::filesystem::path>& folder)
{
    HBITMAP from = capture(screen);
    draw_destination(screen);
    HBITMAP to = capture(screen);
    bool ok = true;
    for (int anim = 1; anim <= OV_TRANSITION_COUNT; ++anim) {
        BitBlt(screen, 0, 0, kWidth, kHeight, nullptr, 0, 0, BLACKNESS);
        int frame = 0;
        platform::gdi::screen().set_changed_hook([&](const RECT&) {
            ++frame;
            if (!folder) return;
            char name[32];
            std::snprintf(name, sizeof name, "t%02d-%04d.png", anim, frame);
            ok = write_picture(*folder / name, ovfc_test::PhoneSession::screen_image()) && ok;
        });
        RECT all {0, 0, kWidth, kHeight};
        OvDrawTransition(from, to, screen, &all, anim, 24);
        platform::gdi::screen().set_changed_hook(nullptr);
        std::printf("transition %d: %d screen changes\n", anim, frame);
    }
    DeleteObject(from);
    DeleteObject(to);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    std::optional<std::filesystem::path> screenshot, reference, record;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        if (option == "--screenshot")
            screenshot = argv[i + 1];
        else if (option == "--reference")
            reference = argv[i + 1];
        else if (option == "--record")
            record = argv[i + 1];
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    if (!screenshot || argc % 2 == 0) {
        std::fprintf(stderr, "usage: graphics_gallery --screenshot FILE [--reference FILE] [--record DIR]\n");
        return 2;
    }

    velmor_test::TempFolder root("velmor-gallery");
    if (!root.made()) {
        std::fprintf(stderr, "no temporary folder for the phone\n");
        return 1;
    }
    // The platform pictures the build packs.
    std::filesystem::path built = std::filesystem::path(VELMOR_BUILT_DEVICE_ROOT) / "Windows";
    std::error_code error;
    std::filesystem::create_directories(root / "Windows");
    std::filesystem::copy(built, root / "Windows",
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing, error);
    if (error) std::fprintf(stderr, "no platform pictures from %s: %s\n", built.c_str(), error.message().c_str());

    ovfc_test::PhoneSession phone;
    if (!phone.start(root.path())) {
        std::fprintf(stderr, "the phone did not start in %s\n", root.path().c_str());
        return 1;
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HDC screen = GetDC(nullptr);
    draw_gallery(screen);
    Image shot = ovfc_test::PhoneSession::screen_image();
    int result = write_picture(*screenshot, shot) ? 0 : 1;
    if (reference) {
        ovfc_test::ScreenCheck check = ovfc_test::expect_picture(shot, *reference, kTolerance, *screenshot);
        if (!check) result = 1;
        if (!check.message.empty()) std::fprintf(check ? stdout : stderr, "%s\n", check.message.c_str());
    }
    if (record) {
        std::filesystem::remove_all(*record, error);
        std::filesystem::create_directories(*record, error);
    }
    if (!record_transitions(screen, record)) {
        std::fprintf(stderr, "cannot write the recording into %s\n", record->c_str());
        result = 1;
    }
    ReleaseDC(nullptr, screen);
    CoUninitialize();
    phone.stop();
    return result;
}
