// Pens, brushes and fonts: the small objects a DC draws with. Fonts only keep
// their LOGFONTW here; turning them into glyphs is the text layer's job.
#pragma once

#include <memory>

#include "platform/gdi/gdi_object.h"

namespace platform::gdi {

class Pen : public GdiObject {
public:
    explicit Pen(const LOGPEN& description)
        : description_(description)
    {
    }
    DWORD object_type() const override { return OBJ_PEN; }
    int describe(int size, void* buffer) const override;

    const LOGPEN& description() const { return description_; }
    bool is_null() const { return description_.lopnStyle == PS_NULL; }
    // Width in pixels; 0 means the thinnest line, one pixel.
    int width() const { return description_.lopnWidth.x < 1 ? 1 : description_.lopnWidth.x; }
    COLORREF colour() const { return description_.lopnColor; }

private:
    LOGPEN description_;
};

class Brush : public GdiObject {
public:
    explicit Brush(const LOGBRUSH& description)
        : description_(description)
    {
    }
    DWORD object_type() const override { return OBJ_BRUSH; }
    int describe(int size, void* buffer) const override;

    bool is_null() const { return description_.lbStyle == BS_NULL; }
    COLORREF colour() const { return description_.lbColor; }

private:
    LOGBRUSH description_;
};

class Font : public GdiObject {
public:
    explicit Font(const LOGFONTW& description)
        : description_(description)
    {
    }
    DWORD object_type() const override { return OBJ_FONT; }
    int describe(int size, void* buffer) const override;

    const LOGFONTW& description() const { return description_; }

private:
    LOGFONTW description_;
};

// The stock objects a new DC starts with.
HBRUSH default_brush();
HPEN default_pen();
HFONT default_font();

}  // namespace platform::gdi
