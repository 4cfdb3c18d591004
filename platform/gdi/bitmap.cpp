#include "platform/gdi/bitmap.h"

#include <cstring>

#include "platform/include/winbase.h"

namespace platform::gdi {
namespace {

// A bitmap larger than this is refused rather than allowed to exhaust the
// host; the phone's largest is a few screens.
constexpr std::int64_t max_bitmap_bytes = std::int64_t(256) << 20;
constexpr int max_dimension = 32767;

}  // namespace

std::shared_ptr<Bitmap> Bitmap::create(PixelFormat format, int width, int height, bool bottom_up)
{
    if (width < 0 || height < 0 || width > max_dimension || height > max_dimension) return nullptr;
    std::int64_t stride = aligned_stride(format, width);
    std::int64_t bytes = stride * height;
    if (bytes > max_bitmap_bytes) return nullptr;
    std::shared_ptr<Bitmap> bitmap(new Bitmap());
    bitmap->width_ = width;
    bitmap->height_ = height;
    bitmap->format_ = format;
    // One spare row keeps zero-sized bitmaps pointing at real memory. calloc
    // takes large blocks straight from the system, already zero, so a new
    // screen-sized bitmap is not written over once before it is drawn.
    bitmap->storage_.reset(static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(bytes + stride + 4), 1)));
    if (!bitmap->storage_) return nullptr;
    if (bottom_up && height > 0) {
        bitmap->top_row_ = bitmap->storage_.get() + stride * (height - 1);
        bitmap->stride_ = -stride;
    } else {
        bitmap->top_row_ = bitmap->storage_.get();
        bitmap->stride_ = stride;
    }
    return bitmap;
}

std::int64_t ddb_stride(PixelFormat format, int width)
{
    std::int64_t bits = static_cast<std::int64_t>(width) * bits_per_pixel(format);
    return ((bits + 15) / 16) * 2;
}

void Bitmap::make_dib(const BITMAPINFOHEADER& header, const DWORD masks[3])
{
    is_dib_ = true;
    header_ = header;
    header_.biSize = sizeof(BITMAPINFOHEADER);
    header_.biSizeImage = static_cast<DWORD>(aligned_stride(format_, width_) * height_);
    for (int i = 0; i < 3; ++i) masks_[i] = masks[i];
}

int Bitmap::describe(int size, void* buffer) const
{
    BITMAP bitmap {};
    bitmap.bmType = 0;
    bitmap.bmWidth = width_;
    bitmap.bmHeight = height_;
    bitmap.bmPlanes = 1;
    bitmap.bmBitsPixel = static_cast<WORD>(bits_per_pixel(format_));
    if (is_dib_) {
        bitmap.bmWidthBytes = static_cast<LONG>(aligned_stride(format_, width_));
        bitmap.bmBits = storage_.get();
    } else {
        bitmap.bmWidthBytes = static_cast<LONG>(ddb_stride(format_, width_));
    }
    if (is_dib_ && (!buffer || size >= static_cast<int>(sizeof(DIBSECTION)))) {
        if (!buffer) return sizeof(DIBSECTION);
        DIBSECTION section {};
        section.dsBm = bitmap;
        section.dsBmih = header_;
        std::memcpy(section.dsBitfields, masks_, sizeof masks_);
        std::memcpy(buffer, &section, sizeof section);
        return sizeof(DIBSECTION);
    }
    if (!buffer) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, &bitmap, sizeof bitmap);
    return sizeof(BITMAP);
}

pixman_image_t* Bitmap::pixman_image(bool with_alpha) const
{
    pixman_format_code_t code;
    switch (format_) {
    case PixelFormat::rgb555:
        code = PIXMAN_x1r5g5b5;
        break;
    case PixelFormat::rgb565:
        code = PIXMAN_r5g6b5;
        break;
    case PixelFormat::bgr24:
        code = PIXMAN_r8g8b8;
        break;
    case PixelFormat::xrgb32:
        code = with_alpha ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8;
        break;
    default:
        return nullptr;
    }
    return pixman_image_create_bits(
        code, width_, height_, reinterpret_cast<std::uint32_t*>(top_row_), static_cast<int>(stride_));
}

HBITMAP default_bitmap()
{
    static std::uint32_t value = insert_object(Bitmap::create(PixelFormat::mono1, 1, 1), true);
    return to_handle<HBITMAP>(value);
}

}  // namespace platform::gdi

