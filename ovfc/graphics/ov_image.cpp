#include "ov_image.h"

#include <cstring>
#include <map>
#include <string_view>
#include <tuple>
#include <vector>

#include <objbase.h>

#include "ovfc/core/ov_surface.h"
#include "ovfc/graphics/ov_dc_helpers.h"

namespace {

IImagingFactory* g_pImagingFactory = nullptr;

// Whether the device reports itself as a "compactOne", whose display takes
// alpha pictures without premultiplication: -1 until the first alpha
// conversion asks.
int g_nCompactOne = -1;

struct ImageCacheKey {
    HMODULE hModule;
    UINT nId;
    BYTE bAlpha;

    bool operator<(const ImageCacheKey& other) const
    {
        auto module = reinterpret_cast<UINT_PTR>(hModule);
        auto otherModule = reinterpret_cast<UINT_PTR>(other.hModule);
        return std::make_tuple(module, static_cast<int>(nId), bAlpha) <
            std::make_tuple(otherModule, static_cast<int>(other.nId), other.bAlpha);
    }
};

using ImageCache = std::map<ImageCacheKey, OvImage*>;
ImageCache* g_pImageCache = nullptr;

bool IsCompactOne()
{
    if (g_nCompactOne < 0) {
        WCHAR szName[64] = {};
        g_nCompactOne = 0;
        if (SystemParametersInfoW(SPI_GETPLATFORMNAME, sizeof(szName), szName, 0)) {
            szName[63] = 0;
            g_nCompactOne = std::u16string_view(szName) == u"compactOne" ? 1 : 0;
        }
    }
    return g_nCompactOne == 1;
}

// Alpha-weights the colour bytes of 32-bit pixels in place, the way the
// display's AlphaBlend expects them: (c * a + 255) >> 8, alpha kept.
// A pixel is handled as one 32-bit word so the compiler can weight a row
// several pixels at a time.
void Premultiply(BYTE* pRow, UINT nWidth, UINT nHeight, LONG nStride)
{
    for (UINT y = 0; y < nHeight; ++y, pRow += nStride) {
        BYTE* p = pRow;
        for (UINT x = 0; x < nWidth; ++x, p += 4) {
            UINT v;
            std::memcpy(&v, p, 4);
            UINT a = v >> 24;
            UINT b = ((v & 0xFF) * a + 255) >> 8;
            UINT g = (((v >> 8) & 0xFF) * a + 255) >> 8;
            UINT r = (((v >> 16) & 0xFF) * a + 255) >> 8;
            v = (v & 0xFF000000u) | (r << 16) | (g << 8) | b;
            std::memcpy(p, &v, 4);
        }
    }
}

}  // namespace

IImagingFactory* OvGetImagingFactory()
{
    if (!g_pImagingFactory) {
        void* pFactory = nullptr;
        if (SUCCEEDED(
                CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImagingFactory, &pFactory)))
            g_pImagingFactory = static_cast<IImagingFactory*>(pFactory);
    }
    return g_pImagingFactory;
}

void ReleaseImagingFactory()
{
    if (g_pImagingFactory) g_pImagingFactory->Release();
    g_pImagingFactory = nullptr;
}

void OvForgetPlatformName() { g_nCompactOne = -1; }

OvImage::~OvImage()
{
    ReleaseSource();
    DeleteBitmap();
}

BOOL OvImage::LoadFromResource(
    HMODULE hModule, UINT nType, UINT nId, BYTE bMakeBitmap, BYTE bReleaseSource, BYTE bAlpha)
{
    ReleaseSource();
    DeleteBitmap();
    IImagingFactory* pFactory = OvGetImagingFactory();
    if (!pFactory) return FALSE;
    HRSRC hResource = FindResourceW(hModule, MAKEINTRESOURCEW(nId), MAKEINTRESOURCEW(nType));
    if (!hResource) return FALSE;
    HGLOBAL hData = LoadResource(hModule, hResource);
    DWORD nSize = SizeofResource(hModule, hResource);
    if (!hData || nSize == 0) return FALSE;
    // The loaded resource is a pointer to its bytes, which live as long as
    // the module; the source keeps no copy of its own beyond what it decodes.
    if (FAILED(pFactory->CreateImageFromBuffer(LockResource(hData), nSize, BufferDisposalFlagNone, &m_pImage))) {
        m_pImage = nullptr;
        return FALSE;
    }
    return FinishLoad(bMakeBitmap, bReleaseSource, bAlpha);
}

