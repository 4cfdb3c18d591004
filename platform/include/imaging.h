// The phone's Imaging API: a COM factory that decodes pictures into images,
// and bitmap images whose pixels a caller can lock and edit.
//
//     IImagingFactory* factory = nullptr;
//     CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImagingFactory, (void**)&factory);
//     IImage* image = nullptr;
//     factory->CreateImageFromBuffer(bytes, size, BufferDisposalFlagNone, &image);
//
// Interfaces keep their methods in the order of the phone's vtables.
#pragma once

#include "objbase.h"
#include "unknwn.h"
#include "windef.h"
#include "winerror.h"
#include "wingdi.h"
#include "wintypes.h"

DEFINE_GUID(CLSID_ImagingFactory, 0x327ABDA8, 0x072B, 0x11D3, 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E);
DEFINE_GUID(IID_IImagingFactory, 0x327ABDA7, 0x072B, 0x11D3, 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E);
DEFINE_GUID(IID_IImage, 0x327ABDA9, 0x072B, 0x11D3, 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E);
DEFINE_GUID(IID_IBitmapImage, 0x327ABDAA, 0x072B, 0x11D3, 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E);
DEFINE_GUID(IID_IImageDecoder, 0x327ABDAB, 0x072B, 0x11D3, 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E);
DEFINE_GUID(IID_IImageEncoder, 0x327ABDAC, 0x072B, 0x11D3, 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E);
DEFINE_GUID(IID_IImageSink, 0x327ABDAD, 0x072B, 0x11D3, 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E);

// What an image was decoded from (ImageInfo::RawDataFormat).
DEFINE_GUID(ImageFormatUndefined, 0xB96B3CA9, 0x0728, 0x11D3, 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E);
DEFINE_GUID(ImageFormatMemoryBMP, 0xB96B3CAA, 0x0728, 0x11D3, 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E);
DEFINE_GUID(ImageFormatBMP, 0xB96B3CAB, 0x0728, 0x11D3, 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E);
DEFINE_GUID(ImageFormatJPEG, 0xB96B3CAE, 0x0728, 0x11D3, 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E);
DEFINE_GUID(ImageFormatPNG, 0xB96B3CAF, 0x0728, 0x11D3, 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E);
DEFINE_GUID(ImageFormatGIF, 0xB96B3CB0, 0x0728, 0x11D3, 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E);

// Errors of the imaging facility.
#define FACILITY_IMAGING 0x87B
#define MAKE_IMGERR(n) ((HRESULT)(0x80000000UL | (FACILITY_IMAGING << 16) | (n)))
#define IMGERR_OBJECTBUSY MAKE_IMGERR(1)
#define IMGERR_NOPALETTE MAKE_IMGERR(2)
#define IMGERR_BADLOCK MAKE_IMGERR(3)
#define IMGERR_BADUNLOCK MAKE_IMGERR(4)
#define IMGERR_NOCONVERSION MAKE_IMGERR(5)
#define IMGERR_CODECNOTFOUND MAKE_IMGERR(6)
#define IMGERR_NOFRAME MAKE_IMGERR(7)
#define IMGERR_ABORT MAKE_IMGERR(8)
#define IMGERR_FAILLOADCODEC MAKE_IMGERR(9)

// Pixel formats: an index in bits 0-7, bits per pixel in bits 8-15, and
// property flags above.
typedef INT PixelFormatID;
typedef PixelFormatID PixelFormat;

#define PIXFMT_BITSPERPIXEL(format) (((format) >> 8) & 0xFF)

#define PixelFormatIndexed 0x00010000
#define PixelFormatGDI 0x00020000
#define PixelFormatAlpha 0x00040000
#define PixelFormatPAlpha 0x00080000
#define PixelFormatExtended 0x00100000
#define PixelFormatCanonical 0x00200000

