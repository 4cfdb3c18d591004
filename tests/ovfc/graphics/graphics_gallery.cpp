// The graphics gallery: every themed element type in both states and every
// rounded panel on one headless screen, for a person to check at a glance,
// then the fifteen window transitions played full screen and recorded.
//
//   graphics_gallery --screenshot FILE [--reference FILE] [--record DIR]
//
// --reference compares the screenshot with a reference picture (each channel
// within a tolerance); on a difference it writes FILE-diff.png beside the
// screenshot and exits with 1. The reference is written instead only when
// VELMOR_UPDATE_REFERENCES=1 is set. --record writes every change the
// transitions make to the screen as DIR/tNN-FFFF.png.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include <objbase.h>

#include "ovfc/graphics/ov_element.h"
#include "ovfc/graphics/ov_shapes.h"
#include "ovfc/graphics/ov_transition.h"
#include "platform/gdi/screen.h"
#include "tests/ovfc/phone_session.h"

namespace {

constexpr int kWidth = platform::gdi::Screen::width;
constexpr int kHeight = platform::gdi::Screen::height;
constexpr int kTolerance = 8;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
};

bool write_png(const std::filesystem::path& file, const Picture& picture)
{
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return false;
    }
    png_init_io(png, out);
    png_set_compression_level(png, 1);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<std::size_t>(picture.width) * 3);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            std::uint32_t p = picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
            row[3 * x] = static_cast<png_byte>(p >> 16);
            row[3 * x + 1] = static_cast<png_byte>(p >> 8);
            row[3 * x + 2] = static_cast<png_byte>(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0;
}

std::optional<Picture> read_png(const std::filesystem::path& file)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) return std::nullopt;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return std::nullopt;
    Picture picture {static_cast<int>(image.width), static_cast<int>(image.height), {}};
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = std::uint32_t(bytes[3 * i]) << 16 | std::uint32_t(bytes[3 * i + 1]) << 8 | bytes[3 * i + 2];
    return picture;
}

Picture screen_picture() { return Picture {kWidth, kHeight, platform::gdi::screen().read_xrgb()}; }

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
            ok = write_png(*folder / name, screen_picture()) && ok;
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

int compare(const Picture& actual, const std::filesystem::path& reference, const std::filesystem::path& screenshot)
{
    const char* update = std::getenv("VELMOR_UPDATE_REFERENCES");
    if (update && std::string(update) == "1") {
        std::filesystem::create_directories(reference.parent_path());
        if (!write_png(reference, actual)) {
            std::fprintf(stderr, "cannot write the reference %s\n", reference.c_str());
            return 1;
        }
        std::printf("reference written: %s\n", reference.c_str());
        return 0;
    }
    std::optional<Picture> expected = read_png(reference);
    if (!expected) {
        std::fprintf(
            stderr, "no readable reference %s (set VELMOR_UPDATE_REFERENCES=1 to create it)\n", reference.c_str());
        return 1;
    }
    if (expected->width != actual.width || expected->height != actual.height) {
        std::fprintf(stderr, "reference %s is %dx%d, the screen %dx%d\n", reference.c_str(), expected->width,
            expected->height, actual.width, actual.height);
        return 1;
    }
    Picture diff = actual;
    long differing = 0;
    for (std::size_t i = 0; i < actual.pixels.size(); ++i) {
        std::uint32_t a = actual.pixels[i], e = expected->pixels[i];
        bool same = true;
        for (int shift = 0; shift < 24; shift += 8)
            same = same && std::abs(int((a >> shift) & 0xFF) - int((e >> shift) & 0xFF)) <= kTolerance;
        if (same) {
            diff.pixels[i] = (a >> 2) & 0x3F3F3F;
            continue;
        }
        if (differing++ == 0)
            std::fprintf(stderr, "first difference at (%zu, %zu): expected 0x%06X, got 0x%06X\n", i % actual.width,
                i / actual.width, e, a);
        diff.pixels[i] = 0xFF0000;
    }
    if (differing == 0) return 0;
    std::filesystem::path diff_file = screenshot;
    diff_file.replace_extension("").concat("-diff.png");
    write_png(diff_file, diff);
    std::fprintf(stderr, "%ld pixels differ from %s; see %s\n", differing, reference.c_str(), diff_file.c_str());
    return 1;
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

    std::filesystem::path root = ovfc_test::make_temporary_folder("velmor-gallery");
    // The platform pictures the build packs.
    std::filesystem::path built = std::filesystem::path(VELMOR_BUILT_DEVICE_ROOT) / "Windows";
    std::error_code error;
    std::filesystem::create_directories(root / "Windows");
    std::filesystem::copy(built, root / "Windows",
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing, error);
    if (error) std::fprintf(stderr, "no platform pictures from %s: %s\n", built.c_str(), error.message().c_str());

    ovfc_test::PhoneSession phone;
    if (!phone.start(root)) {
        std::fprintf(stderr, "the phone did not start in %s\n", root.c_str());
        return 1;
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HDC screen = GetDC(nullptr);
    draw_gallery(screen);
    Picture shot = screen_picture();
    int result = 0;
    if (!write_png(*screenshot, shot)) {
        std::fprintf(stderr, "cannot write %s\n", screenshot->c_str());
        result = 1;
    }
    if (reference && compare(shot, *reference, *screenshot) != 0) result = 1;
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
    std::filesystem::remove_all(root, error);
    return result;
}
