// Fonts and measurement: heights as LOGFONT states them, string widths, the
// default face and what DT_CALCRECT reports.
#include <algorithm>

#include "tests/platform/text/text_test_support.h"

using namespace text_test;

namespace {

TEXTMETRICW metrics_of(HDC dc)
{
    TEXTMETRICW metrics {};
    EXPECT_TRUE(GetTextMetricsW(dc, &metrics));
    return metrics;
}

SIZE extent_of(HDC dc, const char16_t* text)
{
    SIZE size {0, 0};
    EXPECT_TRUE(GetTextExtentPoint32W(dc, text, static_cast<int>(std::u16string_view(text).size()), &size));
    return size;
}

std::u16string face_of(HDC dc)
{
    WCHAR name[LF_FACESIZE] {};
    int copied = GetTextFaceW(dc, LF_FACESIZE, name);
    EXPECT_GT(copied, 0);
    return name;
}

}  // namespace

TEST(TextMeasure, HeightsFollowTheLogicalFontRules)
{
    Surface surface(16, 8, 8);
    {
        // Negative: the character height; the cell adds the internal leading.
        SelectedFont font(surface.dc, {.height = -24});
        TEXTMETRICW metrics = metrics_of(surface.dc);
        EXPECT_GE(metrics.tmHeight, 24);
        EXPECT_EQ(metrics.tmHeight, metrics.tmAscent + metrics.tmDescent);
        EXPECT_EQ(metrics.tmInternalLeading, metrics.tmHeight - 24);
        EXPECT_EQ(metrics.tmExternalLeading, 0);
        EXPECT_GT(metrics.tmAveCharWidth, 0);
        EXPECT_GE(metrics.tmMaxCharWidth, metrics.tmAveCharWidth);
        EXPECT_EQ(extent_of(surface.dc, u"x").cy, metrics.tmHeight);
    }
    {
        // Positive: the whole cell.
        SelectedFont font(surface.dc, {.height = 30});
        EXPECT_EQ(metrics_of(surface.dc).tmHeight, 30);
    }
    TEXTMETRICW default_height, stock_height;
    {
        SelectedFont font(surface.dc, {.height = 0});
        default_height = metrics_of(surface.dc);
    }
    {
        SelectedFont font(surface.dc, {.height = -24});
        stock_height = metrics_of(surface.dc);
    }
    EXPECT_EQ(default_height.tmHeight, stock_height.tmHeight);
    {
        // Absurd heights are drawn at a bounded size instead of failing or
        // overflowing.
        SelectedFont font(surface.dc, {.height = LONG(0x80000000)});
        EXPECT_GT(metrics_of(surface.dc).tmHeight, 0);
    }
}

TEST(TextMeasure, WidthsGrowWithTheTextAndChineseCharactersAreAboutAnEmWide)
{
    Surface surface(16, 8, 8);
    SelectedFont font(surface.dc, {.height = -24});
    const char16_t* texts[] = {u"S", u"Sh", u"Sha", u"Shav", u"Shave", u"Shaver"};
    LONG previous = 0;
    for (const char16_t* text : texts) {
        LONG width = extent_of(surface.dc, text).cx;
        EXPECT_GT(width, previous) << std::string(text, text + std::u16string_view(text).size());
        previous = width;
    }
    LONG chinese = extent_of(surface.dc, u"中").cx;
    EXPECT_GE(chinese, 20);
    EXPECT_LE(chinese, 27);
    EXPECT_EQ(extent_of(surface.dc, u"中文中文").cx, 4 * chinese);
    // Larger fonts are wider.
    SelectedFont larger(surface.dc, {.height = -44});
    EXPECT_GT(extent_of(surface.dc, u"中").cx, chinese);
}

TEST(TextMeasure, ExtentExPointReportsPartialExtentsAndWhatFits)
{
    Surface surface(16, 8, 8);
    SelectedFont font(surface.dc, {.height = -24});
    const char16_t text[] = u"a\xD83D\xDE00zz";  // a surrogate pair in the middle
    INT extents[5] {};
    INT fit = -1;
    SIZE size {};
    ASSERT_TRUE(GetTextExtentExPointW(surface.dc, text, 5, 1 << 20, &fit, extents, &size));
    EXPECT_EQ(fit, 5);
    EXPECT_EQ(extents[4], size.cx);
    EXPECT_EQ(extents[1], extents[2]);  // both halves of the pair end at the same place
    for (int i = 1; i < 5; ++i) EXPECT_GE(extents[i], extents[i - 1]);
    ASSERT_TRUE(GetTextExtentExPointW(surface.dc, text, 5, extents[3], &fit, nullptr, nullptr));
    EXPECT_EQ(fit, 4);
    ASSERT_TRUE(GetTextExtentExPointW(surface.dc, text, 5, extents[0] - 1, &fit, nullptr, nullptr));
    EXPECT_EQ(fit, 0);
}

