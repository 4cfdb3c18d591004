// The text calls of the phone's drawing interface. Each finds the DC and the
// sized face of its font, then measures with the face's whole-pixel widths
// or lays out and paints. A bad DC or argument fails with the phone's error
// codes; a host without any usable font fails the calls with
// ERROR_FILE_NOT_FOUND rather than drawing nothing and claiming success.
#include <algorithm>
#include <cstdint>
#include <mutex>

#include "platform/include/winbase.h"
#include "platform/include/wintext.h"
#include "platform/kernel/utf.h"
#include "platform/text/font_cache.h"
#include "platform/text/text_layout.h"
#include "platform/text/text_painter.h"

using namespace platform;
using namespace platform::text;

namespace {

struct TextTarget {
    std::shared_ptr<gdi::DeviceContext> dc;
    std::shared_ptr<FontInstance> font;
};

std::optional<TextTarget> text_target(HDC hdc)
{
    TextTarget target;
    target.dc = gdi::find_dc(hdc);
    if (!target.dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return std::nullopt;
    }
    target.font = FontCache::instance().find(target.dc->font());
    if (!target.font) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return std::nullopt;
    }
    return target;
}

std::u16string_view counted(LPCWSTR text, int count)
{
    if (!text) return {};
    return count < 0 ? text_view(text) : std::u16string_view(text, static_cast<std::size_t>(count));
}

// Rectangle sides as the layout takes them: a rectangle from one end of the
// coordinate range to the other must not overflow.
int span_of(LONG from, LONG to)
{
    long long span = static_cast<long long>(to) - from;
    return static_cast<int>(std::clamp<long long>(span, -(1 << 30), 1 << 30));
}

LONG clamped(long long value) { return static_cast<LONG>(std::clamp<long long>(value, INT32_MIN, INT32_MAX)); }

std::vector<int> advances_of(FontInstance& font, std::u32string_view characters)
{
    std::vector<int> advances(characters.size());
    for (std::size_t i = 0; i < characters.size(); ++i) advances[i] = font.advance(characters[i]);
    return advances;
}

// How many UTF-16 units each character of the decoded text came from, the
// same way prepare_text decodes them.
std::vector<int> units_per_character(std::u16string_view text)
{
    std::vector<int> units;
    units.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool pair = text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000;
        units.push_back(pair ? 2 : 1);
        if (pair) ++i;
    }
    return units;
}

}  // namespace

