// The themed element painter's table of looks.
#include "ovfc/graphics/ov_element.h"

#include "ovfc/core/ov_theme.h"
#include "ovfc/graphics/ov_dc_helpers.h"
#include "ovfc/graphics/ov_image.h"
#include "ovfc/graphics/ov_shapes.h"

namespace {

// Theme colour indices.
constexpr UINT kGridLine1Color1 = 15;
constexpr UINT kGridLine1Color2 = 16;
constexpr UINT kGridLine2Color1 = 17;
constexpr UINT kGridLine2Color2 = 18;
constexpr UINT kSelectedGradient1 = 21;
constexpr UINT kSelectedGradient2 = 22;
constexpr UINT kSelectedGradient3 = 23;

// The list groups' own colours, the same in every theme.
constexpr COLORREF kGroupSelectedTop = 0xF09036;
constexpr COLORREF kGroupSelectedBottom = 0xDB621A;
constexpr COLORREF kGroupOutline = 0x8E8A87;
constexpr COLORREF kGroupFill = 0xFAFAFA;
constexpr int kGroupRadius = 14;

constexpr UINT kSelectedTexture = 260;

// Bars: a three-part picture as wide as the rectangle, centred in it.
struct BarLook {
    int nType;
    UINT nIdOn;
    UINT nIdOff;
    int nCap;
    int bStretch;
};
constexpr BarLook kBars[] = {
    {1, 206, 205, 24, 1},
    {2, 204, 122, 24, 1},
    {5, 203, 178, 24, 1},
    {6, 213, 212, 11, 0},
    {7, 215, 214, 11, 0},
    {8, 211, 136, 13, 1},
    {9, 254, 253, 11, 1},
};

// Pictures at their natural size, centred; the same picture in both states
// for the 5xx types.
struct PictureLook {
    int nType;
    UINT nIdOn;
    UINT nIdOff;
};
constexpr PictureLook kPictures[] = {
    {11, 139, 140},
    {12, 135, 134},
    {265, 208, 102},
    {513, 139, 139},
    {514, 140, 140},
    {515, 102, 102},
    {516, 208, 208},
    {517, 207, 207},
    {518, 131, 131},
    {519, 134, 134},
    {520, 135, 135},
    {521, 158, 158},
};

// The grid-line colours of one separated row type, read from the theme the
// first time that type is drawn and kept from then on.
struct SeparatorColors {
    bool bLoaded = false;
    COLORREF crLine1Ends = 0;
    COLORREF crLine1Middle = 0;
    COLORREF crLine2Ends = 0;
    COLORREF crLine2Middle = 0;
};

SeparatorColors& SeparatorColorsOf(int nType)
{
    // Types 261, 262, 263 and 266 draw separators.
    static SeparatorColors colors[4];
    SeparatorColors& c = colors[nType == OVELEMENT_ROW_SEPARATOR_RIGHT ? 3 : nType - OVELEMENT_ROW_SEPARATOR_TOP];
    if (!c.bLoaded) {
        c.crLine1Ends = OvGetThemeColor(kGridLine1Color1);
        c.crLine1Middle = OvGetThemeColor(kGridLine1Color2);
        c.crLine2Ends = OvGetThemeColor(kGridLine2Color1);
        c.crLine2Middle = OvGetThemeColor(kGridLine2Color2);
        c.bLoaded = true;
    }
    return c;
}

// One separator line: from the ends' colour to the middle's and back.
void SeparatorLine(HDC hdc, const RECT& rcLine, COLORREF crEnds, COLORREF crMiddle, bool bColumn)
{
    OvGradientFillSplit(
        hdc, &rcLine, crEnds, crMiddle, crMiddle, crEnds, bColumn ? OVGRADIENT_VERTICAL : OVGRADIENT_SPLIT_HORIZONTAL);
}

void SeparatorTop(HDC hdc, const RECT& rc, const SeparatorColors& c)
{
    SeparatorLine(hdc, RECT {rc.left, rc.top, rc.right, rc.top + 1}, c.crLine2Ends, c.crLine2Middle, false);
    SeparatorLine(hdc, RECT {rc.left, rc.top + 1, rc.right, rc.top + 2}, c.crLine1Ends, c.crLine1Middle, false);
}

void SeparatorBottom(HDC hdc, const RECT& rc, const SeparatorColors& c)
{
    SeparatorLine(hdc, RECT {rc.left, rc.bottom - 2, rc.right, rc.bottom - 1}, c.crLine2Ends, c.crLine2Middle, false);
    SeparatorLine(hdc, RECT {rc.left, rc.bottom - 1, rc.right, rc.bottom}, c.crLine1Ends, c.crLine1Middle, false);
}

void SeparatorRight(HDC hdc, const RECT& rc, const SeparatorColors& c)
{
    SeparatorLine(hdc, RECT {rc.right - 2, rc.top, rc.right - 1, rc.bottom}, c.crLine2Ends, c.crLine2Middle, true);
    SeparatorLine(hdc, RECT {rc.right - 1, rc.top, rc.right, rc.bottom}, c.crLine1Ends, c.crLine1Middle, true);
}

OvImage* PlatformPicture(UINT nId) { return GetCachedImage(OvGetPlatformResModule(), nId, 1); }

// A row type: its separators, then the selected background in the area
// they leave when the row is selected.
int DrawRow(HDC hdc, const RECT& rc, int nType, int nState, int bNoBackground)
{
    RECT rcBack = rc;
    switch (nType) {
    case OVELEMENT_ROW_SEPARATOR_TOP:
        SeparatorTop(hdc, rc, SeparatorColorsOf(nType));
        rcBack.top += 2;
        break;
    case OVELEMENT_ROW_SEPARATOR_BOTTOM:
        SeparatorBottom(hdc, rc, SeparatorColorsOf(nType));
        rcBack.bottom -= 2;
        break;
    case OVELEMENT_ROW_SEPARATOR_BOTH: {
        const SeparatorColors& c = SeparatorColorsOf(nType);
        SeparatorTop(hdc, rc, c);
        SeparatorBottom(hdc, rc, c);
        rcBack.top += 2;
        rcBack.bottom -= 2;
        break;
    }
    case OVELEMENT_ROW_SEPARATOR_RIGHT:
        SeparatorRight(hdc, rc, SeparatorColorsOf(nType));
        rcBack.right -= 2;
        break;
    default:
        break;
    }
    if (nState == 1 && bNoBackground == 0) OvDrawSelectedBackground(hdc, &rcBack);
    return 1;
}

// Picture nId copied opaquely at its natural size to the top-left corner.
int DrawOpaquePicture(HDC hdc, const RECT& rc, UINT nId)
{
    OvImage* pImage = PlatformPicture(nId);
    if (!pImage) return 0;
    BitBlt(hdc, rc.left, rc.top, pImage->GetWidth(), pImage->GetHeight(), pImage->GetDC(), 0, 0, SRCCOPY);
    return 1;
}

// The wide bar: the picture stretched over the whole rectangle, not centred.
int DrawWideBar(HDC hdc, const RECT& rc, UINT nId)
{
    OvImage* pImage = PlatformPicture(nId);
    if (!pImage) return 0;
    RECT rcSource {0, 0, pImage->GetWidth(), pImage->GetHeight()};
    OvDrawThreePartH(hdc, &rc, pImage->GetDC(), &rcSource, 1, 19, 19, 1);
    return 1;
}

}  // namespace

