// Drawing text: where the ink lands for each format, colours and background
// modes on each depth, clipping, quality and rotation.
#include "platform/gdi/screen.h"
#include "tests/platform/text/text_test_support.h"

using namespace text_test;

namespace {

constexpr std::uint32_t white16 = 0xFFFF;

int line_height(HDC dc)
{
    TEXTMETRICW metrics {};
    EXPECT_TRUE(GetTextMetricsW(dc, &metrics));
    return metrics.tmHeight;
}

// Ink of text drawn black on white into a fresh 16-bit surface.
RECT ink_of(const char16_t* text, RECT rect, UINT format, const FontOptions& options = {}, int* result = nullptr)
{
    Surface surface(16, 200, 120);
    surface.fill_raw(white16);
    SelectedFont font(surface.dc, options);
    SetBkMode(surface.dc, TRANSPARENT);
    SetTextColor(surface.dc, RGB(0, 0, 0));
    int height = DrawTextW(surface.dc, text, -1, &rect, format);
    if (result) *result = height;
    return ink_box(surface, white16);
}

}  // namespace

TEST(TextDraw, AlignmentFlagsMoveTheInk)
{
    RECT rect {10, 10, 190, 110};
    RECT left = ink_of(u"Hi", rect, DT_SINGLELINE | DT_LEFT);
    RECT centre = ink_of(u"Hi", rect, DT_SINGLELINE | DT_CENTER);
    RECT right = ink_of(u"Hi", rect, DT_SINGLELINE | DT_RIGHT);
    ASSERT_GT(width_of(left), 0);
    EXPECT_GE(left.left, 10);
    EXPECT_LE(left.left, 13);
    EXPECT_LE(right.right, 190);
    EXPECT_GE(right.right, 186);
    EXPECT_NEAR((centre.left + centre.right) / 2, 100, 3);
    EXPECT_EQ(width_of(left), width_of(centre));
    EXPECT_EQ(width_of(left), width_of(right));

    int top_result = 0, middle_result = 0, bottom_result = 0;
    RECT top = ink_of(u"Hi", rect, DT_SINGLELINE, {}, &top_result);
    RECT middle = ink_of(u"Hi", rect, DT_SINGLELINE | DT_VCENTER, {}, &middle_result);
    RECT bottom = ink_of(u"Hi", rect, DT_SINGLELINE | DT_BOTTOM, {}, &bottom_result);
    EXPECT_LT(top.top, middle.top);
    EXPECT_LT(middle.top, bottom.top);
    EXPECT_LE(bottom.bottom, 110);
    // Vertical placement reports the offset of the text's bottom from the top.
    Surface probe(16, 1, 1);
    SelectedFont font(probe.dc, {});
    int line = line_height(probe.dc);
    EXPECT_EQ(top_result, line);
    EXPECT_EQ(middle_result, (100 - line) / 2 + line);
    EXPECT_EQ(bottom_result, 100);
    // Without DT_SINGLELINE, vertical centring does not apply.
    EXPECT_EQ(ink_of(u"Hi", rect, DT_VCENTER).top, top.top);
}

TEST(TextDraw, ChineseAndLatinWrapInsideTheRectangle)
{
    RECT rect {10, 0, 110, 120};
    int chinese_height = 0;
    RECT chinese = ink_of(u"确定要退出剃须刀程序吗", rect, DT_WORDBREAK, {}, &chinese_height);
    EXPECT_GE(chinese.left, 10);
    EXPECT_LE(chinese.right, 110);
    Surface probe(16, 1, 1);
    SelectedFont font(probe.dc, {});
    int line = line_height(probe.dc);
    // Eleven characters of about 24 pixels: three lines in 100 pixels.
    EXPECT_EQ(chinese_height, 3 * line);
    EXPECT_GT(height_of(chinese), 2 * line);

    int latin_height = 0;
    RECT latin = ink_of(u"Shake the phone to shave", rect, DT_WORDBREAK, {}, &latin_height);
    EXPECT_LE(latin.right, 110);
    EXPECT_GE(latin_height, 2 * line);
    // Unwrapped, the same text runs past the rectangle's edge (it is clipped there).
    RECT unwrapped = ink_of(u"Shake the phone to shave", rect, DT_NOCLIP);
    EXPECT_GT(unwrapped.right, 110);
    EXPECT_LT(height_of(unwrapped), line);
}

