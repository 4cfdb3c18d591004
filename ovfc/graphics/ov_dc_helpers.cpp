#include "ov_dc_helpers.h"

#include "ovfc/core/ov_theme.h"
#include "ovfc/graphics/ov_image.h"

namespace {

HMODULE g_hPlatformResModule = nullptr;

void Blit(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int xSrc, int ySrc, int bAlpha)
{
    if (static_cast<BYTE>(bAlpha)) {
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(hdc, x, y, cx, cy, hdcSrc, xSrc, ySrc, cx, cy, blend);
    } else {
        BitBlt(hdc, x, y, cx, cy, hdcSrc, xSrc, ySrc, SRCCOPY);
    }
}

void StretchPiece(
    HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int xSrc, int ySrc, int cxSrc, int cySrc, int bAlpha)
{
    if (static_cast<BYTE>(bAlpha)) {
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(hdc, x, y, cx, cy, hdcSrc, xSrc, ySrc, cxSrc, cySrc, blend);
    } else {
        StretchBlt(hdc, x, y, cx, cy, hdcSrc, xSrc, ySrc, cxSrc, cySrc, SRCCOPY);
    }
}

OvImage* GetPlatformPicture(UINT nId)
{
    HMODULE hModule = OvGetPlatformResModule();
    if (!hModule) return nullptr;
    return GetCachedImage(hModule, nId, 1);
}

int Width(const RECT& rc) { return rc.right - rc.left; }
int Height(const RECT& rc) { return rc.bottom - rc.top; }

// Pieces of the popup frame picture (116): corners 32 (left, top) and 33
// (right) wide, 32 (top) and 34 (bottom) high around a 93 x 96 middle.
constexpr int kPopupLeft = 32;
constexpr int kPopupRight = 33;
constexpr int kPopupTop = 32;
constexpr int kPopupBottom = 34;
constexpr int kPopupMiddleWidth = 93;
constexpr int kPopupMiddleHeight = 96;
constexpr int kPopupRightX = kPopupLeft + kPopupMiddleWidth;
constexpr int kPopupBottomY = kPopupTop + kPopupMiddleHeight;

}  // namespace

HMODULE OvGetPlatformResModule()
{
    if (g_hPlatformResModule) return g_hPlatformResModule;
    OvString path = OvGetThemeFilePath(TEXT("ovres.dll"));
    HMODULE hModule = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!hModule) hModule = LoadLibraryExW(TEXT("ovres.dll"), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    g_hPlatformResModule = hModule;
    return hModule;
}

void OvFreePlatformResModule()
{
    if (g_hPlatformResModule) FreeLibrary(g_hPlatformResModule);
}

void OvForgetPlatformResModule() { g_hPlatformResModule = nullptr; }

HBITMAP OvCaptureScreen(const RECT* prc)
{
    HDC hdcDisplay = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
    int nWidth = GetDeviceCaps(hdcDisplay, HORZRES);
    int nHeight = GetDeviceCaps(hdcDisplay, VERTRES);
    int x = 0;
    int y = 0;
    if (prc) {
        nWidth = Width(*prc);
        nHeight = Height(*prc);
        x = prc->left;
        y = prc->top;
    }
    HDC hdcMem = CreateCompatibleDC(hdcDisplay);
    HBITMAP hBitmap = CreateCompatibleBitmap(hdcDisplay, nWidth, nHeight);
    HGDIOBJ hOld = SelectObject(hdcMem, hBitmap);
    BitBlt(hdcMem, 0, 0, nWidth, nHeight, hdcDisplay, x, y, SRCCOPY);
    SelectObject(hdcMem, hOld);
    DeleteDC(hdcMem);
    DeleteDC(hdcDisplay);
    return hBitmap;
}

HBITMAP OvCopyBitmapRect(HBITMAP hBitmap, const RECT* prc)
{
    if (!prc) return hBitmap;
    HWND hDesktop = GetDesktopWindow();
    HDC hdcDesktop = ::GetDC(hDesktop);
    HBITMAP hCopy = CreateCompatibleBitmap(hdcDesktop, Width(*prc), Height(*prc));
    HDC hdcTarget = CreateCompatibleDC(hdcDesktop);
    HDC hdcSource = CreateCompatibleDC(hdcDesktop);
    HGDIOBJ hOldTarget = SelectObject(hdcTarget, hCopy);
    HGDIOBJ hOldSource = SelectObject(hdcSource, hBitmap);
    BitBlt(hdcTarget, 0, 0, Width(*prc), Height(*prc), hdcSource, prc->left, prc->top, SRCCOPY);
    SelectObject(hdcTarget, hOldTarget);
    SelectObject(hdcSource, hOldSource);
    DeleteDC(hdcTarget);
    DeleteDC(hdcSource);
    ::ReleaseDC(hDesktop, hdcDesktop);
    return hCopy;
}

