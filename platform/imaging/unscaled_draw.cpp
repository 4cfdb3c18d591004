#include "platform/imaging/unscaled_draw.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/blend_kernels.h"
#include "platform/gdi/blit_engine.h"
#include "platform/gdi/rgb565_rows.h"
#include "platform/imaging/picture_rows.h"

namespace platform::imaging {

namespace {

using gdi::PixelFormat;

// Premultiplied or widened pixels pass through a buffer this long on the
// stack, a piece of a row at a time.
constexpr int piece = 256;

bool covered(PixelFormatID format)
{
    return format == PixelFormat24bppRGB || format == PixelFormat32bppRGB || format == PixelFormat32bppARGB ||
        format == PixelFormat16bppRGB565;
}

const std::uint32_t* as_words(const std::uint8_t* p) { return reinterpret_cast<const std::uint32_t*>(p); }

// One run of count pixels of the picture onto the target's row.
void draw_run(PixelFormatID from, const std::uint8_t* source, PixelFormat to, std::uint8_t* target, int count)
{
    auto* narrow = reinterpret_cast<std::uint16_t*>(target);
    auto* wide = reinterpret_cast<std::uint32_t*>(target);
    if (from == PixelFormat32bppARGB) {
        const gdi::BlendKernels& kernels = gdi::blend_kernels();
        std::uint32_t premultiplied[piece];
        for (int done = 0; done < count; done += piece) {
            int n = std::min(piece, count - done);
            premultiply_row(as_words(source) + done, premultiplied, n);
            if (to == PixelFormat::rgb565)
                kernels.premultiplied_to_565(narrow + done, premultiplied, n);
            else
                kernels.premultiplied_to_32(wide + done, premultiplied, n);
        }
        return;
    }
    switch (from) {
    case PixelFormat24bppRGB:
        if (to == PixelFormat::rgb565)
            bgr24_row_to_rgb565(source, narrow, count);
        else
            bgr24_row_to_opaque32(source, wide, count);
        return;
    case PixelFormat32bppRGB:
        if (to == PixelFormat::rgb565)
            xrgb_row_to_rgb565(as_words(source), narrow, count);
        else
            xrgb_row_to_opaque32(as_words(source), wide, count);
        return;
    case PixelFormat16bppRGB565:
        if (to == PixelFormat::rgb565) {
            std::memcpy(narrow, source, std::size_t(count) * 2);
            return;
        }
        for (int done = 0; done < count; done += piece) {
            int n = std::min(piece, count - done);
            std::uint32_t widened[piece];
            gdi::rgb565_row_to_xrgb(reinterpret_cast<const std::uint16_t*>(source) + done, widened, std::size_t(n));
            xrgb_row_to_opaque32(widened, wide + done, n);
        }
        return;
    default:
        return;
    }
}

}  // namespace

bool draw_unscaled(HDC hdc, const Pixels& pixels, const RECT& source, POINT dest)
{
    auto dc = gdi::find_dc(hdc);
    if (!dc || !covered(pixels.format())) return false;
    gdi::Bitmap& target = dc->target();
    PixelFormat to = target.format();
    if (to != PixelFormat::rgb565 && to != PixelFormat::xrgb32) return false;
    int width = int(source.right - source.left), height = int(source.bottom - source.top);
    POINT origin = dc->origin();
    bool flipped_x, flipped_y;
    RECT area_rect = gdi::normalised_rect(dest.x + origin.x, dest.y + origin.y, width, height, flipped_x, flipped_y);
    // Far out where coordinates are clamped the size would change; the blits
    // know what to do there.
    if (area_rect.right - area_rect.left != width || area_rect.bottom - area_rect.top != height) return false;

    gdi::Region area(dc->drawable());
    area.intersect(area_rect);
    if (area.empty()) return true;
    int source_bytes = bytes_per_pixel(pixels.format());
    int target_bytes = gdi::bits_per_pixel(to) / 8;
    for (const RECT& r : area.rects()) {
        int count = int(r.right - r.left);
        std::ptrdiff_t source_x = std::ptrdiff_t(source.left + (r.left - area_rect.left)) * source_bytes;
        for (int y = r.top; y < r.bottom; ++y) {
            const std::uint8_t* from = pixels.row(int(source.top + (y - area_rect.top))) + source_x;
            draw_run(pixels.format(), from, to, target.row(y) + std::ptrdiff_t(r.left) * target_bytes, count);
        }
    }
    dc->changed(area.bounds());
    return true;
}

}  // namespace platform::imaging