TEST(TextDraw, AWordWiderThanTheRectangleIsDrawnWholeOnItsOwnLine)
{
    Surface probe(16, 1, 1);
    SelectedFont font(probe.dc, {});
    int line = line_height(probe.dc);
    RECT rect {10, 0, 30, 120};
    int height = 0;
    RECT whole = ink_of(u"Shaver on", rect, DT_WORDBREAK | DT_NOCLIP, {}, &height);
    EXPECT_EQ(height, 2 * line);
    EXPECT_GT(whole.right, 30);  // past the edge, not cut into pieces
    EXPECT_LT(whole.bottom, 2 * line + 1);
    // Clipped as usual unless DT_NOCLIP.
    EXPECT_LE(ink_of(u"Shaver on", rect, DT_WORDBREAK).right, 30);
}

TEST(TextDraw, EndEllipsisKeepsTheInkInsideTheRectangle)
{
    RECT rect {10, 10, 110, 60};
    const char16_t* text = u"A countdown label far too long to fit";
    RECT cut = ink_of(text, rect, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    RECT whole = ink_of(text, rect, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(whole.right, 110);
    EXPECT_LE(cut.right, 110);
    EXPECT_GT(cut.right, 80);

    // The periods are the last ink: a single-pixel-high run near the baseline
    // at the right end of the text.
    RECT measured = rect;
    DrawTextW(Surface(16, 1, 1).dc, text, -1, &measured, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
    EXPECT_LE(width_of(measured), 100);

    // Wrapped text that does not fit in height ends with periods inside it.
    RECT box {0, 0, 120, 60};
    RECT wrapped =
        ink_of(u"shake shake shake shake shake shake shake", box, DT_WORDBREAK | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_LE(wrapped.bottom, 60);
    EXPECT_LE(wrapped.right, 120);
}

TEST(TextDraw, TransparentLeavesTheBackgroundOpaqueFillsTheCell)
{
    for (int depth : {16, 32}) {
        SCOPED_TRACE(depth);
        std::uint32_t white = gdi_test::stored(depth, RGB(255, 255, 255));
        std::uint32_t blue = gdi_test::stored(depth, RGB(0, 0, 255));
        std::uint32_t red = gdi_test::stored(depth, RGB(255, 0, 0));
        Surface surface(depth, 120, 60);
        surface.fill_raw(white);
        SelectedFont font(surface.dc, {});
        SetTextColor(surface.dc, RGB(255, 0, 0));
        SetBkColor(surface.dc, RGB(0, 0, 255));

        SetBkMode(surface.dc, TRANSPARENT);
        ASSERT_TRUE(TextOutW(surface.dc, 5, 5, u"Hello", 5));
        EXPECT_EQ(count_pixels(surface, blue), 0);
        EXPECT_GT(count_pixels(surface, red), 10);

        surface.fill_raw(white);
        SetBkMode(surface.dc, OPAQUE);
        ASSERT_TRUE(TextOutW(surface.dc, 5, 5, u"Hello", 5));
        SIZE size {};
        GetTextExtentPoint32W(surface.dc, u"Hello", 5, &size);
        RECT cell = ink_box(surface, white);
        EXPECT_EQ(cell.left, 5);
        EXPECT_EQ(cell.top, 5);
        EXPECT_EQ(width_of(cell), size.cx);
        EXPECT_EQ(height_of(cell), size.cy);
        // Every corner of the cell is background, the glyphs are text colour
        // blended over it.
        EXPECT_EQ(surface.raw(5, 5), blue);
        EXPECT_EQ(surface.raw(5 + size.cx - 1, 5 + size.cy - 1), blue);
        EXPECT_GT(count_pixels(surface, red), 10);
    }
}

TEST(TextDraw, DrawingNeverLeavesTheRectangleOrTheClipRegionUnlessAsked)
{
    Surface surface(16, 200, 60);
    surface.fill_raw(white16);
    SelectedFont font(surface.dc, {.height = -40});
    SetBkMode(surface.dc, TRANSPARENT);
    RECT rect {20, 10, 60, 30};
    DrawTextW(surface.dc, u"Clipped text", -1, &rect, DT_LEFT);
    RECT ink = ink_box(surface, white16);
    EXPECT_GE(ink.left, 20);
    EXPECT_LE(ink.right, 60);
    EXPECT_GE(ink.top, 10);
    EXPECT_LE(ink.bottom, 30);

    surface.fill_raw(white16);
    DrawTextW(surface.dc, u"Clipped text", -1, &rect, DT_LEFT | DT_NOCLIP);
    ink = ink_box(surface, white16);
    EXPECT_GT(ink.right, 60);
    EXPECT_GT(ink.bottom, 30);

    // The DC's own clip region still holds with DT_NOCLIP.
    surface.fill_raw(white16);
    IntersectClipRect(surface.dc, 0, 0, 40, 60);
    DrawTextW(surface.dc, u"Clipped text", -1, &rect, DT_LEFT | DT_NOCLIP);
    EXPECT_LE(ink_box(surface, white16).right, 40);
}

TEST(TextDraw, NonAntialiasedQualityDrawsOnlyTwoColours)
{
    for (int depth : {16, 32}) {
        SCOPED_TRACE(depth);
        std::uint32_t white = gdi_test::stored(depth, RGB(255, 255, 255));
        std::uint32_t text = gdi_test::stored(depth, RGB(0x81, 0x76, 0x52));
        Surface surface(depth, 120, 60);
        auto colours = [&] {
            std::set<std::uint32_t> seen;
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 120; ++x) seen.insert(surface.raw(x, y));
            return seen;
        };
        RECT rect {0, 0, 120, 60};
        {
            surface.fill_raw(white);
            SelectedFont font(surface.dc, {.height = -44, .quality = NONANTIALIASED_QUALITY});
            SetBkMode(surface.dc, TRANSPARENT);
            SetTextColor(surface.dc, RGB(0x81, 0x76, 0x52));
            DrawTextW(surface.dc, u"50", -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
            EXPECT_EQ(colours(), (std::set<std::uint32_t> {white, text}));
        }
        {
            surface.fill_raw(white);
            SelectedFont font(surface.dc, {.height = -44, .quality = CLEARTYPE_QUALITY});
            DrawTextW(surface.dc, u"50", -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
            EXPECT_GT(colours().size(), 4u);
        }
    }
}

TEST(TextDraw, EachDepthTakesTheTextColourAndThirtyTwoBitsLoseTheirAlpha)
{
    Surface mono(1, 100, 40);
    mono.fill_raw(1);
    {
        SelectedFont font(mono.dc, {});
        SetBkMode(mono.dc, TRANSPARENT);
        SetTextColor(mono.dc, RGB(0, 0, 0));
        TextOutW(mono.dc, 2, 2, u"Mono", 4);
    }
    EXPECT_GT(count_pixels(mono, 0), 10);

    Surface deep(32, 100, 40);
    deep.fill_raw(0xFF00FF00);
    {
        SelectedFont font(deep.dc, {});
        SetBkMode(deep.dc, TRANSPARENT);
        SetTextColor(deep.dc, RGB(255, 0, 0));
        TextOutW(deep.dc, 2, 2, u"Alpha", 5);
    }
    int touched = 0, kept = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x) {
            std::uint32_t value = deep.raw(x, y);
            if (value == 0xFF00FF00) {
                ++kept;
                continue;
            }
            ++touched;
            EXPECT_EQ(value >> 24, 0u) << x << "," << y;
        }
    EXPECT_GT(touched, 10);
    EXPECT_GT(kept, 100);
    // Full coverage is exactly the text colour.
    EXPECT_GT(count_pixels(deep, 0x00FF0000), 5);
}

TEST(TextDraw, RotatedTextTurnsItsInkAboutTheOrigin)
{
    auto draw = [](LONG escapement) {
        auto surface = std::make_unique<Surface>(16, 160, 160);
        surface->fill_raw(white16);
        SelectedFont font(surface->dc, {.escapement = escapement});
        SetBkMode(surface->dc, TRANSPARENT);
        TextOutW(surface->dc, 80, 80, u"Shaver", 6);
        return ink_box(*surface, white16);
    };
    RECT flat = draw(0), up = draw(900), upside_down = draw(1800), down = draw(2700);
    EXPECT_GT(width_of(flat), 2 * height_of(flat));
    EXPECT_GT(height_of(up), 2 * width_of(up));
    EXPECT_GT(height_of(down), 2 * width_of(down));
    EXPECT_GT(width_of(upside_down), 2 * height_of(upside_down));
    // Quarter turns keep the glyphs' size: the box's sides swap.
    EXPECT_NEAR(height_of(up), width_of(flat), 2);
    EXPECT_NEAR(width_of(up), height_of(flat), 2);
    // Counter-clockwise: 90 degrees runs up from the origin, 270 down, 180 left.
    EXPECT_GE(flat.left, 80);
    EXPECT_LE(up.bottom, 81);
    EXPECT_GE(down.top, 79);
    EXPECT_LE(upside_down.right, 81);
}

TEST(TextDraw, DefaultFaceDrawsForEmptyAndUnknownNames)
{
    auto draw = [](const char16_t* face) {
        auto surface = std::make_unique<Surface>(16, 120, 40);
        surface->fill_raw(white16);
        SelectedFont font(surface->dc, {.face = face});
        SetBkMode(surface->dc, TRANSPARENT);
        TextOutW(surface->dc, 2, 2, u"剃须 Ab", 5);
        return surface->picture(white16);
    };
    std::string empty = draw(u""), unknown = draw(u"Not A Face"), latin = draw(u"DejaVu Sans");
    EXPECT_EQ(empty, unknown);
    EXPECT_NE(empty, latin);
    EXPECT_NE(empty.find('.'), std::string::npos);
}

TEST(TextDraw, PrefixesUnderlineTheMnemonicUnlessSwitchedOff)
{
    RECT rect {0, 0, 200, 100};
    RECT marked = ink_of(u"&Exit", rect, DT_SINGLELINE);
    RECT plain = ink_of(u"Exit", rect, DT_SINGLELINE);
    RECT literal = ink_of(u"&Exit", rect, DT_SINGLELINE | DT_NOPREFIX);
    RECT hidden = ink_of(u"&Exit", rect, DT_SINGLELINE | DT_HIDEPREFIX);
    EXPECT_NEAR(marked.left, plain.left, 2);
    EXPECT_GT(marked.bottom, plain.bottom);  // the underline lies below the letters
    // Under the E only: the underline's rows end long before the text does.
    Surface surface(16, 200, 100);
    surface.fill_raw(white16);
    SelectedFont font(surface.dc, {});
    SetBkMode(surface.dc, TRANSPARENT);
    DrawTextW(surface.dc, u"&Exit", -1, &rect, DT_SINGLELINE);
    int underline_right = 0;
    for (int y = plain.bottom; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (surface.raw(x, y) != white16) underline_right = std::max(underline_right, x + 1);
    SIZE e_size {};
    GetTextExtentPoint32W(surface.dc, u"E", 1, &e_size);
    EXPECT_EQ(underline_right, e_size.cx);
    EXPECT_GT(width_of(literal), width_of(plain) + 5);
    EXPECT_EQ(hidden.right, plain.right);

    RECT underlined = ink_of(u"ace", rect, DT_SINGLELINE, {.underline = 1});
    RECT bare = ink_of(u"ace", rect, DT_SINGLELINE);
    EXPECT_GT(underlined.bottom, bare.bottom);
}

TEST(TextDraw, BadArgumentsFailCleanly)
{
    Surface surface(16, 40, 40);
    surface.fill_raw(white16);
    RECT rect {0, 0, 40, 40};
    SetLastError(0);
    EXPECT_EQ(DrawTextW(nullptr, u"x", 1, &rect, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(DrawTextW(surface.dc, u"x", 1, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(DrawTextW(surface.dc, nullptr, 3, &rect, 0), 0);
    EXPECT_FALSE(TextOutW(reinterpret_cast<HDC>(std::uintptr_t(0x7777)), 0, 0, u"x", 1));
    EXPECT_FALSE(GetTextExtentPoint32W(surface.dc, u"x", 1, nullptr));
    EXPECT_FALSE(GetTextMetricsW(surface.dc, nullptr));
    // An empty text draws nothing and has no height.
    EXPECT_EQ(DrawTextW(surface.dc, u"", -1, &rect, DT_SINGLELINE), 0);
    EXPECT_EQ(DrawTextW(surface.dc, nullptr, 0, &rect, 0), 0);
    EXPECT_EQ(count_pixels(surface, white16), 40 * 40);
    // A count shorter than the text draws only that much.
    RECT all = ink_of(u"abcdef", RECT {0, 0, 200, 100}, DT_SINGLELINE);
    Surface part(16, 200, 100);
    part.fill_raw(white16);
    SetBkMode(part.dc, TRANSPARENT);
    RECT wide {0, 0, 200, 100};
    DrawTextW(part.dc, u"abcdef", 2, &wide, DT_SINGLELINE);
    EXPECT_LT(ink_box(part, white16).right, all.right);
}

TEST(TextDraw, ExtTextOutTakesTheCallersSpacingAndRectangle)
{
    Surface surface(16, 200, 60);
    surface.fill_raw(white16);
    SelectedFont font(surface.dc, {});
    SetBkMode(surface.dc, TRANSPARENT);
    SetBkColor(surface.dc, RGB(0, 0, 255));
    std::uint32_t blue = gdi_test::stored(16, RGB(0, 0, 255));

    // Wide spacing spreads the same letters further.
    INT spacing[3] = {40, 40, 40};
    ASSERT_TRUE(ExtTextOutW(surface.dc, 0, 0, 0, nullptr, u"iii", 3, spacing));
    RECT spread = ink_box(surface, white16);
    surface.fill_raw(white16);
    ASSERT_TRUE(ExtTextOutW(surface.dc, 0, 0, 0, nullptr, u"iii", 3, nullptr));
    RECT natural = ink_box(surface, white16);
    EXPECT_GE(width_of(spread), 80);
    EXPECT_LT(width_of(natural), 30);

    // ETO_OPAQUE fills the whole rectangle, ETO_CLIPPED keeps the text in it.
    surface.fill_raw(white16);
    RECT box {10, 10, 30, 40};
    ASSERT_TRUE(ExtTextOutW(surface.dc, 12, 12, ETO_OPAQUE | ETO_CLIPPED, &box, u"Opaque", 6, nullptr));
    RECT ink = ink_box(surface, white16);
    EXPECT_EQ(ink.left, 10);
    EXPECT_EQ(ink.top, 10);
    EXPECT_EQ(ink.right, 30);
    EXPECT_EQ(ink.bottom, 40);
    EXPECT_EQ(surface.raw(10, 10), blue);
    EXPECT_EQ(surface.raw(29, 39), blue);
}

TEST(TextDraw, CoordinatesAtTheEndsOfTheRangeDrawNothingAndDoNotOverflow)
{
    Surface surface(16, 40, 40);
    surface.fill_raw(white16);
    SelectedFont font(surface.dc, {.underline = 1});
    SetBkMode(surface.dc, OPAQUE);
    RECT huge {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_GT(DrawTextW(surface.dc, u"far", -1, &huge, DT_CENTER | DT_VCENTER | DT_SINGLELINE), 0);
    RECT far_right {INT32_MAX - 5, INT32_MAX - 5, INT32_MAX, INT32_MAX};
    EXPECT_GT(DrawTextW(surface.dc, u"far\nfar", -1, &far_right, DT_RIGHT | DT_NOCLIP), 0);
    RECT measured = far_right;
    DrawTextW(surface.dc, u"far far far", -1, &measured, DT_CALCRECT);
    EXPECT_EQ(measured.right, INT32_MAX);
    EXPECT_TRUE(TextOutW(surface.dc, INT32_MAX, INT32_MIN, u"far", 3));
    EXPECT_TRUE(TextOutW(surface.dc, INT32_MIN, INT32_MAX, u"far", 3));
    EXPECT_EQ(count_pixels(surface, white16), 40 * 40);
}

TEST(TextDraw, WindowDcsDrawAtTheirOriginInsideTheirVisibleRegionAndReportDamage)
{
    using namespace platform::gdi;
    Screen& display = screen();
    display.fill(RGB(255, 255, 255));
    display.take_damage();
    // A window at (100, 200) of which only the top 30 rows are visible.
    HDC window = create_window_dc(POINT {100, 200}, Region(RECT {100, 200, 300, 230}));
    ASSERT_NE(window, nullptr);
    {
        SelectedFont font(window, {.height = -40});
        SetBkMode(window, TRANSPARENT);
        SetTextColor(window, RGB(0, 0, 0));
        RECT rect {0, 0, 200, 100};
        DrawTextW(window, u"Shaver 剃须刀", -1, &rect, DT_SINGLELINE | DT_NOCLIP);
    }
    DeleteDC(window);

    std::vector<std::uint32_t> pixels = display.read_xrgb();
    RECT ink {Screen::width, Screen::height, 0, 0};
    for (int y = 0; y < Screen::height; ++y)
        for (int x = 0; x < Screen::width; ++x)
            if (pixels[static_cast<std::size_t>(y) * Screen::width + x] != 0xFFFFFF) {
                ink.left = std::min<LONG>(ink.left, x);
                ink.top = std::min<LONG>(ink.top, y);
                ink.right = std::max<LONG>(ink.right, x + 1);
                ink.bottom = std::max<LONG>(ink.bottom, y + 1);
            }
    ASSERT_LT(ink.left, ink.right);
    EXPECT_GE(ink.left, 100);
    EXPECT_LE(ink.left, 104);
    EXPECT_GE(ink.top, 200);
    EXPECT_EQ(ink.bottom, 230);  // the glyphs go on below, where the window is hidden
    RECT damage = display.take_damage();
    EXPECT_LE(damage.left, ink.left);
    EXPECT_LE(damage.top, ink.top);
    EXPECT_GE(damage.right, ink.right);
    EXPECT_GE(damage.bottom, ink.bottom);
}