BOOL OvImage::LoadFromBuffer(const void* pData, UINT nSize, BYTE bMakeBitmap, BYTE bReleaseSource, BYTE bAlpha)
{
    ReleaseSource();
    DeleteBitmap();
    if (!pData || nSize == 0) return FALSE;
    IImagingFactory* pFactory = OvGetImagingFactory();
    if (!pFactory) return FALSE;
    if (FAILED(pFactory->CreateImageFromBuffer(pData, nSize, BufferDisposalFlagNone, &m_pImage))) {
        m_pImage = nullptr;
        return FALSE;
    }
    return FinishLoad(bMakeBitmap, bReleaseSource, bAlpha);
}

BOOL OvImage::FinishLoad(BYTE bMakeBitmap, BYTE bReleaseSource, BYTE bAlpha)
{
    ImageInfo info {};
    if (FAILED(m_pImage->GetImageInfo(&info))) return FALSE;
    m_nWidth = static_cast<int>(info.Width);
    m_nHeight = static_cast<int>(info.Height);
    if (!bMakeBitmap) return TRUE;
    if (!MakeBitmap(bAlpha)) return FALSE;
    if (bReleaseSource) ReleaseSource();
    return TRUE;
}

BOOL OvImage::MakeBitmap(BYTE bAlpha)
{
    m_hBitmap = ConvertToBitmap(nullptr, bAlpha);
    if (!m_hBitmap) return FALSE;
    HDC hdcScreen = ::GetDC(nullptr);
    m_hDC = CreateCompatibleDC(hdcScreen);
    ::ReleaseDC(nullptr, hdcScreen);
    if (!m_hDC) return FALSE;
    m_hOldBitmap = static_cast<HBITMAP>(SelectObject(m_hDC, m_hBitmap));
    m_bHasDC = true;
    return TRUE;
}

void OvImage::DeleteBitmap()
{
    if (m_hDC) {
        SelectObject(m_hDC, m_hOldBitmap);
        DeleteDC(m_hDC);
    }
    // A bitmap whose DC could not be made is ours all the same.
    if (m_hBitmap) DeleteObject(m_hBitmap);
    m_hDC = nullptr;
    m_hBitmap = nullptr;
    m_hOldBitmap = nullptr;
    m_bHasDC = false;
}

void OvImage::ReleaseSource()
{
    if (m_pImage) m_pImage->Release();
    m_pImage = nullptr;
}

HBITMAP OvImage::ConvertToBitmap(const RECT* prcSub, BYTE bAlpha)
{
    if (!m_pImage) return nullptr;
    ImageInfo info {};
    if (FAILED(m_pImage->GetImageInfo(&info))) return nullptr;
    bool b32 = ((info.PixelFormat >> 8) & 0xFF) == 32;
    if (b32 && bAlpha) return ConvertWithAlpha(prcSub, info);
    return ConvertPlain(prcSub, info);
}

HBITMAP OvImage::ConvertPlain(const RECT* prcSub, const ImageInfo& info)
{
    m_bAlpha = false;
    int nWidth = prcSub ? prcSub->right - prcSub->left : static_cast<int>(info.Width);
    int nHeight = prcSub ? prcSub->bottom - prcSub->top : static_cast<int>(info.Height);
    HDC hdcScreen = ::GetDC(nullptr);
    HDC hdcMem = CreateCompatibleDC(hdcScreen);
    HBITMAP hBitmap = CreateCompatibleBitmap(hdcScreen, nWidth, nHeight);
    ::ReleaseDC(nullptr, hdcScreen);
    if (hdcMem && hBitmap) {
        HGDIOBJ hOld = SelectObject(hdcMem, hBitmap);
        RECT rcDst = {0, 0, nWidth, nHeight};
        m_pImage->Draw(hdcMem, &rcDst, nullptr);
        SelectObject(hdcMem, hOld);
    }
    if (hdcMem) DeleteDC(hdcMem);
    return hBitmap;
}