void OvCenterRect(const RECT* prcOuter, RECT* prc)
{
    int w = Width(*prc);
    int h = Height(*prc);
    prc->left = prcOuter->left + (Width(*prcOuter) - w) / 2;
    prc->top = prcOuter->top + (Height(*prcOuter) - h) / 2;
    prc->right = prc->left + w;
    prc->bottom = prc->top + h;
}

int OvDrawThreePartH(
    HDC hdc, const RECT* prcDst, HDC hdcSrc, const RECT* prcSrc, int nMode, int nCapLeft, int nCapRight, int bAlpha)
{
    const RECT& dst = *prcDst;
    const RECT& src = *prcSrc;
    if (Width(dst) < nCapLeft + nCapRight) return 1;
    int h = Height(dst) < Height(src) ? Height(dst) : Height(src);
    Blit(hdc, dst.left, dst.top, nCapLeft, h, hdcSrc, src.left, src.top, bAlpha);

    int nDstMiddle = Width(dst) - nCapLeft - nCapRight;
    int nSrcMiddle = Width(src) - nCapLeft - nCapRight;
    int x = dst.left + nCapLeft;
    int xSrc = src.left + nCapLeft;
    if (nMode == 0 && nSrcMiddle > 0) {
        int n = nDstMiddle / nSrcMiddle;
        int nRest = nDstMiddle % nSrcMiddle;
        for (int i = 0; i < n; ++i, x += nSrcMiddle)
            Blit(hdc, x, dst.top, nSrcMiddle, h, hdcSrc, xSrc, src.top, bAlpha);
        if (nRest) Blit(hdc, x, dst.top, nRest, h, hdcSrc, xSrc, src.top, bAlpha);
    } else if (nMode == 1) {
        StretchPiece(hdc, x, dst.top, nDstMiddle, h, hdcSrc, xSrc, src.top, nSrcMiddle, h, bAlpha);
    }

    Blit(hdc, dst.right - nCapRight, dst.top, nCapRight, h, hdcSrc, src.right - nCapRight, src.top, bAlpha);
    return 1;
}

int OvDrawThreePartV(
    HDC hdc, const RECT* prcDst, HDC hdcSrc, const RECT* prcSrc, int nMode, int nCapTop, int nCapBottom, int bAlpha)
{
    const RECT& dst = *prcDst;
    const RECT& src = *prcSrc;
    if (Height(dst) < nCapTop + nCapBottom) return 1;
    int w = Width(dst) < Width(src) ? Width(dst) : Width(src);
    Blit(hdc, dst.left, dst.top, w, nCapTop, hdcSrc, src.left, src.top, bAlpha);

    int nDstMiddle = Height(dst) - nCapTop - nCapBottom;
    int nSrcMiddle = Height(src) - nCapTop - nCapBottom;
    int y = dst.top + nCapTop;
    int ySrc = src.top + nCapTop;
    if (nMode == 0 && nSrcMiddle > 0) {
        int n = nDstMiddle / nSrcMiddle;
        int nRest = nDstMiddle % nSrcMiddle;
        for (int i = 0; i < n; ++i, y += nSrcMiddle)
            Blit(hdc, dst.left, y, w, nSrcMiddle, hdcSrc, src.left, ySrc, bAlpha);
        if (nRest) Blit(hdc, dst.left, y, w, nRest, hdcSrc, src.left, ySrc, bAlpha);
    } else if (nMode == 1) {
        StretchPiece(hdc, dst.left, y, w, nDstMiddle, hdcSrc, src.left, ySrc, w, nSrcMiddle, bAlpha);
    }

    Blit(hdc, dst.left, dst.bottom - nCapBottom, w, nCapBottom, hdcSrc, src.left, src.bottom - nCapBottom, bAlpha);
    return 1;
}