using namespace platform::gdi;

HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits)
{
    if (nWidth < 0 || nHeight < 0 || nPlanes != 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    PixelFormat format;
    switch (nBitCount) {
    case 1:
        format = PixelFormat::mono1;
        break;
    case 16:
        format = PixelFormat::rgb565;
        break;
    case 24:
        format = PixelFormat::bgr24;
        break;
    case 32:
        format = PixelFormat::xrgb32;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // An empty bitmap is the 1 x 1 monochrome one, as on the phone.
    if (nWidth == 0 || nHeight == 0) {
        format = PixelFormat::mono1;
        nWidth = nHeight = 1;
        lpBits = nullptr;
    }
    auto bitmap = Bitmap::create(format, nWidth, nHeight);
    if (!bitmap) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (lpBits) {
        auto source = static_cast<const std::uint8_t*>(lpBits);
        std::int64_t source_stride = ddb_stride(format, nWidth);
        std::size_t row_bytes =
            static_cast<std::size_t>((static_cast<std::int64_t>(nWidth) * bits_per_pixel(format) + 7) / 8);
        for (int y = 0; y < nHeight; ++y) std::memcpy(bitmap->row(y), source + source_stride * y, row_bytes);
    }
    return to_handle<HBITMAP>(insert_object(bitmap));
}

namespace {

bool dib_format(const BITMAPINFO* info, PixelFormat& format, DWORD masks[3])
{
    const BITMAPINFOHEADER& header = info->bmiHeader;
    masks[0] = masks[1] = masks[2] = 0;
    if (header.biCompression == BI_RGB) {
        switch (header.biBitCount) {
        case 1: {
            // Only the black-and-white table: other colour tables would need
            // palettes, which the phone's drawing never uses.
            const RGBQUAD* colours = info->bmiColors;
            bool black_white = colours[0].rgbRed == 0 && colours[0].rgbGreen == 0 && colours[0].rgbBlue == 0 &&
                colours[1].rgbRed == 255 && colours[1].rgbGreen == 255 && colours[1].rgbBlue == 255;
            format = PixelFormat::mono1;
            return black_white;
        }
        case 16:
            format = PixelFormat::rgb555;
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
            return true;
        case 24:
            format = PixelFormat::bgr24;
            return true;
        case 32:
            format = PixelFormat::xrgb32;
            masks[0] = 0xFF0000;
            masks[1] = 0xFF00;
            masks[2] = 0xFF;
            return true;
        default:
            return false;
        }
    }
    if (header.biCompression != BI_BITFIELDS) return false;
    // The masks follow a plain header, or sit inside a larger one.
    const DWORD* given = reinterpret_cast<const DWORD*>(reinterpret_cast<const std::uint8_t*>(info) + 40);
    for (int i = 0; i < 3; ++i) masks[i] = given[i];
    if (header.biBitCount == 16 && masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F) {
        format = PixelFormat::rgb565;
        return true;
    }
    if (header.biBitCount == 16 && masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) {
        format = PixelFormat::rgb555;
        return true;
    }
    if (header.biBitCount == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF) {
        format = PixelFormat::xrgb32;
        return true;
    }
    return false;
}

}  // namespace

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection, DWORD offset)
{
    (void)hdc;
    (void)offset;
    if (ppvBits) *ppvBits = nullptr;
    if (!pbmi || pbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || pbmi->bmiHeader.biWidth <= 0 ||
        pbmi->bmiHeader.biHeight == 0 || pbmi->bmiHeader.biPlanes != 1 || usage != DIB_RGB_COLORS || hSection) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    PixelFormat format;
    DWORD masks[3];
    if (!dib_format(pbmi, format, masks)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LONG height = pbmi->bmiHeader.biHeight;
    bool bottom_up = height > 0;
    if (height == LONG(0x80000000)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto bitmap = Bitmap::create(format, pbmi->bmiHeader.biWidth, bottom_up ? height : -height, bottom_up);
    if (!bitmap) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    bitmap->make_dib(pbmi->bmiHeader, masks);
    if (ppvBits) *ppvBits = bitmap->bits();
    return to_handle<HBITMAP>(insert_object(bitmap));
}
