#include "ovfc/core/ov_surface.h"

HDC OvSurface::CreateMemoryDC(HDC hdcRef)
{
    if (hdcRef) return CreateCompatibleDC(hdcRef);
    HDC hdcScreen = ::GetDC(nullptr);
    HDC hdcMemory = CreateCompatibleDC(hdcScreen);
    ReleaseDC(nullptr, hdcScreen);
    return hdcMemory;
}

BOOL OvSurface::Create(int nWidth, int nHeight, HDC hdcRef)
{
    Release();
    m_nWidth = nWidth;
    m_nHeight = nHeight;
    HDC hdcScreen = hdcRef ? nullptr : ::GetDC(nullptr);
    HDC hdcCompatible = hdcRef ? hdcRef : hdcScreen;
    m_hDC = CreateCompatibleDC(hdcCompatible);
    m_hBitmap = CreateCompatibleBitmap(hdcCompatible, nWidth, nHeight);
    if (hdcScreen) ReleaseDC(nullptr, hdcScreen);
    if (!m_hDC || !m_hBitmap) {
        // Nothing half-made is kept: an empty surface is recreated by the
        // next caller that needs it.
        if (m_hBitmap) DeleteObject(m_hBitmap);
        if (m_hDC) DeleteDC(m_hDC);
        Reset();
        return FALSE;
    }
    m_hPrevBitmap = static_cast<HBITMAP>(SelectObject(m_hDC, m_hBitmap));
    return TRUE;
}

BOOL OvSurface::Attach(HBITMAP hBitmap, HDC hdcRef, BOOL bOwnsBitmap)
{
    Release();
    m_bAttached = TRUE;
    m_bOwnsBitmap = bOwnsBitmap;
    BITMAP bm {};
    if (hBitmap && GetObjectW(hBitmap, sizeof(bm), &bm)) {
        m_nWidth = bm.bmWidth;
        m_nHeight = bm.bmHeight;
    }
    m_hDC = CreateMemoryDC(hdcRef);
    if (!m_hDC) {
        // The bitmap was handed over: it goes as Release would have let it go.
        if (hBitmap && bOwnsBitmap) DeleteObject(hBitmap);
        Reset();
        return FALSE;
    }
    m_hBitmap = hBitmap;
    m_hPrevBitmap = static_cast<HBITMAP>(SelectObject(m_hDC, m_hBitmap));
    return TRUE;
}

void OvSurface::Release()
{
    if (!m_hDC) return;
    SelectObject(m_hDC, m_hPrevBitmap);
    if (m_hBitmap && (!m_bAttached || m_bOwnsBitmap)) DeleteObject(m_hBitmap);
    DeleteDC(m_hDC);
    Reset();
}

void OvSurface::Reset()
{
    m_hBitmap = nullptr;
    m_hPrevBitmap = nullptr;
    m_hDC = nullptr;
    m_nWidth = 0;
    m_nHeight = 0;
    m_bOwnsBitmap = TRUE;
    m_bAttached = FALSE;
}
