// The themed element painter: the looks the framework's controls are drawn
// with, chosen by an element type number and a state (0 normal, 1 pressed or
// selected). Bars and pictures come from the platform resource library; list
// rows get separator lines in the theme's grid-line colours and the theme's
// selection gradient; list groups are rounded panels.
#pragma once

#include <windows.h>

// The list-group panels (OvDrawListItemPanel's kinds) and the list rows.
// The other element types are bars (1, 2, 5 to 10) and pictures (11, 12,
// 265, 513 to 524) of the platform resource library.
enum OvElementType {
    OVELEMENT_PANEL_ROUND = 256,
    OVELEMENT_PANEL_TOP = 257,
    OVELEMENT_PANEL_BOTTOM = 258,
    OVELEMENT_PANEL_SQUARE = 259,
    OVELEMENT_PANEL_FILL = 260,
    OVELEMENT_ROW_SEPARATOR_TOP = 261,
    OVELEMENT_ROW_SEPARATOR_BOTTOM = 262,
    OVELEMENT_ROW_SEPARATOR_BOTH = 263,
    OVELEMENT_ROW_PLAIN = 264,
    OVELEMENT_ROW_SEPARATOR_RIGHT = 266,
};

// Draws element nType in state nState into prc. bNoBackground leaves out the
// selected background of the list rows. 1 when drawn (or when the type draws
// nothing), 0 when a picture it needs is unavailable or prc is null.
int OvDrawElement(HDC hdc, const RECT* prc, int nType, int nState, int bNoBackground);
// A list-group panel of kind 256 to 260 (see the element types). Always 1.
int OvDrawListItemPanel(HDC hdc, const RECT* prc, int nKind, int nState);
// The theme's selection gradient over prc, with picture 260 tiled over it
// when the platform has it. 0 for a null rectangle, else 1.
int OvDrawSelectedBackground(HDC hdc, const RECT* prc);
// A highlighted row: two lines above, two below, the selection between. 0
// for a null rectangle, else 1.
int OvDrawHighlightFrame(HDC hdc, const RECT* prc);