#define PixelFormatUndefined 0
#define PixelFormatDontCare 0
#define PixelFormat1bppIndexed (1 | (1 << 8) | PixelFormatIndexed | PixelFormatGDI)
#define PixelFormat4bppIndexed (2 | (4 << 8) | PixelFormatIndexed | PixelFormatGDI)
#define PixelFormat8bppIndexed (3 | (8 << 8) | PixelFormatIndexed | PixelFormatGDI)
#define PixelFormat16bppGrayScale (4 | (16 << 8) | PixelFormatExtended)
#define PixelFormat16bppRGB555 (5 | (16 << 8) | PixelFormatGDI)
#define PixelFormat16bppRGB565 (6 | (16 << 8) | PixelFormatGDI)
#define PixelFormat16bppARGB1555 (7 | (16 << 8) | PixelFormatAlpha | PixelFormatGDI)
#define PixelFormat24bppRGB (8 | (24 << 8) | PixelFormatGDI)
#define PixelFormat32bppRGB (9 | (32 << 8) | PixelFormatGDI)
#define PixelFormat32bppARGB (10 | (32 << 8) | PixelFormatAlpha | PixelFormatGDI | PixelFormatCanonical)
#define PixelFormat32bppPARGB (11 | (32 << 8) | PixelFormatAlpha | PixelFormatPAlpha | PixelFormatGDI)
#define PixelFormat48bppRGB (12 | (48 << 8) | PixelFormatExtended)
#define PixelFormat64bppARGB (13 | (64 << 8) | PixelFormatAlpha | PixelFormatCanonical | PixelFormatExtended)
#define PixelFormat64bppPARGB (14 | (64 << 8) | PixelFormatAlpha | PixelFormatPAlpha | PixelFormatExtended)
#define PixelFormatMax 15

// ImageInfo::Flags.
typedef enum ImageFlags {
    ImageFlagsNone = 0,
    ImageFlagsScalable = 0x0001,
    ImageFlagsHasAlpha = 0x0002,
    ImageFlagsHasTranslucent = 0x0004,
    ImageFlagsPartiallyScalable = 0x0008,
    ImageFlagsColorSpaceRGB = 0x0010,
    ImageFlagsColorSpaceCMYK = 0x0020,
    ImageFlagsColorSpaceGRAY = 0x0040,
    ImageFlagsColorSpaceYCBCR = 0x0080,
    ImageFlagsColorSpaceYCCK = 0x0100,
    ImageFlagsHasRealDPI = 0x1000,
    ImageFlagsHasRealPixelSize = 0x2000,
    ImageFlagsReadOnly = 0x00010000,
    ImageFlagsCaching = 0x00020000,
} ImageFlags;

typedef enum ImageLockMode {
    ImageLockModeRead = 0x0001,
    ImageLockModeWrite = 0x0002,
    ImageLockModeUserInputBuf = 0x0004,
} ImageLockMode;

// What the factory does with a caller's buffer once the image no longer
// needs it.
typedef enum BufferDisposalFlag {
    BufferDisposalFlagNone = 0,
    BufferDisposalFlagGlobalFree = 1,
    BufferDisposalFlagCoTaskMemFree = 2,
    BufferDisposalFlagUnmapView = 3,
} BufferDisposalFlag;

typedef enum InterpolationHint {
    InterpolationHintDefault = 0,
    InterpolationHintNearestNeighbor = 1,
    InterpolationHintBilinear = 2,
    InterpolationHintAveraging = 3,
    InterpolationHintBicubic = 4,
} InterpolationHint;

typedef enum DecoderInitFlag {
    DecoderInitFlagNone = 0,
    DecoderInitFlagNoBlock = 0x0001,
    DecoderInitFlagBuiltIn1st = 0x0002,
} DecoderInitFlag;

typedef struct tagImageInfo {
    GUID RawDataFormat;
    PixelFormatID PixelFormat;
    UINT Width;
    UINT Height;
    UINT TileWidth;
    UINT TileHeight;
    double Xdpi;
    double Ydpi;
    UINT Flags;
} ImageInfo;

typedef struct tagBitmapData {
    UINT Width;
    UINT Height;
    LONG Stride;
    PixelFormatID PixelFormat;
    VOID* Scan0;
    UINT_PTR Reserved;
} BitmapData;

