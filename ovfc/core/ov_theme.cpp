#include "ovfc/core/ov_theme.h"

#include <new>

namespace {

struct ThemeColor {
    LPCWSTR pszName;
    COLORREF crDefault;
};

constexpr ThemeColor kThemeColors[OV_THEME_COLOR_COUNT] = {
    {TEXT("SYSCLR_WINDOW_BG"), 0xECECEC},
    {TEXT("SYSCLR_WINDOW_TEXT"), 0x000000},
    {TEXT("SYSCLR_BUTTON_TEXT"), 0xFFFFFF},
    {TEXT("SYSCLR_BUTTONEX_TEXT"), 0x000000},
    {TEXT("SYSCLR_BUTTONEX_TEXT2"), 0x787878},
    {TEXT("SYSCLR_CAPTION_TEXT"), 0x000000},
    {TEXT("SYSCLR_EDIT_TEXT"), 0x000000},
    {TEXT("SYSCLR_LIST_TEXT"), 0x000000},
    {TEXT("SYSCLR_LIST_TEXT2"), 0x505050},
    {TEXT("SYSCLR_LIST_TEXT3"), 0x787878},
    {TEXT("SYSCLR_STATIC_TEXT"), 0x000000},
    {TEXT("SYSCLR_TOOLBAR_TEXT"), 0xFFFFFF},
    {TEXT("SYSCLR_TOOLBAR_TEXT_DISABLED"), 0xB4B4B4},
    {TEXT("SYSCLR_CAPTION_BG1"), 0xB4A8A2},
    {TEXT("SYSCLR_CAPTION_BG2"), 0xECE3DA},
    {TEXT("SYSCLR_LIST_GRIDLINE1_COLOR1"), 0xF2F2F2},
    {TEXT("SYSCLR_LIST_GRIDLINE1_COLOR2"), 0xFAFAFA},
    {TEXT("SYSCLR_LIST_GRIDLINE2_COLOR1"), 0xE6E6E6},
    {TEXT("SYSCLR_LIST_GRIDLINE2_COLOR2"), 0xC8C8C8},
    {TEXT("SYSCLR_LIST_TEXT_HIGHLIGHT"), 0xD77300},
    {TEXT("SYSCLR_BUTTON_TEXT_NEGATIVE"), 0x6F5646},
    {TEXT("SYSCLR_LIST_SELECTED_BG_GRADIENT1"), 0xFACE7A},
    {TEXT("SYSCLR_LIST_SELECTED_BG_GRADIENT2"), 0xFAE27D},
    {TEXT("SYSCLR_LIST_SELECTED_BG_GRADIENT3"), 0xFAFAB0},
    {TEXT("SYSCLR_CAPTION_OUTER_LINE"), 0x9E9288},
    {TEXT("SYSCLR_CAPTION_INNER_LINE"), 0xEDECE3},
};

constexpr COLORREF kNoSuchColor = 0xFF0000;
constexpr LPCWSTR kColorsKey = TEXT("SOFTWARE\\Orvane\\Theme\\Colors");
constexpr LPCWSTR kThemeKey = TEXT("SOFTWARE\\Orvane\\Theme");

// Allocated on first use and kept to the end of the process: windows
// constructed during static initialisation read it.
COLORREF* g_pColors = nullptr;
bool g_bColorsLoaded = false;

COLORREF* ColorTable()
{
    if (!g_pColors) g_pColors = new (std::nothrow) COLORREF[OV_THEME_COLOR_COUNT]();
    return g_pColors;
}

// Opens the key, creating (and flushing) it when it does not exist yet.
HKEY OpenOrCreateKey(LPCWSTR pszSubKey)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, pszSubKey, 0, 0, &hKey) == ERROR_SUCCESS && hKey) return hKey;
    hKey = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, pszSubKey, 0, nullptr, 0, 0, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return nullptr;
    if (hKey) RegFlushKey(hKey);
    return hKey;
}

bool ReadColor(UINT nIndex, COLORREF* pcr)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kColorsKey, 0, 0, &hKey) != ERROR_SUCCESS || !hKey) return false;
    // Straight into the table entry, whatever the value's type: four bytes
    // are a colour. A longer value fails with ERROR_MORE_DATA.
    DWORD cb = sizeof(COLORREF);
    LONG lResult =
        RegQueryValueExW(hKey, kThemeColors[nIndex].pszName, nullptr, nullptr, reinterpret_cast<BYTE*>(pcr), &cb);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS;
}

void WriteBackColor(UINT nIndex)
{
    HKEY hKey = OpenOrCreateKey(kColorsKey);
    if (!hKey) return;
    DWORD dwValue = kThemeColors[nIndex].crDefault;
    RegSetValueExW(
        hKey, kThemeColors[nIndex].pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
    RegFlushKey(hKey);
    RegCloseKey(hKey);
}

OvString ReadThemeString(LPCWSTR pszValueName)
{
    OvString text;
    HKEY hKey = OpenOrCreateKey(kThemeKey);
    if (!hKey) return text;
    DWORD cb = 0;
    if (RegQueryValueExW(hKey, pszValueName, nullptr, nullptr, nullptr, &cb) == ERROR_SUCCESS && cb > 0) {
        // Room for cb characters, twice what the bytes need: the zeroed rest
        // terminates even a value stored without its terminator.
        WCHAR* pBuffer = text.Reserve(cb);
        if (text.GetCapacity() >= cb) {
            DWORD cbRead = cb;
            if (RegQueryValueExW(hKey, pszValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(pBuffer), &cbRead) !=
                ERROR_SUCCESS)
                text.Clear();
        }
    }
    RegCloseKey(hKey);
    return OvString(text.c_str());
}

}  // namespace

void OvLoadThemeColors()
{
    COLORREF* pColors = ColorTable();
    if (!pColors) return;
    for (UINT i = 0; i < OV_THEME_COLOR_COUNT; ++i) {
        pColors[i] = kThemeColors[i].crDefault;
        if (!ReadColor(i, &pColors[i])) {
            // A failed query may have left part of a value behind.
            pColors[i] = kThemeColors[i].crDefault;
            WriteBackColor(i);
        }
    }
    g_bColorsLoaded = true;
}

COLORREF OvGetThemeColor(UINT nIndex)
{
    if (!g_bColorsLoaded) OvLoadThemeColors();
    if (nIndex >= OV_THEME_COLOR_COUNT || !g_pColors) return kNoSuchColor;
    return g_pColors[nIndex];
}

LPCWSTR OvGetThemeColorName(UINT nIndex)
{
    return nIndex < OV_THEME_COLOR_COUNT ? kThemeColors[nIndex].pszName : nullptr;
}

COLORREF OvGetThemeColorDefault(UINT nIndex)
{
    return nIndex < OV_THEME_COLOR_COUNT ? kThemeColors[nIndex].crDefault : 0;
}

OvString OvGetThemeName() { return ReadThemeString(TEXT("ThemeName")); }

OvString OvGetThemeFontName() { return ReadThemeString(TEXT("FontName")); }

OvString OvGetThemeFilePath(LPCWSTR pszFileName)
{
    OvString themeName = OvGetThemeName();
    OvString folder = OvString::Concat(TEXT("\\Windows\\Themes\\"), themeName.c_str());
    OvString folderWithSlash = OvString::Concat(folder.c_str(), TEXT("\\"));
    return OvString::Concat(folderWithSlash.c_str(), pszFileName);
}

void OvForgetThemeColors() { g_bColorsLoaded = false; }
