// Fonts selected for the length of a test, and where the ink of drawn text
// lies on a surface.
#pragma once

#include <windows.h>

#include <set>
#include <string>

#include "platform/include/wintext.h"
#include "tests/platform/gdi/gdi_test_support.h"

namespace text_test {

using gdi_test::Surface;

struct FontOptions {
    LONG height = -24;
    LONG weight = FW_NORMAL;
    LONG escapement = 0;
    BYTE quality = ANTIALIASED_QUALITY;
    BYTE underline = 0;
    BYTE italic = 0;
    const char16_t* face = u"";
};

class SelectedFont {
public:
    SelectedFont(HDC dc, const FontOptions& options)
        : dc_(dc)
    {
        LOGFONTW description {};
        description.lfHeight = options.height;
        description.lfWeight = options.weight;
        description.lfEscapement = options.escapement;
        description.lfOrientation = options.escapement;
        description.lfQuality = options.quality;
        description.lfUnderline = options.underline;
        description.lfItalic = options.italic;
        description.lfCharSet = DEFAULT_CHARSET;
        std::u16string face(options.face);
        face.copy(description.lfFaceName, LF_FACESIZE - 1);
        font_ = CreateFontIndirectW(&description);
        previous_ = SelectObject(dc, font_);
    }
    ~SelectedFont()
    {
        SelectObject(dc_, previous_);
        DeleteObject(font_);
    }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ previous_;
};

// The smallest rectangle holding every pixel whose raw value differs from
// background; empty (all zero) when there is none.
inline RECT ink_box(const Surface& surface, std::uint32_t background)
{
    RECT box {0, 0, 0, 0};
    bool found = false;
    for (int y = 0; y < surface.pixels().height(); ++y)
        for (int x = 0; x < surface.pixels().width(); ++x) {
            if (surface.raw(x, y) == background) continue;
            if (!found) {
                box = RECT {x, y, x + 1, y + 1};
                found = true;
            }
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    return box;
}

inline int count_pixels(const Surface& surface, std::uint32_t value)
{
    int count = 0;
    for (int y = 0; y < surface.pixels().height(); ++y)
        for (int x = 0; x < surface.pixels().width(); ++x) count += surface.raw(x, y) == value;
    return count;
}

inline int width_of(const RECT& r) { return r.right - r.left; }
inline int height_of(const RECT& r) { return r.bottom - r.top; }

}  // namespace text_test
