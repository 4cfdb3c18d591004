// AlphaBlend: dest = source + (1 - source alpha) x dest per channel, with the
// source first scaled by the constant alpha; per-pixel alpha expects
// premultiplied source pixels. Channels are 8-bit and every division by 255
// rounds to nearest, so alpha 0 leaves the destination exactly and an opaque
// source replaces it exactly. 16-bit pixels are widened by bit repetition and
// narrowed by dropping low bits around it. The cases frames are made of go
// through the row kernels; pixman composites the rest with the same results.
#include <cstring>

#include "platform/gdi/blend_kernels.h"
#include "platform/gdi/blit_engine.h"
#include "platform/gdi/raster.h"
#include "platform/include/winbase.h"

using namespace platform::gdi;

namespace {

struct ImageRef {
    pixman_image_t* image = nullptr;
    ImageRef() = default;
    explicit ImageRef(pixman_image_t* i)
        : image(i)
    {
    }
    ImageRef(const ImageRef&) = delete;
    ImageRef& operator=(const ImageRef&) = delete;
    ~ImageRef()
    {
        if (image) pixman_image_unref(image);
    }
};

inline std::uint32_t divide_255(std::uint32_t x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

// The source pixels the blend reads, resampled to the destination size, as
// 32-bit pixels (alpha byte kept from 32-bit sources, 0 otherwise).
std::shared_ptr<Bitmap> sampled_source(
    const DeviceContext& dest_dc, const DeviceContext& source_dc, const RECT& source_rect, int width, int height)
{
    const Bitmap& source = source_dc.target();
    auto sampled = Bitmap::create(PixelFormat::xrgb32, width, height);
    if (!sampled) return nullptr;
    auto columns =
        cached_sample_axis(width, source_rect.left, source_rect.right - source_rect.left, false, 0, source.width());
    auto rows =
        cached_sample_axis(height, source_rect.top, source_rect.bottom - source_rect.top, false, 0, source.height());
    PixelConverter convert(source.format(), PixelFormat::xrgb32, dest_dc.text_colour(), dest_dc.background_colour(), 0);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source_row = source.row((*rows)[static_cast<std::size_t>(y)]);
        auto out = reinterpret_cast<std::uint32_t*>(sampled->row(y));
        for (int x = 0; x < width; ++x)
            out[x] = convert(read_pixel(source.format(), source_row, (*columns)[static_cast<std::size_t>(x)]));
    }
    return sampled;
}

// Blending without per-pixel alpha mixes the alpha bytes of 32-bit pixels
// like a colour channel; the compositor counts the source as opaque, which
// only the alpha byte can tell, so that byte is put right afterwards.
void mix_alpha_bytes(Bitmap& dest, const Region& area, const Bitmap& source, int source_dx, int source_dy, int constant)
{
    for (const RECT& r : area.rects()) {
        for (int y = r.top; y < r.bottom; ++y) {
            auto d = reinterpret_cast<std::uint32_t*>(dest.row(y));
            auto s = reinterpret_cast<const std::uint32_t*>(source.row(y + source_dy));
            for (int x = r.left; x < r.right; ++x) {
                std::uint32_t composed = d[x] >> 24;
                std::uint32_t kept = composed - static_cast<std::uint32_t>(constant);
                std::uint32_t alpha =
                    divide_255((s[x + source_dx] >> 24) * static_cast<std::uint32_t>(constant)) + kept;
                d[x] = (d[x] & 0x00FFFFFFu) | (alpha << 24);
            }
        }
    }
}

// Blends with the row kernels when one fits the formats; false leaves the
// work to the compositor. source_dx/dy step from target to source pixels.
bool blend_with_kernels(const Bitmap& source, int source_dx, int source_dy, Bitmap& target, const Region& area,
    bool per_pixel, int constant)
{
    const BlendKernels& kernels = blend_kernels();
    PixelFormat from = source.format(), to = target.format();
    auto source_row = [&](int y, int left) {
        return source.row(y + source_dy) + static_cast<std::ptrdiff_t>(left + source_dx) * bits_per_pixel(from) / 8;
    };
    auto for_each_row = [&](auto blend_row) {
        for (const RECT& r : area.rects())
            for (int y = r.top; y < r.bottom; ++y)
                blend_row(target.row(y), source_row(y, r.left), r.left, r.right - r.left);
    };
    auto alpha = static_cast<unsigned>(constant);
    if (per_pixel && constant == 255 && from == PixelFormat::xrgb32 && to == PixelFormat::rgb565) {
        for_each_row([&](std::uint8_t* dest, const std::uint8_t* s, int left, int count) {
            kernels.premultiplied_to_565(
                reinterpret_cast<std::uint16_t*>(dest) + left, reinterpret_cast<const std::uint32_t*>(s), count);
        });
    } else if (per_pixel && constant == 255 && from == PixelFormat::xrgb32 && to == PixelFormat::xrgb32) {
        for_each_row([&](std::uint8_t* dest, const std::uint8_t* s, int left, int count) {
            kernels.premultiplied_to_32(
                reinterpret_cast<std::uint32_t*>(dest) + left, reinterpret_cast<const std::uint32_t*>(s), count);
        });
    } else if (!per_pixel && constant == 255 && from == PixelFormat::rgb565 && to == PixelFormat::rgb565) {
        // Fully opaque with nothing of the destination kept: the blend gives
        // the source's own pixels, so they are copied (a drawing's intro
        // blends a whole screen this way every frame).
        for_each_row([&](std::uint8_t* dest, const std::uint8_t* s, int left, int count) {
            std::memmove(reinterpret_cast<std::uint16_t*>(dest) + left, s, std::size_t(count) * sizeof(std::uint16_t));
        });
    } else if (!per_pixel && from == PixelFormat::rgb565 && to == PixelFormat::rgb565) {
        for_each_row([&](std::uint8_t* dest, const std::uint8_t* s, int left, int count) {
            kernels.constant_565_to_565(
                reinterpret_cast<std::uint16_t*>(dest) + left, reinterpret_cast<const std::uint16_t*>(s), count, alpha);
        });
    } else if (!per_pixel && from == PixelFormat::xrgb32 && to == PixelFormat::rgb565) {
        for_each_row([&](std::uint8_t* dest, const std::uint8_t* s, int left, int count) {
            kernels.constant_32_to_565(
                reinterpret_cast<std::uint16_t*>(dest) + left, reinterpret_cast<const std::uint32_t*>(s), count, alpha);
        });
    } else {
        return false;
    }
    return true;
}

}  // namespace

