// BitBlt, StretchBlt, PatBlt and MaskBlt over the shared blit loop.
#include <array>
#include <cstring>
#include <tuple>

#include "platform/gdi/blit_engine.h"
#include "platform/gdi/raster.h"
#include "platform/include/winbase.h"

namespace platform::gdi {

std::vector<int> sample_axis(
    int dest_length, int source_start, int source_length, bool mirror, int limit_low, int limit_high)
{
    std::vector<int> indices(static_cast<std::size_t>(dest_length));
    std::int64_t two_dest = 2 * static_cast<std::int64_t>(dest_length);
    for (int i = 0; i < dest_length; ++i) {
        auto k = static_cast<int>(((2 * static_cast<std::int64_t>(i) + 1) * source_length) / two_dest);
        if (mirror) k = source_length - 1 - k;
        int index = source_start + k;
        indices[static_cast<std::size_t>(i)] = index >= limit_low && index < limit_high ? index : -1;
    }
    return indices;
}

std::shared_ptr<const std::vector<int>> cached_sample_axis(
    int dest_length, int source_start, int source_length, bool mirror, int limit_low, int limit_high)
{
    // Animations stretch the same sizes frame after frame; a few recent
    // tables per thread spare rebuilding them, a division per entry.
    using Key = std::tuple<int, int, int, bool, int, int>;
    struct Entry {
        Key key;
        std::shared_ptr<const std::vector<int>> table;
    };
    thread_local std::array<Entry, 8> recent;
    thread_local std::size_t next = 0;
    Key key {dest_length, source_start, source_length, mirror, limit_low, limit_high};
    for (const Entry& entry : recent)
        if (entry.table && entry.key == key) return entry.table;
    auto table = std::make_shared<const std::vector<int>>(
        sample_axis(dest_length, source_start, source_length, mirror, limit_low, limit_high));
    recent[next] = Entry {key, table};
    next = (next + 1) % recent.size();
    return table;
}

RECT normalised_rect(int x, int y, int w, int h, bool& flipped_x, bool& flipped_y)
{
    flipped_x = w < 0;
    flipped_y = h < 0;
    std::int64_t right = static_cast<std::int64_t>(x) + w;
    std::int64_t bottom = static_cast<std::int64_t>(y) + h;
    auto clamp = [](std::int64_t v) { return static_cast<LONG>(std::clamp<std::int64_t>(v, -(1 << 28), 1 << 28)); };
    return RECT {clamp(std::min<std::int64_t>(x, right)), clamp(std::min<std::int64_t>(y, bottom)),
        clamp(std::max<std::int64_t>(x, right)), clamp(std::max<std::int64_t>(y, bottom))};
}

namespace {

bool same_format_copy(const BlitRequest& request, const Bitmap& source, const Bitmap& dest)
{
    return request.foreground == 0xCC && !request.mask && !request.mirror_x && !request.mirror_y &&
        source.format() == dest.format() && source.format() != PixelFormat::mono1 &&
        request.source_rect.right - request.source_rect.left == request.dest_rect.right - request.dest_rect.left &&
        request.source_rect.bottom - request.source_rect.top == request.dest_rect.bottom - request.dest_rect.top;
}

}  // namespace

void run_blit(const BlitRequest& request)
{
    DeviceContext& dest_dc = *request.dest;
    Bitmap& dest = dest_dc.target();
    const RECT& dr = request.dest_rect;
    int width = dr.right - dr.left;
    int height = dr.bottom - dr.top;
    if (width <= 0 || height <= 0) return;

    Region area(dest_dc.drawable());
    area.intersect(dr);
    if (area.empty()) return;

    bool uses_source = request.source &&
        (rop_uses_source(request.foreground) || (request.mask && rop_uses_source(request.background)));
    bool uses_pattern = rop_uses_pattern(request.foreground) || (request.mask && rop_uses_pattern(request.background));
    const Brush& brush = *dest_dc.state().brush;
    // A hollow brush paints nothing.
    if (uses_pattern && brush.is_null()) return;
    std::uint32_t pattern = uses_pattern ? encode_colour(dest.format(), brush.colour()) : 0;

    // An unstretched, unmirrored source is read at a fixed offset; only a
    // stretch needs index tables.
    std::shared_ptr<const std::vector<int>> columns, rows;
    std::shared_ptr<Bitmap> copy;
    const Bitmap* source = nullptr;
    int source_dx = 0, source_dy = 0;
    bool stretched = false;
    int offset_x = 0, offset_y = 0;
    if (uses_source) {
        source = &request.source->target();
        const RECT& sr = request.source_rect;
        stretched = request.mirror_x || request.mirror_y || sr.right - sr.left != width || sr.bottom - sr.top != height;
        offset_x = sr.left - dr.left;
        offset_y = sr.top - dr.top;
        if (stretched) {
            columns = cached_sample_axis(width, sr.left, sr.right - sr.left, request.mirror_x, 0, source->width());
            rows = cached_sample_axis(height, sr.top, sr.bottom - sr.top, request.mirror_y, 0, source->height());
        }
        // Reading and writing the same pixels: read from a copy of the source.
        if (source == &dest) {
            RECT bounds {std::max<LONG>(sr.left, 0), std::max<LONG>(sr.top, 0),
                std::min<LONG>(sr.right, source->width()), std::min<LONG>(sr.bottom, source->height())};
            if (bounds.left >= bounds.right || bounds.top >= bounds.bottom) return;
            copy = Bitmap::create(source->format(), bounds.right - bounds.left, bounds.bottom - bounds.top);
            if (!copy) return;
            for (int y = bounds.top; y < bounds.bottom; ++y) {
                if (source->format() == PixelFormat::mono1) {
                    for (int x = bounds.left; x < bounds.right; ++x)
                        write_pixel(copy->format(), copy->row(y - bounds.top), x - bounds.left,
                            read_pixel(source->format(), source->row(y), x));
                } else {
                    std::size_t offset = static_cast<std::size_t>(bounds.left) * bits_per_pixel(source->format()) / 8;
                    std::size_t count =
                        static_cast<std::size_t>(bounds.right - bounds.left) * bits_per_pixel(source->format()) / 8;
                    std::memcpy(copy->row(y - bounds.top), source->row(y) + offset, count);
                }
            }
            source_dx = bounds.left;
            source_dy = bounds.top;
            source = copy.get();
        }
    }
    // The source column and row a destination pixel reads, in the source's
    // own coordinates (before any copy), or -1 outside it.
    int source_width = request.source ? request.source->target().width() : 0;
    int source_height = request.source ? request.source->target().height() : 0;
    auto column_of = [&](int x) {
        if (stretched) return (*columns)[static_cast<std::size_t>(x - dr.left)];
        int sx = x + offset_x;
        return sx >= 0 && sx < source_width ? sx : -1;
    };
    auto row_of = [&](int y) {
        if (stretched) return (*rows)[static_cast<std::size_t>(y - dr.top)];
        int sy = y + offset_y;
        return sy >= 0 && sy < source_height ? sy : -1;
    };

    PixelFormat dest_format = dest.format();
    std::uint32_t dest_mask = pixel_mask(dest_format);
    PixelConverter convert(source ? source->format() : dest_format, dest_format, dest_dc.text_colour(),
        dest_dc.background_colour(), request.source ? request.source->background_colour() : 0);

    if (source && same_format_copy(request, *source, dest)) {
        // Same size and format: each row is one move of the columns that lie
        // inside the source.
        int bytes_per_pixel = bits_per_pixel(dest_format) / 8;
        for (const RECT& r : area.rects()) {
            int first = std::max<int>(r.left, -offset_x), last = std::min<int>(r.right, source_width - offset_x);
            int top = std::max<int>(r.top, -offset_y), bottom = std::min<int>(r.bottom, source_height - offset_y);
            if (first >= last || top >= bottom) continue;
            std::size_t bytes = static_cast<std::size_t>(last - first) * bytes_per_pixel;
            std::uint8_t* to = dest.row(top) + static_cast<std::ptrdiff_t>(first) * bytes_per_pixel;
            const std::uint8_t* from = source->row(top + offset_y - source_dy) +
                static_cast<std::ptrdiff_t>(first + offset_x - source_dx) * bytes_per_pixel;
            // Whole rows that follow each other in both bitmaps, as a frame's
            // do, move as one block.
            if (static_cast<std::int64_t>(bytes) == dest.stride() && dest.stride() == source->stride()) {
                std::memmove(to, from, bytes * static_cast<std::size_t>(bottom - top));
                continue;
            }
            for (int y = top; y < bottom; ++y, to += dest.stride(), from += source->stride())
                std::memmove(to, from, bytes);
        }
    } else {
        const Bitmap* mask = request.mask;
        for (const RECT& r : area.rects()) {
            for (int y = r.top; y < r.bottom; ++y) {
                const std::uint8_t* source_row = nullptr;
                if (source) {
                    int sy = row_of(y);
                    if (sy < 0) continue;
                    source_row = source->row(sy - source_dy);
                }
                const std::uint8_t* mask_row = nullptr;
                int my = request.mask_origin.y + (y - dr.top);
                if (mask && my >= 0 && my < mask->height()) mask_row = mask->row(my);
                std::uint8_t* dest_row = dest.row(y);
                for (int x = r.left; x < r.right; ++x) {
                    std::uint32_t s = 0;
                    if (source) {
                        int sx = column_of(x);
                        if (sx < 0) continue;
                        s = convert(read_pixel(source->format(), source_row, sx - source_dx));
                    }
                    std::uint8_t code = request.foreground;
                    if (mask) {
                        int mx = request.mask_origin.x + (x - dr.left);
                        bool on =
                            mask_row && mx >= 0 && mx < mask->width() && read_pixel(PixelFormat::mono1, mask_row, mx);
                        code = on ? request.foreground : request.background;
                    }
                    std::uint32_t d = read_pixel(dest_format, dest_row, x);
                    write_pixel(dest_format, dest_row, x, apply_rop3(code, pattern, s, d) & dest_mask);
                }
            }
        }
    }
    dest_dc.changed(area.bounds());
}

}  // namespace platform::gdi