int OvDrawElement(HDC hdc, const RECT* prc, int nType, int nState, int bNoBackground)
{
    if (!prc) return 0;
    for (const BarLook& look : kBars) {
        if (look.nType == nType)
            return OvDrawPlatformBarH(
                hdc, prc, nState != 0 ? look.nIdOn : look.nIdOff, look.nCap, look.nCap, look.bStretch);
    }
    for (const PictureLook& look : kPictures) {
        if (look.nType == nType) return OvDrawPlatformImage(hdc, prc, nState != 0 ? look.nIdOn : look.nIdOff);
    }
    switch (nType) {
    case 10:
        return DrawWideBar(hdc, *prc, nState != 0 ? 259 : 258);
    case OVELEMENT_PANEL_ROUND:
    case OVELEMENT_PANEL_TOP:
    case OVELEMENT_PANEL_BOTTOM:
    case OVELEMENT_PANEL_SQUARE:
    case OVELEMENT_PANEL_FILL:
        return OvDrawListItemPanel(hdc, prc, nType, nState);
    case OVELEMENT_ROW_SEPARATOR_TOP:
    case OVELEMENT_ROW_SEPARATOR_BOTTOM:
    case OVELEMENT_ROW_SEPARATOR_BOTH:
    case OVELEMENT_ROW_PLAIN:
    case OVELEMENT_ROW_SEPARATOR_RIGHT:
        return DrawRow(hdc, *prc, nType, nState, bNoBackground);
    case 522:
        return DrawOpaquePicture(hdc, *prc, 133);
    case 523:
        return DrawOpaquePicture(hdc, *prc, 106);
    case 524:
        return DrawOpaquePicture(hdc, *prc, 107);
    default:
        return 1;
    }
}

