// Small drawing operations on device contexts shared by the framework: the
// platform resource library ovres.dll, screen capture and bitmap cropping,
// centring, three- and nine-part pictures, platform pictures by resource id,
// bars and the popup frame.
#pragma once

#include <windows.h>

// The standard blend of a picture with per-pixel alpha: AC_SRC_OVER, no
// flags, constant alpha 255, AC_SRC_ALPHA.
#define OV_BLEND_STANDARD 0x01FF0000u

// ovres.dll of the current theme, else by bare name; loaded as a data file on
// the first call, null while neither loads (the next call tries again).
HMODULE OvGetPlatformResModule();
// Frees the module; the stored handle is kept (nothing loads it again).
void OvFreePlatformResModule();

// A new bitmap (the caller's) with the display's area prc, or the whole
// display when prc is null.
HBITMAP OvCaptureScreen(const RECT* prc);
// A new bitmap (the caller's) with area prc of hBitmap; hBitmap itself when
// prc is null (then do not free it twice).
HBITMAP OvCopyBitmapRect(HBITMAP hBitmap, const RECT* prc);

// Moves prc, keeping its size, so that it is centred in prcOuter.
void OvCenterRect(const RECT* prcOuter, RECT* prc);

// nMode: 0 tiles the middle at the source size, 1 stretches it, any other
// value leaves it out. bAlpha: only its low byte counts; non-zero draws with
// the standard blend, zero with opaque blits. All return 1.
int OvDrawThreePartH(
    HDC hdc, const RECT* prcDst, HDC hdcSrc, const RECT* prcSrc, int nMode, int nCapLeft, int nCapRight, int bAlpha);
int OvDrawThreePartV(
    HDC hdc, const RECT* prcDst, HDC hdcSrc, const RECT* prcSrc, int nMode, int nCapTop, int nCapBottom, int bAlpha);
int OvDrawNinePatch(HDC hdc, const RECT* prcDst, HDC hdcSrc, const RECT* prcSrc, int nMode, int nLeft, int nRight,
    int nTop, int nBottom, int bAlpha);

// Platform pictures (ovres.dll, through the image cache with the alpha
// option). Each returns 1 when drawn, 0 when the picture is unavailable.
int OvDrawPlatformImage(HDC hdc, const RECT* prc, UINT nId);
int OvDrawPlatformBarH(HDC hdc, const RECT* prc, UINT nId, int nCapLeft, int nCapRight, int bStretch);
int OvDrawHorzBar(HDC hdc, const RECT* prc);
int OvDrawVertBar(HDC hdc, const RECT* prc);
int OvDrawVertBarImage(HDC hdc, const RECT* prc, UINT nId);
int OvDrawPopupFrame(HDC hdc, const RECT* prc);

// The module is loaded once per process. A harness that starts the framework
// again in the same process (the tests) calls this after
// OvFreePlatformResModule so that the next request loads it again.
void OvForgetPlatformResModule();