int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format)
{
    std::lock_guard lock(text_mutex());
    if (!lprc || (!lpchText && cchText != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto target = text_target(hdc);
    if (!target) return 0;
    // Nothing to draw or measure: the caller's rectangle stays as it was.
    if (cchText == 0) return 0;
    FontInstance& font = *target->font;
    int line_height = font.metrics().height;

    PreparedText prepared = prepare_text(counted(lpchText, cchText), !(format & DT_NOPREFIX));
    if (format & DT_HIDEPREFIX) prepared.mnemonic = -1;
    LayoutRequest request;
    request.characters = prepared.characters;
    request.advances = advances_of(font, prepared.characters);
    request.dot_advance = font.advance(U'.');
    request.width = span_of(lprc->left, lprc->right);
    request.height = span_of(lprc->top, lprc->bottom);
    request.line_height = line_height;
    request.format = format;
    std::vector<TextLine> lines = layout_text(request);
    int text_height = static_cast<int>(lines.size()) * line_height;

    if (format & DT_CALCRECT) {
        // An empty text measures as one empty line, so a caller sizing a
        // box for it still gets a line's room.
        if (lines.empty()) text_height = line_height;
        int widest = 0;
        for (const TextLine& line : lines) widest = std::max(widest, line.width);
        lprc->right = clamped(static_cast<long long>(lprc->left) + widest);
        lprc->bottom = clamped(static_cast<long long>(lprc->top) + text_height);
        return text_height;
    }

    long long top = lprc->top;
    int result = text_height;
    if ((format & DT_SINGLELINE) && !lines.empty()) {
        if (format & DT_VCENTER)
            top = static_cast<long long>(lprc->top) + (request.height - line_height) / 2;
        else if (format & DT_BOTTOM)
            top = static_cast<long long>(lprc->bottom) - line_height;
        result = static_cast<int>(top - lprc->top + line_height);
    }

    TextPainter painter(*target->dc, (format & DT_NOCLIP) ? nullptr : lprc);
    std::u32string characters;
    std::vector<int> advances;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TextLine& line = lines[i];
        characters.assign(prepared.characters, line.begin, line.end - line.begin);
        characters.append(static_cast<std::size_t>(line.dots), U'.');
        advances.assign(request.advances.begin() + static_cast<std::ptrdiff_t>(line.begin),
            request.advances.begin() + static_cast<std::ptrdiff_t>(line.end));
        advances.insert(advances.end(), static_cast<std::size_t>(line.dots), request.dot_advance);

        TextRun run;
        run.characters = characters;
        run.advances = advances.data();
        run.origin.y = clamped(top + static_cast<long long>(i) * line_height);
        run.origin.x = lprc->left;
        if (format & DT_CENTER)
            run.origin.x = clamped(static_cast<long long>(lprc->left) + (request.width - line.width) / 2);
        else if (format & DT_RIGHT)
            run.origin.x = clamped(static_cast<long long>(lprc->right) - line.width);
        if (prepared.mnemonic >= static_cast<long>(line.begin) && prepared.mnemonic < static_cast<long>(line.end))
            run.underlined = prepared.mnemonic - static_cast<long>(line.begin);
        painter.draw(font, run);
    }
    return result;
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCWSTR lpString, UINT c, const INT* lpDx)
{
    std::lock_guard lock(text_mutex());
    if (!lpString && c != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto target = text_target(hdc);
    if (!target) return FALSE;
    std::u16string_view source = lpString ? std::u16string_view(lpString, c) : std::u16string_view();

    TextPainter painter(*target->dc, (options & ETO_CLIPPED) && lprect ? lprect : nullptr);
    if ((options & ETO_OPAQUE) && lprect) painter.fill(*lprect, target->dc->background_colour());

    PreparedText prepared = prepare_text(source, false);
    std::vector<int> advances;
    if (lpDx) {
        // The caller's spacing is per UTF-16 unit; a surrogate pair takes both.
        std::size_t unit = 0;
        for (int count : units_per_character(source)) {
            int advance = 0;
            for (int k = 0; k < count; ++k) advance += lpDx[unit++];
            advances.push_back(advance);
        }
    } else {
        advances = advances_of(*target->font, prepared.characters);
    }
    TextRun run;
    run.characters = prepared.characters;
    run.advances = advances.data();
    run.origin = POINT {x, y};
    painter.draw(*target->font, run);
    return TRUE;
}

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c)
{
    if (c < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return ExtTextOutW(hdc, x, y, 0, nullptr, lpString, static_cast<UINT>(c), nullptr);
}

BOOL GetTextExtentExPointW(
    HDC hdc, LPCWSTR lpszString, int cchString, int nMaxExtent, INT* lpnFit, INT* lpnDx, LPSIZE lpSize)
{
    std::lock_guard lock(text_mutex());
    if (cchString < 0 || (!lpszString && cchString != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto target = text_target(hdc);
    if (!target) return FALSE;
    std::u16string_view source = counted(lpszString, cchString);
    PreparedText prepared = prepare_text(source, false);
    std::vector<int> advances = advances_of(*target->font, prepared.characters);
    std::vector<int> units = units_per_character(source);

    int extent = 0, fit = 0;
    std::size_t unit = 0;
    for (std::size_t i = 0; i < advances.size(); ++i) {
        extent += advances[i];
        if (extent <= nMaxExtent && fit == static_cast<int>(unit)) fit += units[i];
        for (int k = 0; k < units[i]; ++k, ++unit)
            if (lpnDx) lpnDx[unit] = extent;
    }
    if (lpnFit) *lpnFit = fit;
    if (lpSize) *lpSize = SIZE {extent, target->font->metrics().height};
    return TRUE;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl)
{
    if (!psizl) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return GetTextExtentExPointW(hdc, lpString, c, 0, nullptr, nullptr, psizl);
}

BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW lptm)
{
    std::lock_guard lock(text_mutex());
    if (!lptm) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto target = text_target(hdc);
    if (!target) return FALSE;
    const LOGFONTW& style = target->dc->font();
    const FontInstance& font = *target->font;
    const FontMetrics& m = font.metrics();
    TEXTMETRICW metrics {};
    metrics.tmHeight = m.height;
    metrics.tmAscent = m.ascent;
    metrics.tmDescent = m.descent;
    metrics.tmInternalLeading = m.internal_leading;
    metrics.tmExternalLeading = 0;
    metrics.tmAveCharWidth = m.average_char_width;
    metrics.tmMaxCharWidth = m.max_char_width;
    metrics.tmWeight = style.lfWeight == FW_DONTCARE ? FW_NORMAL : style.lfWeight;
    metrics.tmDigitizedAspectX = gdi::logical_dots_per_inch;
    metrics.tmDigitizedAspectY = gdi::logical_dots_per_inch;
    metrics.tmFirstChar = 0x20;
    metrics.tmLastChar = 0xFFFC;
    metrics.tmDefaultChar = 0x1F;
    metrics.tmBreakChar = 0x20;
    metrics.tmItalic = style.lfItalic ? 1 : 0;
    metrics.tmUnderlined = style.lfUnderline ? 1 : 0;
    metrics.tmStruckOut = style.lfStrikeOut ? 1 : 0;
    // The phone's headers name the bit backwards: set means variable pitch.
    metrics.tmPitchAndFamily = TMPF_VECTOR | TMPF_TRUETYPE | (font.fixed_pitch() ? 0 : TMPF_FIXED_PITCH);
    bool chinese_face = font.file().family == default_family;
    metrics.tmCharSet = style.lfCharSet != DEFAULT_CHARSET ? style.lfCharSet
        : chinese_face                                     ? GB2312_CHARSET
                                                           : ANSI_CHARSET;
    *lptm = metrics;
    return TRUE;
}

int GetTextFaceW(HDC hdc, int c, LPWSTR lpName)
{
    std::lock_guard lock(text_mutex());
    auto target = text_target(hdc);
    if (!target) return 0;
    std::u16string name = from_utf8(target->font->file().family);
    if (!lpName) return static_cast<int>(name.size()) + 1;
    if (c <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::size_t copied = std::min(name.size(), static_cast<std::size_t>(c - 1));
    std::copy_n(name.begin(), copied, lpName);
    lpName[copied] = 0;
    return static_cast<int>(copied) + 1;
}
