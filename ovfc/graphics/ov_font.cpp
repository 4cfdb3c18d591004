#include "ov_font.h"

#include <map>

#include "ovfc/core/ov_theme.h"

namespace {

std::map<OvFontKey, HFONT> g_fonts;
LOGFONTW g_template {};
bool g_bFaceNameRead = false;
bool g_bTemplateFilled = false;
WCHAR g_szFaceName[LF_FACESIZE] = {};

// The theme's face name, bounded to the face-name field: a longer name is
// cut and terminated rather than overrunning the field.
void ReadThemeFaceName()
{
    OvString name = OvGetThemeFontName();
    LPCWSTR psz = name.c_str();
    int i = 0;
    for (; psz && psz[i] && i < LF_FACESIZE - 1; ++i) g_szFaceName[i] = psz[i];
    for (; i < LF_FACESIZE; ++i) g_szFaceName[i] = 0;
    g_bFaceNameRead = true;
}

void FillTemplate()
{
    g_template = LOGFONTW {};
    g_template.lfWidth = 0;
    g_template.lfStrikeOut = 0;
    g_template.lfCharSet = DEFAULT_CHARSET;
    g_template.lfOutPrecision = OUT_DEFAULT_PRECIS;
    g_template.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    g_template.lfPitchAndFamily = DEFAULT_PITCH;
    for (int i = 0; i < LF_FACESIZE; ++i) g_template.lfFaceName[i] = g_szFaceName[i];
    g_bTemplateFilled = true;
}

LONG EscapementOf(int nAngle)
{
    switch (nAngle) {
    case 1:
        return 900;
    case 2:
        return 1800;
    case 3:
        return 2700;
    default:
        return 0;
    }
}

BYTE QualityOf(int nQuality)
{
    switch (nQuality) {
    case 0:
        return DEFAULT_QUALITY;
    case 1:
        return DRAFT_QUALITY;
    case 2:
        return ANTIALIASED_QUALITY;
    case 3:
        return NONANTIALIASED_QUALITY;
    default:
        return CLEARTYPE_QUALITY;
    }
}

}  // namespace

OvFontKey OvMakeFontKey(int nHeight, int nWeight, int bUnderline, int bItalic, int nAngle, int nQuality)
{
    DWORD dwStyle = static_cast<DWORD>(nWeight) & 0x3FF;
    dwStyle = dwStyle * 2 + (static_cast<DWORD>(bUnderline) & 1);
    dwStyle = dwStyle * 2 + (static_cast<DWORD>(bItalic) & 1);
    dwStyle = dwStyle * 4 + (static_cast<DWORD>(nAngle) & 3);
    dwStyle = dwStyle * 8 + (static_cast<DWORD>(nQuality) & 7);
    return OvFontKey {nHeight, dwStyle * 32};
}

HFONT OvGetFont(int nHeight, int nWeight, int bUnderline, int bItalic, int nAngle, int nQuality)
{
    if (!g_bFaceNameRead) ReadThemeFaceName();
    OvFontKey key = OvMakeFontKey(nHeight, nWeight, bUnderline, bItalic, nAngle, nQuality);
    auto found = g_fonts.find(key);
    if (found != g_fonts.end() && found->second) return found->second;

    if (!g_bTemplateFilled) FillTemplate();
    g_template.lfHeight = -nHeight;
    g_template.lfEscapement = EscapementOf(nAngle);
    g_template.lfOrientation = g_template.lfEscapement;
    g_template.lfWeight = nWeight;
    g_template.lfItalic = static_cast<BYTE>(bItalic);
    g_template.lfUnderline = static_cast<BYTE>(bUnderline);
    g_template.lfQuality = QualityOf(nQuality);
    HFONT hFont = CreateFontIndirectW(&g_template);
    g_fonts[key] = hFont;
    return hFont;
}

void OvReleaseFonts()
{
    for (auto& entry : g_fonts)
        if (entry.second) DeleteObject(entry.second);
    g_fonts.clear();
}

size_t OvGetFontCacheSize() { return g_fonts.size(); }

void OvForgetThemeFontName()
{
    g_bFaceNameRead = false;
    g_bTemplateFilled = false;
}

const LOGFONTW* OvGetFontTemplate() { return &g_template; }

int OvDrawText(HDC hdc, LPCWSTR pszText, RECT* prc, UINT uFormat)
{
    if (!pszText || !pszText[0]) return 0;
    int nLength = 0;
    while (pszText[nLength]) ++nLength;
    return DrawTextW(hdc, pszText, nLength, prc, uFormat);
}
