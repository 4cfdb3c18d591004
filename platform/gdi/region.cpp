#include "platform/gdi/region.h"

#include <algorithm>

#include "platform/include/winbase.h"

namespace platform::gdi {
namespace {

// Coordinates far outside any bitmap are pulled in, so widths never overflow
// the region arithmetic.
RECT clamped(const RECT& rect)
{
    static constexpr LONG limit = 1 << 28;
    auto clamp = [](LONG v) { return std::clamp(v, -limit, limit); };
    return RECT {clamp(rect.left), clamp(rect.top), clamp(rect.right), clamp(rect.bottom)};
}

}  // namespace

Region::Region(const RECT& rect)
{
    pixman_region32_init(&region_);
    set_rect(rect);
}

Region::Region(const Region& other)
{
    pixman_region32_init(&region_);
    pixman_region32_copy(&region_, &other.region_);
}

Region& Region::operator=(const Region& other)
{
    if (this != &other) pixman_region32_copy(&region_, &other.region_);
    return *this;
}

Region Region::from_rects(const std::vector<RECT>& rects)
{
    std::vector<pixman_box32_t> boxes;
    boxes.reserve(rects.size());
    for (const RECT& given : rects) {
        RECT rect = clamped(given);
        if (rect.left < rect.right && rect.top < rect.bottom)
            boxes.push_back(pixman_box32_t {rect.left, rect.top, rect.right, rect.bottom});
    }
    Region result;
    pixman_region32_fini(&result.region_);
    // Overlapping boxes are merged into one region.
    pixman_region32_init_rects(&result.region_, boxes.data(), static_cast<int>(boxes.size()));
    return result;
}

void Region::set_rect(const RECT& given)
{
    RECT rect = clamped(given);
    pixman_region32_fini(&region_);
    if (rect.left < rect.right && rect.top < rect.bottom)
        pixman_region32_init_rect(&region_, rect.left, rect.top, static_cast<unsigned>(rect.right - rect.left),
            static_cast<unsigned>(rect.bottom - rect.top));
    else
        pixman_region32_init(&region_);
}

void Region::set_empty() { pixman_region32_clear(&region_); }

void Region::intersect(const Region& other) { pixman_region32_intersect(&region_, &region_, &other.region_); }

void Region::intersect(const RECT& given)
{
    RECT rect = clamped(given);
    if (rect.left >= rect.right || rect.top >= rect.bottom) {
        set_empty();
        return;
    }
    pixman_region32_intersect_rect(&region_, &region_, rect.left, rect.top,
        static_cast<unsigned>(rect.right - rect.left), static_cast<unsigned>(rect.bottom - rect.top));
}

void Region::unite(const Region& other) { pixman_region32_union(&region_, &region_, &other.region_); }

void Region::subtract(const Region& other) { pixman_region32_subtract(&region_, &region_, &other.region_); }

void Region::exclusive_or(const Region& other)
{
    Region both(*this);
    both.intersect(other);
    unite(other);
    subtract(both);
}

bool Region::contains(int x, int y) const { return pixman_region32_contains_point(&region_, x, y, nullptr); }

bool Region::overlaps(const RECT& given) const
{
    RECT rect = clamped(given);
    if (rect.left >= rect.right || rect.top >= rect.bottom) return false;
    pixman_box32_t box {rect.left, rect.top, rect.right, rect.bottom};
    return pixman_region32_contains_rectangle(&region_, &box) != PIXMAN_REGION_OUT;
}

RECT Region::bounds() const
{
    if (empty()) return RECT {0, 0, 0, 0};
    const pixman_box32_t* box = pixman_region32_extents(&region_);
    return RECT {box->x1, box->y1, box->x2, box->y2};
}

int Region::complexity() const
{
    int n = pixman_region32_n_rects(&region_);
    return n == 0 ? NULLREGION : n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

std::vector<RECT> Region::rects() const
{
    int n = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(&region_, &n);
    std::vector<RECT> result;
    result.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) result.push_back(RECT {boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2});
    return result;
}

RECT ordered_rect(int left, int top, int right, int bottom)
{
    return RECT {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

}  // namespace platform::gdi

using namespace platform::gdi;

namespace {

std::shared_ptr<RegionObject> find_region(HRGN hrgn)
{
    auto region = find_object_as<RegionObject>(hrgn);
    if (!region) SetLastError(ERROR_INVALID_HANDLE);
    return region;
}

}  // namespace

HRGN CreateRectRgn(int x1, int y1, int x2, int y2)
{
    auto region = std::make_shared<RegionObject>();
    region->region.set_rect(ordered_rect(x1, y1, x2, y2));
    return to_handle<HRGN>(insert_object(region));
}

HRGN CreateRectRgnIndirect(const RECT* lprect)
{
    if (!lprect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateRectRgn(lprect->left, lprect->top, lprect->right, lprect->bottom);
}

int CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode)
{
    auto destination = find_region(hrgnDst);
    auto first = find_region(hrgnSrc1);
    if (!destination || !first) return ERROR;
    if (iMode == RGN_COPY) {
        destination->region = first->region;
        return destination->region.complexity();
    }
    auto second = find_region(hrgnSrc2);
    if (!second) return ERROR;
    // Work on a copy: the destination may be one of the sources.
    Region result(first->region);
    switch (iMode) {
    case RGN_AND:
        result.intersect(second->region);
        break;
    case RGN_OR:
        result.unite(second->region);
        break;
    case RGN_XOR:
        result.exclusive_or(second->region);
        break;
    case RGN_DIFF:
        result.subtract(second->region);
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR;
    }
    destination->region = result;
    return destination->region.complexity();
}

BOOL SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom)
{
    auto region = find_region(hrgn);
    if (!region) return FALSE;
    region->region.set_rect(ordered_rect(left, top, right, bottom));
    return TRUE;
}

BOOL PtInRegion(HRGN hrgn, int x, int y)
{
    auto region = find_region(hrgn);
    return region && region->region.contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN hrgn, const RECT* lprect)
{
    auto region = find_region(hrgn);
    if (!region || !lprect) return FALSE;
    return region->region.overlaps(ordered_rect(lprect->left, lprect->top, lprect->right, lprect->bottom)) ? TRUE
                                                                                                           : FALSE;
}

BOOL EqualRgn(HRGN hrgn1, HRGN hrgn2)
{
    auto first = find_region(hrgn1);
    auto second = find_region(hrgn2);
    if (!first || !second) return ERROR;
    return first->region.equals(second->region) ? TRUE : FALSE;
}

int GetRgnBox(HRGN hrgn, LPRECT lprc)
{
    auto region = find_region(hrgn);
    if (!region || !lprc) return ERROR;
    *lprc = region->region.bounds();
    return region->region.complexity();
}

int OffsetRgn(HRGN hrgn, int x, int y)
{
    auto region = find_region(hrgn);
    if (!region) return ERROR;
    region->region.offset(x, y);
    return region->region.complexity();
}
