// Regions: sets of pixels made of rectangles, for clipping and for the
// window system's visible and update areas. A thin owner of a pixman region.
#pragma once

#include <pixman.h>

#include <vector>

#include "platform/gdi/gdi_object.h"

namespace platform::gdi {

class Region {
public:
    Region() { pixman_region32_init(&region_); }
    explicit Region(const RECT& rect);
    Region(const Region& other);
    Region& operator=(const Region& other);
    ~Region() { pixman_region32_fini(&region_); }

    static Region from_rects(const std::vector<RECT>& rects);

    void set_rect(const RECT& rect);
    void set_empty();
    void intersect(const Region& other);
    void intersect(const RECT& rect);
    void unite(const Region& other);
    void subtract(const Region& other);
    void exclusive_or(const Region& other);
    void offset(int dx, int dy) { pixman_region32_translate(&region_, dx, dy); }

    bool empty() const { return !pixman_region32_not_empty(&region_); }
    bool contains(int x, int y) const;
    bool overlaps(const RECT& rect) const;
    bool equals(const Region& other) const { return pixman_region32_equal(&region_, &other.region_); }
    // The bounding box; an empty region gives (0, 0, 0, 0).
    RECT bounds() const;
    // NULLREGION, SIMPLEREGION or COMPLEXREGION.
    int complexity() const;
    std::vector<RECT> rects() const;

    pixman_region32_t* raw() { return &region_; }
    const pixman_region32_t* raw() const { return &region_; }

private:
    pixman_region32_t region_;
};

// Rectangles with right and bottom swapped into order, as region calls take them.
RECT ordered_rect(int left, int top, int right, int bottom);

class RegionObject : public GdiObject {
public:
    DWORD object_type() const override { return OBJ_REGION; }
    Region region;
};

}  // namespace platform::gdi
