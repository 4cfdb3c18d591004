// Feeds arbitrary bytes to the imaging factory as an encoded picture and,
// when it is accepted, draws it, copies it into a bitmap image and reads
// every locked row, so a bad bound in the decoders or the pixel paths shows
// up as a sanitizer report.
#include <cstddef>
#include <cstdint>

#include <imaging.h>
#include <windows.h>

#include "platform/imaging/imaging_factory.h"
#include "platform/kernel/debug_output.h"

namespace {

IImagingFactory* the_factory()
{
    static IImagingFactory* factory = [] {
        platform::debug_output::discard();  // every rejected input would print a line
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        platform::imaging::register_factory();
        IImagingFactory* made = nullptr;
        CoCreateInstance(
            CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImagingFactory, reinterpret_cast<void**>(&made));
        return made;
    }();
    return factory;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    IImagingFactory* factory = the_factory();
    if (!factory) __builtin_trap();
    IImage* image = nullptr;
    HRESULT result = factory->CreateImageFromBuffer(data, UINT(size), BufferDisposalFlagNone, &image);
    if (FAILED(result)) {
        if (image) __builtin_trap();  // a refusal must not hand out an image
        return 0;
    }
    ImageInfo info {};
    if (image->GetImageInfo(&info) != S_OK || info.Width == 0 || info.Height == 0 || info.Width > 8192 ||
        info.Height > 8192)
        __builtin_trap();

    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP target = CreateBitmap(8, 8, 1, 16, nullptr);
    HGDIOBJ previous = SelectObject(dc, target);
    RECT all {0, 0, 8, 8};
    if (image->Draw(dc, &all, nullptr) != S_OK) __builtin_trap();
    SelectObject(dc, previous);
    DeleteObject(target);
    DeleteDC(dc);

    IBitmapImage* bitmap = nullptr;
    if (factory->CreateBitmapFromImage(image, 0, 0, PixelFormatDontCare, InterpolationHintDefault, &bitmap) != S_OK)
        __builtin_trap();
    BitmapData locked {};
    if (bitmap->LockBits(nullptr, ImageLockModeRead, PixelFormatDontCare, &locked) != S_OK) __builtin_trap();
    unsigned sum = 0;
    std::size_t row_bytes = std::size_t(locked.Width) * (PIXFMT_BITSPERPIXEL(locked.PixelFormat) / 8);
    for (UINT y = 0; y < locked.Height; ++y) {
        auto row = static_cast<const std::uint8_t*>(locked.Scan0) + std::ptrdiff_t(y) * locked.Stride;
        for (std::size_t x = 0; x < row_bytes; ++x) sum += row[x];
    }
    volatile unsigned keep = sum;  // the pixels must really be read
    (void)keep;
    bitmap->UnlockBits(&locked);
    bitmap->Release();
    image->Release();
    return 0;
}
