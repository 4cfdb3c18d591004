// An off-screen drawing surface: a memory DC with a bitmap selected into it,
// either one it creates at a given size or an existing one attached to it.
// Framework windows double-buffer through one; pictures are converted
// through one.
#pragma once

#include <windows.h>

class OvSurface {
public:
    OvSurface() = default;
    ~OvSurface() { Release(); }

    OvSurface(const OvSurface&) = delete;
    OvSurface& operator=(const OvSurface&) = delete;

    // A new bitmap of width x height compatible with hdcRef (the screen when
    // null), selected into a new memory DC. The surface owns the bitmap.
    // False, and the surface empty, when either cannot be made.
    BOOL Create(int nWidth, int nHeight, HDC hdcRef);
    // Selects an existing bitmap into a new memory DC; with bOwnsBitmap the
    // surface deletes it on Release.
    BOOL Attach(HBITMAP hBitmap, HDC hdcRef, BOOL bOwnsBitmap);
    // Puts the DC's previous bitmap back, deletes the bitmap unless it was
    // attached without ownership, deletes the DC. An empty surface is left
    // alone.
    void Release();

    HDC GetDC() const { return m_hDC; }
    HBITMAP GetBitmap() const { return m_hBitmap; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }

private:
    // A memory DC compatible with hdcRef, or with the screen when it is null.
    static HDC CreateMemoryDC(HDC hdcRef);
    void Reset();

    HBITMAP m_hBitmap = nullptr;
    HBITMAP m_hPrevBitmap = nullptr;
    HDC m_hDC = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
    BOOL m_bOwnsBitmap = TRUE;
    BOOL m_bAttached = FALSE;
};