using namespace platform::gdi;

namespace {

std::shared_ptr<DeviceContext> dc_or_error(HDC hdc)
{
    auto dc = find_dc(hdc);
    if (!dc) SetLastError(ERROR_INVALID_HANDLE);
    return dc;
}

RECT shifted(RECT rect, POINT origin)
{
    rect.left += origin.x;
    rect.right += origin.x;
    rect.top += origin.y;
    rect.bottom += origin.y;
    return rect;
}

BOOL stretch_blit(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc, int wSrc,
    int hSrc, std::uint8_t foreground, std::uint8_t background, const Bitmap* mask, POINT mask_origin)
{
    auto dest = dc_or_error(hdcDest);
    if (!dest) return FALSE;
    bool needs_source = rop_uses_source(foreground) || (mask && rop_uses_source(background));
    std::shared_ptr<DeviceContext> source;
    if (needs_source) {
        source = dc_or_error(hdcSrc);
        if (!source) return FALSE;
    }
    BlitRequest request;
    bool dest_flip_x, dest_flip_y, source_flip_x = false, source_flip_y = false;
    request.dest = dest.get();
    request.dest_rect = shifted(normalised_rect(xDest, yDest, wDest, hDest, dest_flip_x, dest_flip_y), dest->origin());
    if (source) {
        request.source = source.get();
        request.source_rect =
            shifted(normalised_rect(xSrc, ySrc, wSrc, hSrc, source_flip_x, source_flip_y), source->origin());
        request.mirror_x = dest_flip_x != source_flip_x;
        request.mirror_y = dest_flip_y != source_flip_y;
        if (wSrc == 0 || hSrc == 0) return TRUE;
    }
    request.foreground = foreground;
    request.background = background;
    request.mask = mask;
    request.mask_origin = mask_origin;
    run_blit(request);
    return TRUE;
}

}  // namespace

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop)
{
    std::uint8_t code = rop3_code(rop);
    return stretch_blit(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, code, code, nullptr, POINT {0, 0});
}

BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc, int wSrc,
    int hSrc, DWORD rop)
{
    std::uint8_t code = rop3_code(rop);
    return stretch_blit(
        hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, code, code, nullptr, POINT {0, 0});
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop)
{
    std::uint8_t code = rop3_code(rop);
    if (rop_uses_source(code)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return stretch_blit(hdc, x, y, w, h, nullptr, 0, 0, w, h, code, code, nullptr, POINT {0, 0});
}

BOOL MaskBlt(HDC hdcDest, int xDest, int yDest, int width, int height, HDC hdcSrc, int xSrc, int ySrc, HBITMAP hbmMask,
    int xMask, int yMask, DWORD rop)
{
    std::uint8_t foreground = rop3_code(rop);
    std::uint8_t background = static_cast<std::uint8_t>((rop >> 24) & 0xFF);
    // Without a mask the foreground operation applies everywhere.
    if (!hbmMask) return BitBlt(hdcDest, xDest, yDest, width, height, hdcSrc, xSrc, ySrc, rop & 0x00FFFFFF);
    auto mask = find_object_as<Bitmap>(hbmMask);
    if (!mask) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (mask->format() != PixelFormat::mono1 || width < 0 || height < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return stretch_blit(hdcDest, xDest, yDest, width, height, hdcSrc, xSrc, ySrc, width, height, foreground, background,
        mask.get(), POINT {xMask, yMask});
}