typedef DWORD ARGB;

typedef struct tagColorPalette {
    UINT Flags;
    UINT Count;
    ARGB Entries[1];
} ColorPalette;

typedef struct tagImageCodecInfo {
    CLSID Clsid;
    GUID FormatID;
    const WCHAR* CodecName;
    const WCHAR* DllName;
    const WCHAR* FormatDescription;
    const WCHAR* FilenameExtension;
    const WCHAR* MimeType;
    DWORD Flags;
    DWORD Version;
    DWORD SigCount;
    DWORD SigSize;
    const BYTE* SigPattern;
    const BYTE* SigMask;
} ImageCodecInfo;

struct IStream;
struct IImageSink;
struct IImageDecoder;
struct IImageEncoder;

struct IImage : public IUnknown {
    // The size in 0.01 mm units.
    STDMETHOD(GetPhysicalDimension)(SIZE* size) PURE;
    STDMETHOD(GetImageInfo)(ImageInfo* imageInfo) PURE;
    STDMETHOD(SetImageFlags)(UINT flags) PURE;
    // Draws srcRect (0.01 mm units, null for all of it) stretched onto
    // dstRect of the DC.
    STDMETHOD(Draw)(HDC hdc, const RECT* dstRect, const RECT* srcRect) PURE;
    STDMETHOD(PushIntoSink)(IImageSink* sink) PURE;
    STDMETHOD(GetThumbnail)(UINT thumbWidth, UINT thumbHeight, IImage** thumbImage) PURE;
};

struct IBitmapImage : public IUnknown {
    STDMETHOD(GetSize)(SIZE* size) PURE;
    STDMETHOD(GetPixelFormatID)(PixelFormatID* pixelFormat) PURE;
    STDMETHOD(LockBits)(const RECT* rect, UINT flags, PixelFormatID pixelFormat, BitmapData* lockedBitmapData) PURE;
    STDMETHOD(UnlockBits)(const BitmapData* lockedBitmapData) PURE;
    STDMETHOD(GetPalette)(ColorPalette** palette) PURE;
    STDMETHOD(SetPalette)(const ColorPalette* palette) PURE;
};

struct IImagingFactory : public IUnknown {
    STDMETHOD(CreateImageFromStream)(IStream* stream, IImage** image) PURE;
    STDMETHOD(CreateImageFromFile)(const WCHAR* filename, IImage** image) PURE;
    STDMETHOD(CreateImageFromBuffer)(const VOID* buf, UINT size, BufferDisposalFlag disposalFlag, IImage** image) PURE;
    STDMETHOD(CreateNewBitmap)(UINT width, UINT height, PixelFormatID pixelFormat, IBitmapImage** bitmap) PURE;
    STDMETHOD(CreateBitmapFromImage)
    (IImage* image, UINT width, UINT height, PixelFormatID pixelFormat, InterpolationHint hints,
        IBitmapImage** bitmap) PURE;
    STDMETHOD(CreateBitmapFromBuffer)(BitmapData* bitmapData, IBitmapImage** bitmap) PURE;
    STDMETHOD(CreateImageDecoder)(IStream* stream, DecoderInitFlag flags, IImageDecoder** decoder) PURE;
    STDMETHOD(CreateImageEncoderToStream)(const CLSID* clsid, IStream* stream, IImageEncoder** encoder) PURE;
    STDMETHOD(CreateImageEncoderToFile)(const CLSID* clsid, const WCHAR* filename, IImageEncoder** encoder) PURE;
    STDMETHOD(GetInstalledDecoders)(UINT* count, ImageCodecInfo** decoders) PURE;
    STDMETHOD(GetInstalledEncoders)(UINT* count, ImageCodecInfo** encoders) PURE;
    STDMETHOD(InstallImageCodec)(const ImageCodecInfo* codecInfo) PURE;
    STDMETHOD(UninstallImageCodec)(const WCHAR* codecName, UINT flags) PURE;
};
