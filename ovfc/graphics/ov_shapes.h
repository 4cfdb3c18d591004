// The framework's vector drawing: one-pixel lines, outlined and filled
// rectangles, rounded rectangles, two-colour gradients, and rounded panels
// whose corners are cut with cached monochrome masks, so that the pixels
// outside a panel's rounded corners keep what the destination held before.
#pragma once

#include <windows.h>

// OvGradientFill's direction: vertical (first colour at the top); any other
// value fills horizontally (first colour at the left).
#define OVGRADIENT_VERTICAL 2
// OvGradientFillSplit's direction 1 splits into left and right halves.
#define OVGRADIENT_SPLIT_HORIZONTAL 1

// A one-pixel solid line from (x1, y1) to (x2, y2); the end point itself is
// not drawn.
void OvDrawLine(HDC hdc, int x1, int y1, int x2, int y2, COLORREF crColor);
// The rectangle outlined with a one-pixel pen and filled with a solid brush.
// Always 1; a null rectangle draws nothing.
int OvDrawRect(HDC hdc, const RECT* pRect, COLORREF crPen, COLORREF crBrush);
// As OvDrawRect with corners rounded by an nCorner x nCorner ellipse. A null
// rectangle draws nothing.
void OvDrawRoundRect(HDC hdc, const RECT* pRect, int nCorner, COLORREF crPen, COLORREF crBrush);
// A two-colour gradient over the rectangle: GradientFill's result, 0 for a
// null rectangle.
BOOL OvGradientFill(HDC hdc, const RECT* pRect, COLORREF crFirst, COLORREF crSecond, int nDirection);
// Two gradients side by side: direction 1 fills the left half from colour 1
// to 2 and the right half from 3 to 4, horizontally; any other direction
// splits into top and bottom halves and passes the direction on. 1 when both
// halves were filled.
BOOL OvGradientFillSplit(
    HDC hdc, const RECT* pRect, COLORREF cr1, COLORREF cr2, COLORREF cr3, COLORREF cr4, int nDirection);

// The cached 2r x 2r monochrome corner mask of radius r (white inside a
// rounded rectangle with an r x r corner ellipse); its four r x r quadrants
// mask the four corners. Null for a radius of 0 or less. The cache owns it.
HBITMAP OvGetCornerMask(int nRadius);
// Deletes every cached corner mask and empties the cache (application exit).
void OvReleaseCornerMasks();
// How many masks the cache holds.
int OvCornerMaskCount();

// Rounded panels over the rectangle (null draws nothing). Outside the
// rounded corners the destination is left untouched.
// All four corners rounded, vertical gradient from crTop to crBottom.
void OvDrawRoundPanel(HDC hdc, const RECT* pRect, int nRadius, COLORREF crTop, COLORREF crBottom);
// Top corners rounded; the gradient runs as if the panel were nRadius
// taller, so a column of pieces reads as one group.
void OvDrawRoundPanelTop(HDC hdc, const RECT* pRect, int nRadius, COLORREF crTop, COLORREF crBottom);
// Bottom corners rounded; the gradient starts nRadius above the top.
void OvDrawRoundPanelBottom(HDC hdc, const RECT* pRect, int nRadius, COLORREF crTop, COLORREF crBottom);
// Top corners rounded, outlined with crPen and filled with crBrush; the
// outline continues below the bottom edge.
void OvDrawSolidPanelTop(HDC hdc, const RECT* pRect, int nRadius, COLORREF crPen, COLORREF crBrush);
// Bottom corners rounded, outlined and filled; the outline starts above the
// top edge.
void OvDrawSolidPanelBottom(HDC hdc, const RECT* pRect, int nRadius, COLORREF crPen, COLORREF crBrush);
