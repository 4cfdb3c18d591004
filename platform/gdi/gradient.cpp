// GradientFill for rectangles: each channel runs linearly from the first
// vertex's colour on its edge towards the second's, which the last row or
// column approaches but does not reach, as on the phone.
#include <algorithm>

#include "platform/gdi/dc.h"
#include "platform/gdi/raster.h"
#include "platform/include/winbase.h"

using namespace platform::gdi;

namespace {

struct Ramp {
    std::int64_t start[4];  // red, green, blue, alpha as 16-bit channels
    std::int64_t end[4];
    std::int64_t length;

    // The 8-bit channels at step t of the ramp.
    void at(std::int64_t t, std::uint32_t channels[4]) const
    {
        for (int c = 0; c < 4; ++c)
            channels[c] = static_cast<std::uint32_t>(((start[c] * (length - t) + end[c] * t) / length) >> 8) & 0xFF;
    }
};

std::uint32_t pixel_of(PixelFormat format, const std::uint32_t channels[4])
{
    std::uint32_t xrgb = (channels[0] << 16) | (channels[1] << 8) | channels[2];
    if (format == PixelFormat::xrgb32) return xrgb | (channels[3] << 24);
    return xrgb_to_pixel(format, xrgb);
}

void fill_gradient_rect(DeviceContext& dc, const TRIVERTEX& a, const TRIVERTEX& b, bool vertical)
{
    POINT origin = dc.origin();
    // The vertex nearer the start of the ramp gives the first colour.
    const TRIVERTEX& first = vertical ? (a.y <= b.y ? a : b) : (a.x <= b.x ? a : b);
    const TRIVERTEX& second = &first == &a ? b : a;
    RECT rect =
        ordered_rect(static_cast<int>(std::clamp<std::int64_t>(std::int64_t(a.x) + origin.x, -(1 << 28), 1 << 28)),
            static_cast<int>(std::clamp<std::int64_t>(std::int64_t(a.y) + origin.y, -(1 << 28), 1 << 28)),
            static_cast<int>(std::clamp<std::int64_t>(std::int64_t(b.x) + origin.x, -(1 << 28), 1 << 28)),
            static_cast<int>(std::clamp<std::int64_t>(std::int64_t(b.y) + origin.y, -(1 << 28), 1 << 28)));
    Region area(dc.drawable());
    area.intersect(rect);
    if (area.empty()) return;
    Ramp ramp {{first.Red, first.Green, first.Blue, first.Alpha}, {second.Red, second.Green, second.Blue, second.Alpha},
        vertical ? rect.bottom - rect.top : rect.right - rect.left};
    Bitmap& target = dc.target();
    PixelFormat format = target.format();
    std::uint32_t channels[4];
    for (const RECT& r : area.rects()) {
        if (vertical) {
            for (int y = r.top; y < r.bottom; ++y) {
                ramp.at(y - rect.top, channels);
                fill_rect(target, RECT {r.left, y, r.right, y + 1}, pixel_of(format, channels));
            }
        } else {
            for (int x = r.left; x < r.right; ++x) {
                ramp.at(x - rect.left, channels);
                fill_rect(target, RECT {x, r.top, x + 1, r.bottom}, pixel_of(format, channels));
            }
        }
    }
    dc.changed(area.bounds());
}

}  // namespace

BOOL GradientFill(HDC hdc, PTRIVERTEX pVertex, ULONG nVertex, PVOID pMesh, ULONG nMesh, ULONG ulMode)
{
    auto dc = find_dc(hdc);
    if (!dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Triangle meshes are not drawn by this display.
    if (!pVertex || !pMesh || (ulMode != GRADIENT_FILL_RECT_H && ulMode != GRADIENT_FILL_RECT_V)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto rects = static_cast<const GRADIENT_RECT*>(pMesh);
    for (ULONG i = 0; i < nMesh; ++i)
        if (rects[i].UpperLeft >= nVertex || rects[i].LowerRight >= nVertex) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    for (ULONG i = 0; i < nMesh; ++i)
        fill_gradient_rect(
            *dc, pVertex[rects[i].UpperLeft], pVertex[rects[i].LowerRight], ulMode == GRADIENT_FILL_RECT_V);
    return TRUE;
}
