#include "platform/shell/screen_picture.h"

namespace platform::shell {

ScreenPicture::ScreenPicture(int width, int height)
{
    if (width <= 0 || height <= 0) return;
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } info {};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = -height;  // top-down rows
    info.header.biPlanes = 1;
    info.header.biBitCount = 16;
    info.header.biCompression = BI_BITFIELDS;
    info.masks[0] = 0xF800;
    info.masks[1] = 0x07E0;
    info.masks[2] = 0x001F;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    if (!bitmap_ || !dc_ || !bits) return;
    previous_ = SelectObject(dc_, bitmap_);
    width_ = width;
    height_ = height;
    pixels_ = static_cast<std::uint16_t*>(bits);
}

ScreenPicture::~ScreenPicture()
{
    if (dc_ && previous_) SelectObject(dc_, previous_);
    if (dc_) DeleteDC(dc_);
    if (bitmap_) DeleteObject(bitmap_);
}

BOOL ScreenPicture::copy_onto(HDC target, int x, int y) const
{
    if (!valid()) return FALSE;
    return BitBlt(target, x, y, width_, height_, dc_, 0, 0, SRCCOPY);
}

}  // namespace platform::shell
