// Clip regions of DCs. A DC's clip region is in its own coordinates; what it
// may draw is that region within the target's bounds and, for window DCs, the
// window's visible region.
#include "platform/gdi/dc.h"
#include "platform/include/winbase.h"

using namespace platform::gdi;

namespace {

// Everything a DC could address: the starting point of a clip made by
// excluding from no clip at all.
const RECT everything {-(1 << 28), -(1 << 28), 1 << 28, 1 << 28};

std::shared_ptr<DeviceContext> dc_or_error(HDC hdc)
{
    auto dc = find_dc(hdc);
    if (!dc) SetLastError(ERROR_INVALID_HANDLE);
    return dc;
}

int drawable_complexity(DeviceContext& dc) { return dc.drawable().complexity(); }

}  // namespace

int ExtSelectClipRgn(HDC hdc, HRGN hrgn, int mode)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return ERROR;
    if (!hrgn) {
        if (mode != RGN_COPY) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return ERROR;
        }
        dc->set_clip(std::nullopt);
        return drawable_complexity(*dc);
    }
    auto region = find_object_as<RegionObject>(hrgn);
    if (!region) {
        SetLastError(ERROR_INVALID_HANDLE);
        return ERROR;
    }
    Region current = dc->state().clip ? *dc->state().clip : Region(everything);
    switch (mode) {
    case RGN_COPY:
        current = region->region;
        break;
    case RGN_AND:
        current.intersect(region->region);
        break;
    case RGN_OR:
        current.unite(region->region);
        break;
    case RGN_XOR:
        current.exclusive_or(region->region);
        break;
    case RGN_DIFF:
        current.subtract(region->region);
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR;
    }
    dc->set_clip(std::move(current));
    return drawable_complexity(*dc);
}

int SelectClipRgn(HDC hdc, HRGN hrgn) { return ExtSelectClipRgn(hdc, hrgn, RGN_COPY); }

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return ERROR;
    Region current = dc->state().clip ? *dc->state().clip : Region(everything);
    current.intersect(ordered_rect(left, top, right, bottom));
    dc->set_clip(std::move(current));
    return drawable_complexity(*dc);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    auto dc = dc_or_error(hdc);
    if (!dc) return ERROR;
    Region current = dc->state().clip ? *dc->state().clip : Region(everything);
    current.subtract(Region(ordered_rect(left, top, right, bottom)));
    dc->set_clip(std::move(current));
    return drawable_complexity(*dc);
}

int GetClipBox(HDC hdc, LPRECT lprect)
{
    auto dc = dc_or_error(hdc);
    if (!dc || !lprect) return ERROR;
    const Region& drawable = dc->drawable();
    RECT box = drawable.bounds();
    if (!drawable.empty()) {
        POINT origin = dc->origin();
        box.left -= origin.x;
        box.right -= origin.x;
        box.top -= origin.y;
        box.bottom -= origin.y;
    }
    *lprect = box;
    return drawable.complexity();
}

int GetClipRgn(HDC hdc, HRGN hrgn)
{
    auto dc = dc_or_error(hdc);
    auto region = find_object_as<RegionObject>(hrgn);
    if (!dc || !region) return -1;
    if (!dc->state().clip) return 0;
    region->region = *dc->state().clip;
    return 1;
}
