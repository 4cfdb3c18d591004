// Filled and outlined shapes, lines and single pixels. Shapes are built as
// one span of pixels per row: a rectangle with right and bottom excluded, the
// pen's outline its outermost pixels and the brush the inside.
#include <cmath>

#include "platform/gdi/dc.h"
#include "platform/gdi/raster.h"
#include "platform/include/winbase.h"

using namespace platform::gdi;

namespace {

std::shared_ptr<DeviceContext> dc_or_error(HDC hdc)
{
    auto dc = find_dc(hdc);
    if (!dc) SetLastError(ERROR_INVALID_HANDLE);
    return dc;
}

// Paints part of the target (target coordinates) one colour, inside the DC's
// drawable area.
void paint(DeviceContext& dc, Region area, COLORREF colour)
{
    area.intersect(dc.drawable());
    if (area.empty()) return;
    Bitmap& target = dc.target();
    std::uint32_t value = encode_colour(target.format(), colour);
    for (const RECT& r : area.rects()) fill_rect(target, r, value);
    dc.changed(area.bounds());
}

// One row's pixels [begin, end); end <= begin is an empty row.
struct Span {
    int begin;
    int end;
};

// The rows of a rectangle from top, whose corners are cut by quarter ellipses
// of corner_width x corner_height: a pixel belongs to the figure when its
// centre lies inside the rounded outline.
std::vector<Span> rounded_spans(const RECT& rect, int corner_width, int corner_height)
{
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    std::vector<Span> spans(static_cast<std::size_t>(std::max(height, 0)));
    double rx = std::min(std::abs(corner_width), width) / 2.0;
    double ry = std::min(std::abs(corner_height), height) / 2.0;
    for (int row = 0; row < height; ++row) {
        Span& span = spans[static_cast<std::size_t>(row)];
        span = {rect.left, rect.right};
        if (rx <= 0 || ry <= 0) continue;
        double centre = row + 0.5;
        double into = 0;
        if (centre < ry)
            into = ry - centre;
        else if (centre > height - ry)
            into = centre - (height - ry);
        if (into <= 0) continue;
        double reach = rx * std::sqrt(std::max(0.0, 1.0 - (into / ry) * (into / ry)));
        span.begin = rect.left + static_cast<int>(std::ceil(rx - reach - 0.5));
        span.end = rect.right - static_cast<int>(std::ceil(rx - reach - 0.5));
    }
    return spans;
}

// The figure without its outermost ring of pixels (those next to a pixel
// outside it, left, right, above or below).
std::vector<Span> eroded(const std::vector<Span>& spans)
{
    std::vector<Span> inner(spans.size(), Span {0, 0});
    for (std::size_t i = 1; i + 1 < spans.size(); ++i) {
        const Span &above = spans[i - 1], &here = spans[i], &below = spans[i + 1];
        inner[i].begin = std::max({here.begin + 1, above.begin, below.begin});
        inner[i].end = std::min({here.end - 1, above.end, below.end});
    }
    return inner;
}

Region region_of(const std::vector<Span>& spans, int top)
{
    std::vector<RECT> rects;
    rects.reserve(spans.size());
    for (std::size_t i = 0; i < spans.size(); ++i)
        if (spans[i].begin < spans[i].end)
            rects.push_back(
                RECT {spans[i].begin, top + static_cast<int>(i), spans[i].end, top + static_cast<int>(i) + 1});
    return Region::from_rects(rects);
}

// Outline with the pen and inside with the brush. Without a pen the figure
// is one pixel smaller to the right and below, as on the phone.
BOOL draw_figure(HDC hdc, int left, int top, int right, int bottom, int corner_width, int corner_height)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return FALSE;
    POINT origin = dc->origin();
    RECT rect = ordered_rect(left, top, right, bottom);
    rect.left += origin.x;
    rect.right += origin.x;
    rect.top += origin.y;
    rect.bottom += origin.y;
    const Pen& pen = *dc->state().pen;
    const Brush& brush = *dc->state().brush;
    if (pen.is_null()) {
        rect.right -= 1;
        rect.bottom -= 1;
        if (!brush.is_null())
            paint(*dc, region_of(rounded_spans(rect, corner_width, corner_height), rect.top), brush.colour());
        return TRUE;
    }
    // A wide pen is centred on the outline, except an inside-frame pen,
    // which stays within the figure.
    int width = pen.width();
    if (width > 1 && pen.description().lopnStyle != PS_INSIDEFRAME) {
        int outward = (width - 1) / 2;
        rect.left -= outward;
        rect.top -= outward;
        rect.right += outward;
        rect.bottom += outward;
    }
    auto outer = rounded_spans(rect, corner_width, corner_height);
    auto inner = outer;
    for (int i = 0; i < width; ++i) inner = eroded(inner);
    Region inside = region_of(inner, rect.top);
    Region outline = region_of(outer, rect.top);
    outline.subtract(inside);
    if (!brush.is_null()) paint(*dc, inside, brush.colour());
    paint(*dc, outline, pen.colour());
    return TRUE;
}

}  // namespace

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    auto dc = dc_or_error(hDC);
    auto brush = find_object_as<Brush>(hbr);
    if (!dc || !lprc || !brush) {
        if (dc) SetLastError(lprc ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (brush->is_null()) return 1;
    POINT origin = dc->origin();
    RECT rect = ordered_rect(lprc->left, lprc->top, lprc->right, lprc->bottom);
    paint(*dc, Region(RECT {rect.left + origin.x, rect.top + origin.y, rect.right + origin.x, rect.bottom + origin.y}),
        brush->colour());
    return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    return draw_figure(hdc, left, top, right, bottom, 0, 0);
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height)
{
    return draw_figure(hdc, left, top, right, bottom, width, height);
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom)
{
    return draw_figure(hdc, left, top, right, bottom, std::abs(right - left), std::abs(bottom - top));
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->state().position;
    dc->set_position(POINT {x, y});
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, LPPOINT lppt)
{
    auto dc = dc_or_error(hdc);
    if (!dc || !lppt) return FALSE;
    *lppt = dc->state().position;
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return FALSE;
    POINT from = dc->state().position;
    dc->set_position(POINT {x, y});
    const Pen& pen = *dc->state().pen;
    if (pen.is_null()) return TRUE;
    POINT origin = dc->origin();
    // Bresenham from the start point up to, not including, the end point:
    // along the longer axis one pixel per step, the other axis rounded to the
    // nearest pixel. Only the steps that can reach the target are walked.
    std::int64_t x0 = std::int64_t(from.x) + origin.x, y0 = std::int64_t(from.y) + origin.y;
    std::int64_t dx = std::int64_t(x) + origin.x - x0, dy = std::int64_t(y) + origin.y - y0;
    bool x_major = std::llabs(dx) >= std::llabs(dy);
    std::int64_t steps = x_major ? std::llabs(dx) : std::llabs(dy);
    std::int64_t minor = x_major ? std::llabs(dy) : std::llabs(dx);
    int major_step = (x_major ? dx : dy) < 0 ? -1 : 1;
    int minor_step = (x_major ? dy : dx) < 0 ? -1 : 1;
    std::int64_t major_start = x_major ? x0 : y0;
    const Bitmap& target = dc->target();
    int width = pen.width();
    int before = (width - 1) / 2;
    std::int64_t extent = (x_major ? target.width() : target.height()) + width;
    // Steps whose major coordinate lies in [-width, extent).
    std::int64_t first = 0, last = steps;
    if (major_step > 0) {
        first = std::max<std::int64_t>(first, -width - major_start);
        last = std::min<std::int64_t>(last, extent - major_start);
    } else {
        first = std::max<std::int64_t>(first, major_start - extent + 1);
        last = std::min<std::int64_t>(last, major_start + width + 1);
    }
    std::vector<RECT> dots;
    for (std::int64_t i = first; i < last; ++i) {
        // Wide intermediate: far-away end points would overflow 64 bits.
        auto offset = static_cast<std::int64_t>(
            steps == 0 ? 0 : (2 * static_cast<__int128>(i) * minor + steps) / (2 * static_cast<__int128>(steps)));
        std::int64_t major_at = major_start + i * major_step;
        std::int64_t minor_at = (x_major ? y0 : x0) + offset * minor_step;
        std::int64_t px = x_major ? major_at : minor_at, py = x_major ? minor_at : major_at;
        if (px < -width || py < -width || px > target.width() + width || py > target.height() + width) continue;
        dots.push_back(RECT {static_cast<LONG>(px - before), static_cast<LONG>(py - before),
            static_cast<LONG>(px - before + width), static_cast<LONG>(py - before + width)});
    }
    if (!dots.empty()) paint(*dc, Region::from_rects(dots), pen.colour());
    return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return CLR_INVALID;
    POINT origin = dc->origin();
    int tx = x + origin.x, ty = y + origin.y;
    if (!dc->drawable().contains(tx, ty)) return CLR_INVALID;
    Bitmap& target = dc->target();
    std::uint32_t value = encode_colour(target.format(), color);
    write_pixel(target.format(), target.row(ty), tx, value);
    dc->changed(RECT {tx, ty, tx + 1, ty + 1});
    return decode_colour(target.format(), value);
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) { return SetPixel(hdc, x, y, color) != CLR_INVALID; }

COLORREF GetPixel(HDC hdc, int x, int y)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return CLR_INVALID;
    POINT origin = dc->origin();
    int tx = x + origin.x, ty = y + origin.y;
    if (!dc->drawable().contains(tx, ty)) return CLR_INVALID;
    const Bitmap& target = dc->target();
    return decode_colour(target.format(), read_pixel(target.format(), target.row(ty), tx));
}