int OvDrawNinePatch(HDC hdc, const RECT* prcDst, HDC hdcSrc, const RECT* prcSrc, int nMode, int nLeft, int nRight,
    int nTop, int nBottom, int bAlpha)
{
    int nDstWidth = Width(*prcDst);
    int nDstHeight = Height(*prcDst);
    int nSrcWidth = Width(*prcSrc);
    int nSrcHeight = Height(*prcSrc);
    if (nDstWidth < nLeft + nRight || nDstHeight < nTop + nBottom) return 1;
    // Pieces are placed relative to the destination's corner; the source
    // always starts at the source DC's origin.
    int x0 = prcDst->left;
    int y0 = prcDst->top;
    auto dst = [&](int l, int t, int r, int b) { return RECT {x0 + l, y0 + t, x0 + r, y0 + b}; };

    RECT rcDst = dst(0, 0, nDstWidth, nTop);
    RECT rcSrc = {0, 0, nSrcWidth, nTop};
    OvDrawThreePartH(hdc, &rcDst, hdcSrc, &rcSrc, nMode, nLeft, nRight, bAlpha);

    rcDst = dst(0, nTop, nLeft, nDstHeight - nBottom);
    rcSrc = {0, nTop, nLeft, nSrcHeight - nBottom};
    OvDrawThreePartV(hdc, &rcDst, hdcSrc, &rcSrc, nMode, 0, 0, bAlpha);

    int nCentreWidth = nDstWidth - nLeft - nRight;
    int nCentreHeight = nDstHeight - nTop - nBottom;
    int nSrcCentreWidth = nSrcWidth - nLeft - nRight;
    int nSrcCentreHeight = nSrcHeight - nTop - nBottom;
    if (nMode == 1) {
        StretchPiece(hdc, x0 + nLeft, y0 + nTop, nCentreWidth, nCentreHeight, hdcSrc, nLeft, nTop, nSrcCentreWidth,
            nSrcCentreHeight, bAlpha);
    } else if (nSrcCentreWidth > 0) {
        int nColumns = nCentreWidth / nSrcCentreWidth;
        int nRest = nCentreWidth % nSrcCentreWidth;
        rcSrc = {nLeft, nTop, nLeft + nSrcCentreWidth, nTop + nSrcCentreHeight};
        int x = nLeft;
        for (int i = 0; i <= nColumns; ++i) {
            int w = i < nColumns ? nSrcCentreWidth : nRest;
            if (w == 0) break;
            rcDst = dst(x, nTop, x + w, nTop + nCentreHeight);
            OvDrawThreePartV(hdc, &rcDst, hdcSrc, &rcSrc, nMode, 0, 0, bAlpha);
            x += w;
        }
    }

    rcDst = dst(nDstWidth - nRight, nTop, nDstWidth, nDstHeight - nBottom);
    rcSrc = {nSrcWidth - nRight, nTop, nSrcWidth, nSrcHeight - nBottom};
    OvDrawThreePartV(hdc, &rcDst, hdcSrc, &rcSrc, nMode, 0, 0, bAlpha);

    rcDst = dst(0, nDstHeight - nBottom, nDstWidth, nDstHeight);
    rcSrc = {0, nSrcHeight - nBottom, nSrcWidth, nSrcHeight};
    OvDrawThreePartH(hdc, &rcDst, hdcSrc, &rcSrc, nMode, nLeft, nRight, bAlpha);
    return 1;
}

int OvDrawPlatformImage(HDC hdc, const RECT* prc, UINT nId)
{
    OvImage* pImage = GetPlatformPicture(nId);
    if (!pImage) return 0;
    pImage->Draw(hdc, prc, FALSE, FALSE);
    return 1;
}

int OvDrawPlatformBarH(HDC hdc, const RECT* prc, UINT nId, int nCapLeft, int nCapRight, int bStretch)
{
    OvImage* pImage = GetPlatformPicture(nId);
    if (!pImage) return 0;
    RECT rcDst = {0, 0, Width(*prc), pImage->GetHeight()};
    OvCenterRect(prc, &rcDst);
    RECT rcSrc = {0, 0, pImage->GetWidth(), pImage->GetHeight()};
    return OvDrawThreePartH(
        hdc, &rcDst, pImage->GetDC(), &rcSrc, bStretch ? 1 : 0, nCapLeft, nCapRight, pImage->HasAlpha());
}