BOOL AlphaBlend(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest, HDC hdcSrc, int xoriginSrc,
    int yoriginSrc, int wSrc, int hSrc, BLENDFUNCTION ftn)
{
    auto dest_dc = find_dc(hdcDest);
    auto source_dc = find_dc(hdcSrc);
    if (!dest_dc || !source_dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    bool per_pixel = (ftn.AlphaFormat & AC_SRC_ALPHA) != 0;
    Bitmap& dest = dest_dc->target();
    const Bitmap& source = source_dc->target();
    POINT source_origin = source_dc->origin();
    std::int64_t sx = std::int64_t(xoriginSrc) + source_origin.x;
    std::int64_t sy = std::int64_t(yoriginSrc) + source_origin.y;
    // The source rectangle must lie inside the source bitmap, and per-pixel
    // alpha needs a source that has alpha.
    if (wDest < 0 || hDest < 0 || wSrc < 0 || hSrc < 0 || ftn.BlendOp != AC_SRC_OVER || sx < 0 || sy < 0 ||
        sx + wSrc > source.width() || sy + hSrc > source.height() ||
        (per_pixel && source.format() != PixelFormat::xrgb32)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (wDest == 0 || hDest == 0 || wSrc == 0 || hSrc == 0) return TRUE;

    POINT dest_origin = dest_dc->origin();
    bool flipped_x, flipped_y;
    RECT dest_rect =
        normalised_rect(xoriginDest + dest_origin.x, yoriginDest + dest_origin.y, wDest, hDest, flipped_x, flipped_y);
    Region area(dest_dc->drawable());
    area.intersect(dest_rect);
    int constant = ftn.SourceConstantAlpha;
    if (area.empty() || constant == 0) return TRUE;

    RECT source_rect {
        static_cast<LONG>(sx), static_cast<LONG>(sy), static_cast<LONG>(sx + wSrc), static_cast<LONG>(sy + hSrc)};
    bool stretched = wSrc != wDest || hSrc != hDest;
    // The compositor reads the source in place unless it has to be resampled,
    // converted from monochrome, or is the very bitmap being written.
    std::shared_ptr<Bitmap> sampled;
    const Bitmap* read_from = &source;
    int source_x = source_rect.left, source_y = source_rect.top;
    if (stretched || source.format() == PixelFormat::mono1 || &source == &dest) {
        sampled = sampled_source(*dest_dc, *source_dc, source_rect, wDest, hDest);
        if (!sampled) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        read_from = sampled.get();
        source_x = source_y = 0;
    }

    // Monochrome destinations are blended in colour and mapped back to the
    // nearer of black and white.
    std::shared_ptr<Bitmap> colour_dest;
    Bitmap* target = &dest;
    int target_dx = 0, target_dy = 0;
    Region target_area(area);
    if (dest.format() == PixelFormat::mono1) {
        colour_dest = Bitmap::create(PixelFormat::xrgb32, wDest, hDest);
        if (!colour_dest) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        for (const RECT& r : area.rects())
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    write_pixel(PixelFormat::xrgb32, colour_dest->row(y - dest_rect.top), x - dest_rect.left,
                        pixel_to_xrgb(PixelFormat::mono1, read_pixel(PixelFormat::mono1, dest.row(y), x)));
        target = colour_dest.get();
        target_dx = -dest_rect.left;
        target_dy = -dest_rect.top;
        target_area.offset(target_dx, target_dy);
    }

    int dest_x = dest_rect.left + target_dx, dest_y = dest_rect.top + target_dy;
    if (!blend_with_kernels(
            *read_from, source_x - dest_x, source_y - dest_y, *target, target_area, per_pixel, constant)) {
        ImageRef source_image(read_from->pixman_image(per_pixel));
        ImageRef dest_image(target->pixman_image(true));
        ImageRef mask_image;
        if (constant != 255) {
            pixman_color_t colour {0, 0, 0, static_cast<std::uint16_t>(constant * 257)};
            mask_image.image = pixman_image_create_solid_fill(&colour);
        }
        if (!source_image.image || !dest_image.image) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        pixman_image_set_clip_region32(dest_image.image, target_area.raw());
        pixman_image_composite32(PIXMAN_OP_OVER, source_image.image, mask_image.image, dest_image.image, source_x,
            source_y, 0, 0, dest_x, dest_y, wDest, hDest);

        if (!per_pixel && target->format() == PixelFormat::xrgb32 && read_from->format() == PixelFormat::xrgb32 &&
            !colour_dest)
            mix_alpha_bytes(*target, target_area, *read_from, source_x - dest_x, source_y - dest_y, constant);
    }

    if (colour_dest) {
        for (const RECT& r : area.rects())
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) {
                    std::uint32_t xrgb =
                        read_pixel(PixelFormat::xrgb32, colour_dest->row(y - dest_rect.top), x - dest_rect.left);
                    write_pixel(PixelFormat::mono1, dest.row(y), x, xrgb_to_pixel(PixelFormat::mono1, xrgb));
                }
    }
    dest_dc->changed(area.bounds());
    return TRUE;
}
