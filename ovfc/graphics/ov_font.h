// Fonts and text: every font of the framework comes from one process-wide
// cache keyed by height and style, created once with the theme's face name
// and kept until the application exits.
#pragma once

#include <windows.h>

// The cache key: height (compared signed) then the style word (compared
// unsigned), which packs weight (10 bits), underline (1), italic (1), angle
// (2) and quality (3) above five zero bits.
struct OvFontKey {
    int nHeight;
    DWORD dwStyle;

    bool operator<(const OvFontKey& other) const
    {
        if (nHeight != other.nHeight) return nHeight < other.nHeight;
        return dwStyle < other.dwStyle;
    }
    bool operator==(const OvFontKey& other) const = default;
};

OvFontKey OvMakeFontKey(int nHeight, int nWeight, int bUnderline, int bItalic, int nAngle, int nQuality);

// The cached font of a pixel height, weight, underline and italic flags, a
// quarter-turn angle code (0..3: 0, 90, 180, 270 degrees) and a quality code
// (0 default, 1 draft, 2 antialiased, 3 non-antialiased, 4 and above
// ClearType). Null when the font cannot be created (a later request tries
// again). The cache owns it: never delete it.
HFONT OvGetFont(int nHeight, int nWeight, int bUnderline, int bItalic, int nAngle, int nQuality);
// Deletes every cached font and empties the cache.
void OvReleaseFonts();
// The number of fonts the cache holds (null entries included).
size_t OvGetFontCacheSize();

// DrawTextW of the whole zero-terminated text into prc with uFormat; 0 and
// nothing drawn for null or empty text. The caller selects font, colour and
// background mode.
int OvDrawText(HDC hdc, LPCWSTR pszText, RECT* prc, UINT uFormat);

// The face name is read once per process. A harness that starts the
// framework again in the same process (the tests) calls this so that the
// next font request reads the theme's font name again.
void OvForgetThemeFontName();
// The template the last font was created from (its face name and fields).
const LOGFONTW* OvGetFontTemplate();