int OvDrawListItemPanel(HDC hdc, const RECT* prc, int nKind, int nState)
{
    if (!prc) return 1;
    const RECT& rc = *prc;
    switch (nKind) {
    case OVELEMENT_PANEL_ROUND:
        if (nState == 1)
            OvDrawRoundPanel(hdc, prc, kGroupRadius, kGroupSelectedTop, kGroupSelectedBottom);
        else
            OvDrawRoundRect(hdc, prc, kGroupRadius, kGroupOutline, kGroupFill);
        break;
    case OVELEMENT_PANEL_TOP:
        if (nState == 1)
            OvDrawRoundPanelTop(hdc, prc, kGroupRadius, kGroupSelectedTop, kGroupSelectedBottom);
        else
            OvDrawSolidPanelTop(hdc, prc, kGroupRadius, kGroupOutline, kGroupFill);
        OvDrawLine(hdc, rc.left, rc.bottom, rc.right, rc.bottom, kGroupOutline);
        break;
    case OVELEMENT_PANEL_BOTTOM:
        if (nState == 1)
            OvDrawRoundPanelBottom(hdc, prc, kGroupRadius, kGroupSelectedTop, kGroupSelectedBottom);
        else
            OvDrawSolidPanelBottom(hdc, prc, kGroupRadius, kGroupOutline, kGroupFill);
        OvDrawLine(hdc, rc.left, rc.top, rc.right, rc.top, kGroupOutline);
        break;
    case OVELEMENT_PANEL_SQUARE:
        if (nState != 0)
            OvDrawHighlightFrame(hdc, prc);
        else
            OvDrawRect(hdc, prc, kGroupOutline, kGroupFill);
        break;
    case OVELEMENT_PANEL_FILL:
        if (nState != 0) OvGradientFill(hdc, prc, kGroupSelectedTop, kGroupSelectedBottom, OVGRADIENT_VERTICAL);
        break;
    default:
        break;
    }
    return 1;
}

int OvDrawSelectedBackground(HDC hdc, const RECT* prc)
{
    if (!prc) return 0;
    // Read once, like the separators' colours.
    static const COLORREF crGradient1 = OvGetThemeColor(kSelectedGradient1);
    static const COLORREF crGradient2 = OvGetThemeColor(kSelectedGradient2);
    static const COLORREF crGradient3 = OvGetThemeColor(kSelectedGradient3);
    // The upper gradient takes 18% of the height (the constant is single
    // precision, as the boundary rows of existing screens rely on).
    int nMid = static_cast<int>(prc->top + (prc->bottom - prc->top) * static_cast<double>(0.18f));
    RECT rcUpper {prc->left, prc->top, prc->right, nMid};
    RECT rcLower {prc->left, nMid, prc->right, prc->bottom};
    OvGradientFill(hdc, &rcUpper, crGradient1, crGradient2, OVGRADIENT_VERTICAL);
    OvGradientFill(hdc, &rcLower, crGradient2, crGradient3, OVGRADIENT_VERTICAL);
    if (OvImage* pTexture = PlatformPicture(kSelectedTexture)) {
        RECT rcSource {0, 0, pTexture->GetWidth(), pTexture->GetHeight()};
        OvDrawNinePatch(hdc, prc, pTexture->GetDC(), &rcSource, 0, 0, 0, 0, 0, 1);
    }
    return 1;
}

int OvDrawHighlightFrame(HDC hdc, const RECT* prc)
{
    if (!prc) return 0;
    const RECT& rc = *prc;
    OvDrawLine(hdc, rc.left, rc.top, rc.right, rc.top, 0xC3A34C);
    OvDrawLine(hdc, rc.left, rc.top + 1, rc.right, rc.top + 1, 0xFFF8C1);
    OvDrawLine(hdc, rc.left, rc.bottom - 1, rc.right, rc.bottom - 1, 0xFFFFDA);
    OvDrawLine(hdc, rc.left, rc.bottom, rc.right, rc.bottom, 0xC3A34C);
    RECT rcBack {rc.left, rc.top + 2, rc.right, rc.bottom - 1};
    return OvDrawSelectedBackground(hdc, &rcBack);
}
