#include "platform/gdi/drawing_objects.h"

#include <array>
#include <cstring>
#include <mutex>

#include "platform/include/winbase.h"

namespace platform::gdi {
namespace {

int copy_description(const void* description, int description_size, int size, void* buffer)
{
    if (!buffer) return description_size;
    int n = size < description_size ? size : description_size;
    if (n <= 0) return 0;
    std::memcpy(buffer, description, static_cast<std::size_t>(n));
    return n;
}

LOGFONTW stock_font_description()
{
    // The phone's screen is 192 dots per inch: 9 points are 24 pixels. An
    // empty face name asks for the platform's default face.
    LOGFONTW font {};
    font.lfHeight = -24;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    return font;
}

constexpr int stock_count = DEFAULT_GUI_FONT + 1;

std::array<std::uint32_t, stock_count>& stock_handles()
{
    static std::array<std::uint32_t, stock_count> handles = [] {
        std::array<std::uint32_t, stock_count> values {};
        auto brush = [](UINT style, COLORREF colour) {
            return insert_object(std::make_shared<Brush>(LOGBRUSH {style, colour, 0}), true);
        };
        auto pen = [](UINT style, COLORREF colour) {
            return insert_object(std::make_shared<Pen>(LOGPEN {style, {1, 0}, colour}), true);
        };
        values[WHITE_BRUSH] = brush(BS_SOLID, RGB(255, 255, 255));
        values[LTGRAY_BRUSH] = brush(BS_SOLID, RGB(192, 192, 192));
        values[GRAY_BRUSH] = brush(BS_SOLID, RGB(128, 128, 128));
        values[DKGRAY_BRUSH] = brush(BS_SOLID, RGB(64, 64, 64));
        values[BLACK_BRUSH] = brush(BS_SOLID, RGB(0, 0, 0));
        values[NULL_BRUSH] = brush(BS_NULL, 0);
        values[WHITE_PEN] = pen(PS_SOLID, RGB(255, 255, 255));
        values[BLACK_PEN] = pen(PS_SOLID, RGB(0, 0, 0));
        values[NULL_PEN] = pen(PS_NULL, 0);
        values[SYSTEM_FONT] = insert_object(std::make_shared<Font>(stock_font_description()), true);
        values[DEFAULT_GUI_FONT] = insert_object(std::make_shared<Font>(stock_font_description()), true);
        return values;
    }();
    return handles;
}

}  // namespace

int Pen::describe(int size, void* buffer) const
{
    return copy_description(&description_, sizeof description_, size, buffer);
}

int Brush::describe(int size, void* buffer) const
{
    return copy_description(&description_, sizeof description_, size, buffer);
}

int Font::describe(int size, void* buffer) const
{
    return copy_description(&description_, sizeof description_, size, buffer);
}

HBRUSH default_brush() { return to_handle<HBRUSH>(stock_handles()[WHITE_BRUSH]); }
HPEN default_pen() { return to_handle<HPEN>(stock_handles()[BLACK_PEN]); }
HFONT default_font() { return to_handle<HFONT>(stock_handles()[SYSTEM_FONT]); }

}  // namespace platform::gdi

using namespace platform::gdi;

HGDIOBJ GetStockObject(int i)
{
    if (i < 0 || i >= stock_count || stock_handles()[static_cast<std::size_t>(i)] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return to_handle<HGDIOBJ>(stock_handles()[static_cast<std::size_t>(i)]);
}

HPEN CreatePenIndirect(const LOGPEN* plpen)
{
    if (!plpen) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LOGPEN description = *plpen;
    // Dashed and dotted styles draw as solid lines on this display.
    if (description.lopnStyle > PS_INSIDEFRAME) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (description.lopnWidth.x < 0) description.lopnWidth.x = -description.lopnWidth.x;
    description.lopnWidth.y = 0;
    return to_handle<HPEN>(insert_object(std::make_shared<Pen>(description)));
}

HPEN CreatePen(int iStyle, int cWidth, COLORREF color)
{
    LOGPEN description {static_cast<UINT>(iStyle), {cWidth, 0}, color};
    return CreatePenIndirect(&description);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush)
{
    if (!plbrush || (plbrush->lbStyle != BS_SOLID && plbrush->lbStyle != BS_NULL)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return to_handle<HBRUSH>(insert_object(std::make_shared<Brush>(*plbrush)));
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    LOGBRUSH description {BS_SOLID, color, 0};
    return CreateBrushIndirect(&description);
}

HFONT CreateFontIndirectW(const LOGFONTW* lplf)
{
    if (!lplf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LOGFONTW description = *lplf;
    // A face name without its terminator is cut to the field.
    description.lfFaceName[LF_FACESIZE - 1] = 0;
    return to_handle<HFONT>(insert_object(std::make_shared<Font>(description)));
}
