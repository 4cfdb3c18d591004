// The framework's picture: an encoded image (any format the imaging codecs
// read) from a module's resource or a memory buffer, turned once into a
// device bitmap held in a memory DC of its own, so that drawing it is one
// blit. Pictures shared by the framework come from a process-wide cache
// keyed by module, resource id and alpha option.
#pragma once

#include <windows.h>

#include <imaging.h>

class OvImage {
public:
    OvImage() = default;
    virtual ~OvImage();

    OvImage(const OvImage&) = delete;
    OvImage& operator=(const OvImage&) = delete;

    // Decodes resource (nType, nId) of hModule. With bMakeBitmap the device
    // bitmap is made (through the premultiplied 32-bit path when bAlpha is set
    // and the source has 32 bits per pixel); with bReleaseSource as well the
    // decoded source is dropped once the bitmap exists. FALSE on any failure,
    // leaving whatever step was reached.
    virtual BOOL LoadFromResource(
        HMODULE hModule, UINT nType, UINT nId, BYTE bMakeBitmap, BYTE bReleaseSource, BYTE bAlpha);
    // As LoadFromResource from a caller-owned buffer; null data or zero size
    // fail.
    virtual BOOL LoadFromBuffer(const void* pData, UINT nSize, BYTE bMakeBitmap, BYTE bReleaseSource, BYTE bAlpha);

    BOOL MakeBitmap(BYTE bAlpha);
    void DeleteBitmap();
    void ReleaseSource();

    // Draws into prc of hdc: stretched to it with bStretch (and, with bCrop
    // as well, the source cut from its top-left corner to prc's aspect
    // ratio), else at the natural size centred in it. Nothing without prc.
    void Draw(HDC hdc, const RECT* prc, BOOL bStretch, BOOL bCrop);

    HDC GetDC() const { return m_hDC; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    BOOL HasAlpha() const { return m_bAlpha ? TRUE : FALSE; }

private:
    BOOL FinishLoad(BYTE bMakeBitmap, BYTE bReleaseSource, BYTE bAlpha);
    // The source as a device bitmap (of prcSub when given); null when there
    // is no source or the bitmap cannot be made. Sets m_bAlpha.
    HBITMAP ConvertToBitmap(const RECT* prcSub, BYTE bAlpha);
    HBITMAP ConvertPlain(const RECT* prcSub, const ImageInfo& info);
    HBITMAP ConvertWithAlpha(const RECT* prcSub, const ImageInfo& info);

    IImage* m_pImage = nullptr;
    HBITMAP m_hBitmap = nullptr;
    HBITMAP m_hOldBitmap = nullptr;
    HDC m_hDC = nullptr;
    bool m_bHasDC = false;
    int m_nWidth = 0;
    int m_nHeight = 0;
    bool m_bAlpha = false;
};

// The cached picture (hModule, nId, bAlpha), loaded from RT_RCDATA on the
// first request with the bitmap made and the source released; null when it
// cannot be loaded (a later request tries again). The cache owns it.
OvImage* GetCachedImage(HMODULE hModule, UINT nId, BYTE bAlpha);
// Destroys every cached picture and empties the cache.
void ReleaseImageCache();
// Frees the cache itself; the last use of it in the process.
void DeleteImageCache();
// Releases the process-wide imaging factory; the next load creates it again.
void ReleaseImagingFactory();
// The process-wide imaging factory, created on first use (COM must be
// initialised on the calling thread); null when it cannot be created.
IImagingFactory* OvGetImagingFactory();
// The number of keys the cache holds (keys of failed loads included).
size_t OvGetImageCacheSize();
// The device's "compactOne" identification is read once per process. A
// harness that changes the identification within one process (the tests)
// calls this so that the next alpha conversion reads it again.
void OvForgetPlatformName();
