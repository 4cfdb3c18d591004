#include <cstring>

#include "gdi_test_support.h"
#include "platform/gdi/screen.h"

using gdi_test::Surface;

namespace {

int bits_of(HBITMAP bitmap)
{
    BITMAP info {};
    EXPECT_EQ(GetObjectW(bitmap, sizeof info, &info), static_cast<int>(sizeof(BITMAP)));
    return info.bmBitsPixel;
}

BITMAPINFO dib_header(int width, int height, int bits)
{
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

TEST(CompatibleBitmap, FollowsTheBitmapSelectedIntoTheDc)
{
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    HBITMAP from_screen = CreateCompatibleBitmap(screen, 4, 4);
    EXPECT_EQ(bits_of(from_screen), 16);

    // A fresh memory DC holds the 1 x 1 monochrome bitmap.
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP from_fresh = CreateCompatibleBitmap(memory, 4, 4);
    EXPECT_EQ(bits_of(from_fresh), 1);

    HBITMAP deep = CreateBitmap(2, 2, 1, 32, nullptr);
    HGDIOBJ previous = SelectObject(memory, deep);
    HBITMAP from_deep = CreateCompatibleBitmap(memory, 4, 4);
    EXPECT_EQ(bits_of(from_deep), 32);
    SelectObject(memory, from_screen);
    HBITMAP from_sixteen = CreateCompatibleBitmap(memory, 4, 4);
    EXPECT_EQ(bits_of(from_sixteen), 16);

    // An empty size gives a 1 x 1 monochrome bitmap; a negative one fails.
    HBITMAP empty = CreateCompatibleBitmap(screen, 0, 5);
    BITMAP info {};
    GetObjectW(empty, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 1);
    EXPECT_EQ(info.bmBitsPixel, 1);
    EXPECT_EQ(CreateCompatibleBitmap(screen, -1, 5), nullptr);

    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (HBITMAP bitmap : {from_screen, from_fresh, deep, from_deep, from_sixteen, empty})
        EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(CreateBitmap, TakesWordAlignedRowsAndDescribesItself)
{
    // 3 x 2 at 16 bits: rows of 6 bytes, already even.
    const std::uint16_t pixels[] = {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000, 0x1234};
    HBITMAP bitmap = CreateBitmap(3, 2, 1, 16, pixels);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info {};
    ASSERT_EQ(GetObjectW(bitmap, sizeof info, &info), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(info.bmWidth, 3);
    EXPECT_EQ(info.bmHeight, 2);
    EXPECT_EQ(info.bmWidthBytes, 6);
    EXPECT_EQ(info.bmPlanes, 1);
    EXPECT_EQ(info.bmBits, nullptr);

    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 2, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(255, 255, 255));
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);

    // Monochrome rows are padded to 16 bits: the second row starts at byte 2.
    const std::uint8_t mono[] = {0x80, 0xFF, 0x40, 0xFF};
    HBITMAP mask = CreateBitmap(3, 2, 1, 1, mono);
    Surface probe(1, 1, 1);
    SelectObject(probe.dc, mask);
    EXPECT_EQ(GetPixel(probe.dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(probe.dc, 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(probe.dc, 1, 1), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(probe.dc, 0, 1), RGB(0, 0, 0));
    SelectObject(probe.dc, probe.bitmap);
    DeleteObject(mask);

    EXPECT_EQ(CreateBitmap(4, 4, 2, 16, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(4, 4, 1, 7, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(-4, 4, 1, 16, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(30000, 30000, 1, 32, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
}

TEST(DibSection, BitsPointerFollowsTheRowOrder)
{
    for (int height : {2, -2}) {
        BITMAPINFO info = dib_header(3, height, 32);
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(dib, nullptr);
        ASSERT_NE(bits, nullptr);
        auto words = static_cast<std::uint32_t*>(bits);
        words[0] = 0x00112233;  // first row in memory
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(dc, dib);
        int first_row_y = height > 0 ? 1 : 0;
        EXPECT_EQ(GetPixel(dc, 0, first_row_y), RGB(0x11, 0x22, 0x33)) << "height " << height;
        SetPixel(dc, 2, 0, RGB(1, 2, 3));
        int top_row_index = height > 0 ? 1 : 0;
        EXPECT_EQ(words[top_row_index * 3 + 2], 0x00010203u);

        DIBSECTION section {};
        ASSERT_EQ(GetObjectW(dib, sizeof section, &section), static_cast<int>(sizeof(DIBSECTION)));
        EXPECT_EQ(section.dsBm.bmBits, bits);
        EXPECT_EQ(section.dsBm.bmHeight, 2);
        EXPECT_EQ(section.dsBm.bmWidthBytes, 12);
        EXPECT_EQ(section.dsBmih.biHeight, height);
        EXPECT_EQ(GetObjectW(dib, 0, nullptr), static_cast<int>(sizeof(DIBSECTION)));
        BITMAP plain {};
        EXPECT_EQ(GetObjectW(dib, sizeof plain, &plain), static_cast<int>(sizeof(BITMAP)));
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(dib);
    }
}

TEST(DibSection, FormatsAndRefusals)
{
    struct {
        WORD bits;
        DWORD compression;
        DWORD masks[3];
        COLORREF written;
        COLORREF read_back;
    } cases[] = {
        {16, BI_RGB, {}, RGB(0xFF, 0x84, 0x10), RGB(0xFF, 0x84, 0x10)},  // 5-5-5
        {16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, RGB(0x12, 0x34, 0x56), RGB(0x10, 0x34, 0x52)},
        {24, BI_RGB, {}, RGB(1, 2, 3), RGB(1, 2, 3)},
    };
    for (const auto& c : cases) {
        std::uint8_t storage[sizeof(BITMAPINFOHEADER) + 12] {};
        auto info = reinterpret_cast<BITMAPINFO*>(storage);
        *info = dib_header(5, 3, c.bits);
        info->bmiHeader.biCompression = c.compression;
        std::memcpy(storage + sizeof(BITMAPINFOHEADER), c.masks, sizeof c.masks);
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(dib, nullptr) << c.bits;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(dc, dib);
        EXPECT_EQ(SetPixel(dc, 4, 2, c.written), c.read_back);
        EXPECT_EQ(GetPixel(dc, 4, 2), c.read_back);
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(dib);
    }
    BITMAPINFO info = dib_header(0, 3, 32);
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    info = dib_header(3, 3, 8);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST(GdiObjects, SelectionAndDeletionRules)
{
    DeleteDC(CreateCompatibleDC(nullptr));  // makes the stock objects
    std::size_t live_before = platform::gdi::live_object_count();
    HDC first = CreateCompatibleDC(nullptr);
    HDC second = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 16, nullptr);
    HGDIOBJ stock_bitmap = SelectObject(first, bitmap);
    ASSERT_NE(stock_bitmap, nullptr);
    EXPECT_EQ(GetObjectType(stock_bitmap), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(GetCurrentObject(first, OBJ_BITMAP), bitmap);

    // A bitmap draws in one DC at a time, and is not deleted while it does.
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(SelectObject(first, stock_bitmap), bitmap);
    EXPECT_NE(SelectObject(second, bitmap), nullptr);
    EXPECT_FALSE(DeleteObject(bitmap));
    DeleteDC(second);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    // Pens and brushes: the previous object comes back; the stock ones
    // survive DeleteObject.
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HGDIOBJ old_brush = SelectObject(first, brush);
    EXPECT_EQ(old_brush, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(first, OBJ_BRUSH), brush);
    EXPECT_FALSE(DeleteObject(brush));
    SelectObject(first, old_brush);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), static_cast<DWORD>(OBJ_PEN));
    EXPECT_EQ(GetCurrentObject(first, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetStockObject(99), nullptr);

    // Bad handles fail without harm.
    HDC bogus = reinterpret_cast<HDC>(static_cast<std::uintptr_t>(0x1234));
    EXPECT_EQ(SelectObject(bogus, GetStockObject(BLACK_PEN)), nullptr);
    EXPECT_EQ(SelectObject(first, reinterpret_cast<HGDIOBJ>(0x5678)), nullptr);
    EXPECT_EQ(SelectObject(first, first), nullptr);
    EXPECT_FALSE(DeleteDC(bogus));
    EXPECT_FALSE(DeleteObject(first));
    EXPECT_EQ(GetObjectType(bogus), 0u);
    EXPECT_FALSE(BitBlt(bogus, 0, 0, 1, 1, first, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(first, 0, 0, 1, 1, bogus, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(bogus, 0, 0), CLR_INVALID);
    DeleteDC(first);
    EXPECT_EQ(platform::gdi::live_object_count(), live_before);
}

TEST(GdiObjects, DescriptionsOfPensBrushesAndFonts)
{
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(9, 8, 7));
    LOGPEN pen_info {};
    ASSERT_EQ(GetObjectW(pen, sizeof pen_info, &pen_info), static_cast<int>(sizeof(LOGPEN)));
    EXPECT_EQ(pen_info.lopnWidth.x, 3);
    EXPECT_EQ(pen_info.lopnColor, RGB(9, 8, 7));

    LOGFONTW font_info {};
    font_info.lfHeight = -44;
    font_info.lfWeight = FW_NORMAL;
    font_info.lfQuality = CLEARTYPE_QUALITY;
    font_info.lfEscapement = 1800;
    std::u16string face = u"WenQuanYi Micro Hei";
    std::copy(face.begin(), face.end(), font_info.lfFaceName);
    HFONT font = CreateFontIndirectW(&font_info);
    ASSERT_NE(font, nullptr);
    LOGFONTW back {};
    ASSERT_EQ(GetObjectW(font, sizeof back, &back), static_cast<int>(sizeof(LOGFONTW)));
    EXPECT_EQ(std::memcmp(&back, &font_info, sizeof back), 0);
    EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);

    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old_font = SelectObject(dc, font);
    EXPECT_EQ(old_font, GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(platform::gdi::find_dc(dc)->font().lfHeight, -44);
    SelectObject(dc, old_font);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteObject(pen));
}

TEST(DeviceContext, SaveAndRestoreBringBackAttributesAndObjects)
{
    Surface surface(16, 4, 4);
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    SetTextColor(surface.dc, RGB(1, 1, 1));
    int level = SaveDC(surface.dc);
    EXPECT_EQ(level, 1);
    SelectObject(surface.dc, brush);
    SetTextColor(surface.dc, RGB(2, 2, 2));
    SetBkMode(surface.dc, TRANSPARENT);
    IntersectClipRect(surface.dc, 0, 0, 1, 1);
    EXPECT_EQ(SaveDC(surface.dc), 2);
    EXPECT_TRUE(RestoreDC(surface.dc, -1));
    EXPECT_EQ(GetCurrentObject(surface.dc, OBJ_BRUSH), brush);
    EXPECT_TRUE(RestoreDC(surface.dc, 1));
    EXPECT_EQ(GetTextColor(surface.dc), RGB(1, 1, 1));
    EXPECT_EQ(GetBkMode(surface.dc), OPAQUE);
    EXPECT_EQ(GetCurrentObject(surface.dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    RECT box;
    GetClipBox(surface.dc, &box);
    EXPECT_EQ(box.right, 4);
    EXPECT_FALSE(RestoreDC(surface.dc, 1));
    EXPECT_TRUE(DeleteObject(brush));
}

TEST(Display, DeviceCapsAndScreenDcs)
{
    HDC display = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(GetDeviceCaps(display, HORZRES), 480);
    EXPECT_EQ(GetDeviceCaps(display, VERTRES), 720);
    EXPECT_EQ(GetDeviceCaps(display, BITSPIXEL), 16);
    EXPECT_EQ(GetDeviceCaps(display, PLANES), 1);
    EXPECT_EQ(GetDeviceCaps(display, LOGPIXELSX), 192);
    EXPECT_EQ(CreateDCW(u"PRINTER", nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetDeviceCaps(nullptr, HORZRES), 0);
    // Only GetDC's DCs go back through ReleaseDC.
    EXPECT_EQ(ReleaseDC(nullptr, display), 0);
    EXPECT_TRUE(DeleteDC(display));
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x40)), nullptr);
}

TEST(Display, DrawingOnTheScreenIsSeenAndReported)
{
    auto& screen = platform::gdi::screen();
    std::vector<RECT> reported;
    screen.set_changed_hook([&](const RECT& area) { reported.push_back(area); });
    screen.take_damage();

    HDC dc = GetDC(nullptr);
    RECT rect {10, 20, 15, 22};
    HBRUSH brush = CreateSolidBrush(RGB(255, 128, 0));
    FillRect(dc, &rect, brush);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_TRUE(EqualRect(&reported[0], &rect));
    EXPECT_TRUE(SetPixelV(dc, 100, 200, RGB(0, 0, 255)));
    RECT damage = screen.take_damage();
    EXPECT_EQ(damage.left, 10);
    EXPECT_EQ(damage.bottom, 201);
    EXPECT_EQ(screen.take_damage().right, 0);

    // Read back as 32-bit colour: 565 widened by repeating the high bits.
    auto pixels = screen.read_xrgb();
    ASSERT_EQ(pixels.size(), 480u * 720u);
    EXPECT_EQ(pixels[20 * 480 + 10], 0x00FF8200u);
    EXPECT_EQ(pixels[200 * 480 + 100], 0x000000FFu);

    // What one screen DC draws, another reads.
    HDC other = CreateDCW(u"display", nullptr, nullptr, nullptr);
    EXPECT_EQ(GetPixel(other, 12, 21), RGB(255, 130, 0));
    DeleteDC(other);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
    screen.set_changed_hook(nullptr);
    DeleteObject(brush);
}

TEST(Display, WindowDcDrawsAtItsOriginInsideItsVisibleRegion)
{
    using namespace platform::gdi;
    screen().fill(RGB(0, 0, 0));
    Region visible(RECT {100, 100, 140, 120});
    visible.subtract(Region(RECT {100, 100, 110, 110}));  // covered by another window
    HDC dc = create_window_dc(POINT {100, 100}, visible);
    RECT everything {-50, -50, 500, 500};
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    FillRect(dc, &everything, white);
    HDC screen_dc = GetDC(nullptr);
    EXPECT_EQ(GetPixel(screen_dc, 99, 110), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(screen_dc, 105, 105), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(screen_dc, 105, 115), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(screen_dc, 139, 100), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(screen_dc, 140, 100), RGB(0, 0, 0));
    // The window's own coordinates start at its origin.
    EXPECT_EQ(GetPixel(dc, 39, 0), RGB(255, 255, 255));
    RECT box;
    EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.right, 40);
    EXPECT_EQ(box.bottom, 20);

    EXPECT_TRUE(set_window_dc_visible(dc, POINT {0, 0}, Region(RECT {0, 0, 2, 2})));
    EXPECT_EQ(GetPixel(dc, 39, 0), CLR_INVALID);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
    ReleaseDC(nullptr, screen_dc);
}
