// The imaging factory, the phone's entry to its picture codecs. The host
// registers it with COM at start-up, so CoCreateInstance(CLSID_ImagingFactory)
// finds it.
#pragma once

#include "platform/imaging/interface_ids.h"

namespace platform::imaging {

// Offers CLSID_ImagingFactory to CoCreateInstance. Calling it again changes
// nothing.
void register_factory();

class ImagingFactory final : public com::Object<IImagingFactory> {
public:
    STDMETHODIMP CreateImageFromStream(IStream* stream, IImage** image) override;
    STDMETHODIMP CreateImageFromFile(const WCHAR* filename, IImage** image) override;
    STDMETHODIMP CreateImageFromBuffer(
        const VOID* buf, UINT size, BufferDisposalFlag disposalFlag, IImage** image) override;
    STDMETHODIMP CreateNewBitmap(UINT width, UINT height, PixelFormatID pixelFormat, IBitmapImage** bitmap) override;
    STDMETHODIMP CreateBitmapFromImage(IImage* image, UINT width, UINT height, PixelFormatID pixelFormat,
        InterpolationHint hints, IBitmapImage** bitmap) override;
    STDMETHODIMP CreateBitmapFromBuffer(BitmapData* bitmapData, IBitmapImage** bitmap) override;
    STDMETHODIMP CreateImageDecoder(IStream* stream, DecoderInitFlag flags, IImageDecoder** decoder) override;
    STDMETHODIMP CreateImageEncoderToStream(const CLSID* clsid, IStream* stream, IImageEncoder** encoder) override;
    STDMETHODIMP CreateImageEncoderToFile(const CLSID* clsid, const WCHAR* filename, IImageEncoder** encoder) override;
    STDMETHODIMP GetInstalledDecoders(UINT* count, ImageCodecInfo** decoders) override;
    STDMETHODIMP GetInstalledEncoders(UINT* count, ImageCodecInfo** encoders) override;
    STDMETHODIMP InstallImageCodec(const ImageCodecInfo* codecInfo) override;
    STDMETHODIMP UninstallImageCodec(const WCHAR* codecName, UINT flags) override;

private:
    ~ImagingFactory() override = default;
};

}  // namespace platform::imaging
