// The phone's visual theme, kept in the registry under HKLM: 26 named
// colours under SOFTWARE\Orvane\Theme\Colors, and the theme's name and font
// face name under SOFTWARE\Orvane\Theme. Colours are read once per process;
// each missing one is written back with its default, so that after the
// first run every colour exists in the registry. The strings are read anew
// on every request.
#pragma once

#include <windows.h>

#include "ovfc/core/ov_string.h"

#define OV_THEME_COLOR_COUNT 26u

// The colour of the index (the table is filled on the first call);
// 0xFF0000 for an index of 26 or more.
COLORREF OvGetThemeColor(UINT nIndex);
// Fills the table from the registry, writing back the missing colours.
void OvLoadThemeColors();
// The registry value name and the default of an index (null and 0 beyond
// the table).
LPCWSTR OvGetThemeColorName(UINT nIndex);
COLORREF OvGetThemeColorDefault(UINT nIndex);

// Empty when missing.
OvString OvGetThemeName();
OvString OvGetThemeFontName();
// "\Windows\Themes\<theme name>\<file name>".
OvString OvGetThemeFilePath(LPCWSTR pszFileName);

// The phone reads the colours once per process. A harness that starts the
// framework again in the same process (the tests) calls this so that the
// next lookup reads the registry again.
void OvForgetThemeColors();