HBITMAP OvImage::ConvertWithAlpha(const RECT* prcSub, const ImageInfo& info)
{
    m_bAlpha = true;
    IImagingFactory* pFactory = OvGetImagingFactory();
    if (!pFactory) return nullptr;
    IBitmapImage* pBitmapImage = nullptr;
    if (FAILED(pFactory->CreateBitmapFromImage(
            m_pImage, 0, 0, PixelFormatDontCare, InterpolationHintDefault, &pBitmapImage)) ||
        !pBitmapImage)
        return nullptr;

    RECT rcAll = {0, 0, static_cast<LONG>(info.Width), static_cast<LONG>(info.Height)};
    BitmapData data {};
    if (FAILED(pBitmapImage->LockBits(
            prcSub ? prcSub : &rcAll, ImageLockModeRead | ImageLockModeWrite, PixelFormatDontCare, &data))) {
        pBitmapImage->Release();
        return nullptr;
    }
    auto* pFirstRow = static_cast<BYTE*>(data.Scan0);
    if (!IsCompactOne()) Premultiply(pFirstRow, data.Width, data.Height, data.Stride);

    // CreateBitmap takes rows packed one after another; a padded or
    // bottom-up lock is repacked first.
    std::vector<BYTE> packed;
    const void* pBits = pFirstRow;
    LONG nPacked = static_cast<LONG>(data.Width) * 4;
    if (data.Stride != nPacked) {
        packed.resize(static_cast<size_t>(nPacked) * data.Height);
        for (UINT y = 0; y < data.Height; ++y)
            std::memcpy(&packed[static_cast<size_t>(y) * nPacked], pFirstRow + static_cast<ptrdiff_t>(y) * data.Stride,
                static_cast<size_t>(nPacked));
        pBits = packed.data();
    }

    int nWidth = static_cast<int>(data.Width);
    int nHeight = static_cast<int>(data.Height);
    HBITMAP hResult = nullptr;
    {
        OvSurface surface;
        HBITMAP h32 = CreateBitmap(nWidth, nHeight, 1, 32, pBits);
        if (h32 && surface.Attach(h32, nullptr, TRUE)) {
            hResult = CreateCompatibleBitmap(surface.GetDC(), nWidth, nHeight);
            HDC hdcCopy = CreateCompatibleDC(surface.GetDC());
            if (hResult && hdcCopy) {
                HGDIOBJ hOld = SelectObject(hdcCopy, hResult);
                BitBlt(hdcCopy, 0, 0, nWidth, nHeight, surface.GetDC(), 0, 0, SRCCOPY);
                SelectObject(hdcCopy, hOld);
            }
            if (hdcCopy) DeleteDC(hdcCopy);
        } else if (h32) {
            DeleteObject(h32);
        }
    }
    pBitmapImage->UnlockBits(&data);
    pBitmapImage->Release();
    return hResult;
}

void OvImage::Draw(HDC hdc, const RECT* prc, BOOL bStretch, BOOL bCrop)
{
    if (!prc) return;
    RECT rcDst = *prc;
    if (!bStretch) {
        rcDst = {0, 0, m_nWidth, m_nHeight};
        OvCenterRect(prc, &rcDst);
    }
    if (m_pImage) {
        m_pImage->Draw(hdc, &rcDst, nullptr);
        return;
    }
    if (!m_bHasDC) return;

    int nSrcWidth = m_nWidth;
    int nSrcHeight = m_nHeight;
    int nDstWidth = rcDst.right - rcDst.left;
    int nDstHeight = rcDst.bottom - rcDst.top;
    if (bStretch && bCrop && nDstWidth > 0 && nDstHeight > 0) {
        if (nDstWidth * m_nHeight < nDstHeight * m_nWidth)
            nSrcWidth = nDstWidth * m_nHeight / nDstHeight;
        else
            nSrcHeight = nDstHeight * m_nWidth / nDstWidth;
    }
    BITMAP bm {};
    if (GetObjectW(m_hBitmap, sizeof(bm), &bm) && bm.bmBitsPixel == 32) {
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(hdc, rcDst.left, rcDst.top, nDstWidth, nDstHeight, m_hDC, 0, 0, nSrcWidth, nSrcHeight, blend);
    } else {
        StretchBlt(hdc, rcDst.left, rcDst.top, nDstWidth, nDstHeight, m_hDC, 0, 0, nSrcWidth, nSrcHeight, SRCCOPY);
    }
}

OvImage* GetCachedImage(HMODULE hModule, UINT nId, BYTE bAlpha)
{
    if (!g_pImageCache) g_pImageCache = new ImageCache;
    ImageCacheKey key {hModule, nId, bAlpha};
    if (!g_pImageCache->empty()) {
        if (OvImage* pImage = (*g_pImageCache)[key]) return pImage;
    }
    auto* pImage = new OvImage;
    if (!pImage->LoadFromResource(hModule, 10, static_cast<WORD>(nId), 1, 1, bAlpha)) {
        delete pImage;
        return nullptr;
    }
    (*g_pImageCache)[key] = pImage;
    return pImage;
}

size_t OvGetImageCacheSize() { return g_pImageCache ? g_pImageCache->size() : 0; }

void ReleaseImageCache()
{
    if (!g_pImageCache) return;
    for (auto& entry : *g_pImageCache) delete entry.second;
    g_pImageCache->clear();
}

void DeleteImageCache()
{
    // The pictures go first, so that a cache deleted without a release
    // before it leaks nothing.
    ReleaseImageCache();
    delete g_pImageCache;
    g_pImageCache = nullptr;
}