int OvDrawHorzBar(HDC hdc, const RECT* prc)
{
    OvImage* pImage = GetPlatformPicture(209);
    if (!pImage) return 0;
    int nWidth = Width(*prc) < 9 ? 9 : Width(*prc);
    RECT rcDst = {0, 0, nWidth, pImage->GetHeight()};
    OvCenterRect(prc, &rcDst);
    RECT rcSrc = {0, 0, pImage->GetWidth(), pImage->GetHeight()};
    return OvDrawThreePartH(hdc, &rcDst, pImage->GetDC(), &rcSrc, 1, 4, 4, 1);
}

int OvDrawVertBarImage(HDC hdc, const RECT* prc, UINT nId)
{
    OvImage* pImage = GetPlatformPicture(nId);
    if (!pImage) return 0;
    int nHeight = Height(*prc) < 9 ? 9 : Height(*prc);
    RECT rcDst = {0, 0, pImage->GetWidth(), nHeight};
    OvCenterRect(prc, &rcDst);
    RECT rcSrc = {0, 0, pImage->GetWidth(), pImage->GetHeight()};
    return OvDrawThreePartV(hdc, &rcDst, pImage->GetDC(), &rcSrc, 1, 4, 4, 1);
}

int OvDrawVertBar(HDC hdc, const RECT* prc) { return OvDrawVertBarImage(hdc, prc, 210); }

int OvDrawPopupFrame(HDC hdc, const RECT* prc)
{
    OvImage* pImage = GetPlatformPicture(116);
    if (!pImage) return 0;
    HDC hdcSrc = pImage->GetDC();
    // C++ remainders take the dividend's sign, as the frame's sizing wants.
    int W = Width(*prc) - (Width(*prc) - 65) % 3;
    int H = Height(*prc) - (Height(*prc) - 66) % 3;
    int left = prc->left;
    int top = prc->top;
    int xRight = left + W - kPopupRight;
    int yBottom = top + H - kPopupBottom;

    Blit(hdc, left, top, kPopupLeft, kPopupTop, hdcSrc, 0, 0, 1);
    Blit(hdc, xRight, top, kPopupRight, kPopupTop, hdcSrc, kPopupRightX, 0, 1);
    Blit(hdc, left, yBottom, kPopupLeft, kPopupBottom, hdcSrc, 0, kPopupBottomY, 1);
    Blit(hdc, xRight, yBottom, kPopupRight, kPopupBottom, hdcSrc, kPopupRightX, kPopupBottomY, 1);

    int nx = (W - 65) / kPopupMiddleWidth;
    int rx = (W - 65) % kPopupMiddleWidth;
    int ny = (H - 66) / kPopupMiddleHeight;
    int ry = (H - 66) % kPopupMiddleHeight;
    // A run is nx whole pieces and then the rest; a frame smaller than its
    // corners (a negative quotient or rest) has no run.
    auto pieceWidth = [&](int i) { return i < nx ? kPopupMiddleWidth : rx; };
    auto pieceHeight = [&](int j) { return j < ny ? kPopupMiddleHeight : ry; };
    if (nx >= 0 && rx >= 0) {
        int x = left + kPopupLeft;
        for (int i = 0; i <= nx; ++i) {
            int w = pieceWidth(i);
            Blit(hdc, x, top, w, kPopupTop, hdcSrc, kPopupLeft, 0, 1);
            Blit(hdc, x, yBottom, w, kPopupBottom, hdcSrc, kPopupLeft, kPopupBottomY, 1);
            x += w;
        }
    }
    if (ny >= 0 && ry >= 0) {
        int y = top + kPopupTop;
        for (int j = 0; j <= ny; ++j) {
            int h = pieceHeight(j);
            Blit(hdc, left, y, kPopupLeft, h, hdcSrc, 0, kPopupTop, 1);
            Blit(hdc, xRight, y, kPopupRight, h, hdcSrc, kPopupRightX, kPopupTop, 1);
            y += h;
        }
    }
    if (nx >= 0 && rx >= 0 && ny >= 0 && ry >= 0) {
        int x = left + kPopupLeft;
        for (int i = 0; i <= nx; ++i) {
            int w = pieceWidth(i);
            int y = top + kPopupTop;
            for (int j = 0; j <= ny; ++j) {
                int h = pieceHeight(j);
                Blit(hdc, x, y, w, h, hdcSrc, kPopupLeft, kPopupTop, 1);
                y += h;
            }
            x += w;
        }
    }
    return 1;
}