TEST(TextMeasure, EmptyAndUnknownFaceNamesGiveTheDefaultFace)
{
    Surface surface(16, 8, 8);
    std::u16string empty_face, unknown_face, known_face;
    {
        SelectedFont font(surface.dc, {.face = u""});
        empty_face = face_of(surface.dc);
    }
    {
        SelectedFont font(surface.dc, {.face = u"No Such Face Anywhere"});
        unknown_face = face_of(surface.dc);
    }
    {
        SelectedFont font(surface.dc, {.face = u"dejavu sans"});
        known_face = face_of(surface.dc);
        // A Latin face still measures Chinese text, with the default face's glyphs.
        EXPECT_GT(extent_of(surface.dc, u"中").cx, 15);
    }
    EXPECT_EQ(empty_face, u"WenQuanYi Micro Hei");
    EXPECT_EQ(unknown_face, u"WenQuanYi Micro Hei");
    EXPECT_EQ(known_face, u"DejaVu Sans");

    WCHAR small[4];
    EXPECT_EQ(GetTextFaceW(surface.dc, 4, small), 4);
    EXPECT_EQ(std::u16string(small), u"Wen");
    EXPECT_EQ(GetTextFaceW(surface.dc, 0, nullptr), 20);
}

TEST(TextMeasure, BoldIsWiderThanNormal)
{
    Surface surface(16, 8, 8);
    LONG normal, bold;
    {
        SelectedFont font(surface.dc, {.weight = FW_NORMAL});
        normal = extent_of(surface.dc, u"Velmor 剃须刀").cx;
    }
    {
        SelectedFont font(surface.dc, {.weight = FW_BOLD});
        bold = extent_of(surface.dc, u"Velmor 剃须刀").cx;
    }
    EXPECT_GT(bold, normal);
}

TEST(TextMeasure, CalcRectMeasuresWithoutDrawing)
{
    Surface surface(16, 400, 200);
    surface.fill_raw(0xFFFF);
    SelectedFont font(surface.dc, {.height = -30});
    LONG line = metrics_of(surface.dc).tmHeight;

    RECT single {10, 20, 11, 21};
    int height = DrawTextW(surface.dc, u"Shave", -1, &single, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(height, line);
    EXPECT_EQ(single.left, 10);
    EXPECT_EQ(width_of(single), extent_of(surface.dc, u"Shave").cx);
    EXPECT_EQ(height_of(single), line);

    // The message box's question: wrapped to its width, as many lines as it takes.
    const char16_t* question = u"确定要退出剃须刀程序吗？退出后将停止所有声音。";
    RECT wrapped {20, 20, 408, 170};
    height = DrawTextW(surface.dc, question, -1, &wrapped, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(height, height_of(wrapped));
    EXPECT_EQ(height % line, 0);
    EXPECT_GE(height / line, 2);
    EXPECT_LE(wrapped.right, 408);
    EXPECT_GT(wrapped.right, 300);
    EXPECT_EQ(count_pixels(surface, 0xFFFF), 400 * 200);

    // The lines stack: one line per hard break.
    RECT lines {0, 0, 400, 0};
    EXPECT_EQ(DrawTextW(surface.dc, u"a\nb\r\nc", -1, &lines, DT_CALCRECT), 3 * line);
}

TEST(TextMeasure, CalcRectWidensToTheLongestWordAndMeasuresEmptyTextAsOneLine)
{
    Surface surface(16, 400, 200);
    SelectedFont font(surface.dc, {.height = -30});
    LONG line = metrics_of(surface.dc).tmHeight;

    // Words are never cut: a rectangle narrower than a word grows to the
    // longest one, and each word takes its line.
    RECT narrow {10, 20, 11, 21};
    EXPECT_EQ(DrawTextW(surface.dc, u"line1 line2", -1, &narrow, DT_CALCRECT | DT_WORDBREAK), 2 * line);
    EXPECT_EQ(narrow.left, 10);
    EXPECT_EQ(narrow.top, 20);
    EXPECT_EQ(width_of(narrow), std::max(extent_of(surface.dc, u"line1").cx, extent_of(surface.dc, u"line2").cx));
    EXPECT_EQ(height_of(narrow), 2 * line);

    RECT shorter {0, 0, 40, 0};
    EXPECT_EQ(DrawTextW(surface.dc, u"a unbreakable b", -1, &shorter, DT_CALCRECT | DT_WORDBREAK), 3 * line);
    EXPECT_EQ(width_of(shorter), extent_of(surface.dc, u"unbreakable").cx);

    // Chinese breaks between any two characters, so it stays one character wide.
    RECT chinese {0, 0, 1, 0};
    EXPECT_EQ(DrawTextW(surface.dc, u"确定要退出", -1, &chinese, DT_CALCRECT | DT_WORDBREAK), 5 * line);
    EXPECT_LE(width_of(chinese), extent_of(surface.dc, u"确").cx);

    // An empty text is one empty line high.
    RECT empty {5, 6, 300, 7};
    EXPECT_EQ(DrawTextW(surface.dc, u"", -1, &empty, DT_CALCRECT | DT_WORDBREAK), line);
    EXPECT_EQ(empty.left, 5);
    EXPECT_EQ(empty.right, 5);
    EXPECT_EQ(empty.top, 6);
    EXPECT_EQ(empty.bottom, 6 + line);

    // A count of 0 has nothing to measure and leaves the rectangle alone.
    for (UINT format : {UINT(DT_CALCRECT), UINT(DT_CALCRECT | DT_WORDBREAK), UINT(DT_CALCRECT | DT_SINGLELINE)}) {
        RECT untouched {5, 6, 300, 7};
        EXPECT_EQ(DrawTextW(surface.dc, u"Shave", 0, &untouched, format), 0);
        EXPECT_EQ(untouched.left, 5);
        EXPECT_EQ(untouched.top, 6);
        EXPECT_EQ(untouched.right, 300);
        EXPECT_EQ(untouched.bottom, 7);
    }
}
