// Line layout on fixed character widths: every character 10 pixels wide, a
// period 4, so expectations can be counted by hand.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/include/wintext.h"
#include "platform/text/text_layout.h"

using namespace platform::text;

namespace {

struct Laid {
    std::vector<std::u32string> lines;
    std::vector<TextLine> raw;
};

Laid lay(std::u32string_view text, int width, UINT format, int height = 1000)
{
    LayoutRequest request;
    request.characters = text;
    request.advances.assign(text.size(), 10);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == U'\n' || text[i] == U'\r') request.advances[i] = 0;
    request.dot_advance = 4;
    request.width = width;
    request.height = height;
    request.line_height = 20;
    request.format = format;
    Laid laid;
    laid.raw = layout_text(request);
    for (const TextLine& line : laid.raw)
        laid.lines.push_back(std::u32string(text.substr(line.begin, line.end - line.begin)) +
            std::u32string(static_cast<std::size_t>(line.dots), U'.'));
    return laid;
}

using Lines = std::vector<std::u32string>;

}  // namespace

TEST(TextLayout, PrefixesMarkTheMnemonicAndDoubledAmpersandsStay)
{
    PreparedText text = prepare_text(u"&Open && Save&", true);
    EXPECT_EQ(text.characters, U"Open & Save");
    EXPECT_EQ(text.mnemonic, 0);
    EXPECT_EQ(prepare_text(u"Sa&ve", true).mnemonic, 2);
    EXPECT_EQ(prepare_text(u"&&", true).mnemonic, -1);

    PreparedText plain = prepare_text(u"&Open", false);
    EXPECT_EQ(plain.characters, U"&Open");
    EXPECT_EQ(plain.mnemonic, -1);
}

TEST(TextLayout, DecodesSurrogatePairsAndReplacesLoneSurrogates)
{
    std::u16string text = u"a\xD83D\xDE00"
                          u"b";
    text += char16_t(0xDC00);
    text += u"c";
    text += char16_t(0xD800);
    EXPECT_EQ(prepare_text(text, false).characters, std::u32string(U"a\U0001F600b\uFFFDc\uFFFD"));
}

TEST(TextLayout, LineBreaksEndLinesUnlessSingleLine)
{
    EXPECT_EQ(lay(U"ab\ncd\r\nef\rg", 1000, 0).lines, (Lines {U"ab", U"cd", U"ef", U"g"}));
    // A break at the very end adds no line; an empty line between two stays.
    EXPECT_EQ(lay(U"ab\n\ncd\n", 1000, 0).lines, (Lines {U"ab", U"", U"cd"}));
    Laid single = lay(U"ab\ncd", 1000, DT_SINGLELINE);
    ASSERT_EQ(single.lines.size(), 1u);
    EXPECT_EQ(single.raw[0].width, 40);
    EXPECT_TRUE(lay(U"", 100, 0).lines.empty());
    // Without word breaking, a long line stays long.
    EXPECT_EQ(lay(U"abcdefgh", 30, 0).raw[0].width, 80);
}

TEST(TextLayout, LatinWrapsBetweenWordsAndDropsTheBlanksAtTheBreak)
{
    EXPECT_EQ(lay(U"one two three four", 90, DT_WORDBREAK).lines, (Lines {U"one two", U"three", U"four"}));
    Laid laid = lay(U"one two   three", 70, DT_WORDBREAK);
    EXPECT_EQ(laid.lines, (Lines {U"one two", U"three"}));
    EXPECT_EQ(laid.raw[0].width, 70);
    // Hard breaks still end lines inside wrapped text.
    EXPECT_EQ(lay(U"ab cd\nef", 1000, DT_WORDBREAK).lines, (Lines {U"ab cd", U"ef"}));
}

TEST(TextLayout, ChineseWrapsBetweenCharactersButNotBeforeClosingPunctuation)
{
    EXPECT_EQ(lay(U"确定要退出吗", 40, DT_WORDBREAK).lines, (Lines {U"确定要退", U"出吗"}));
    // A full stop may not start a line: the character before it moves down too.
    EXPECT_EQ(lay(U"一二三。", 30, DT_WORDBREAK).lines, (Lines {U"一二", U"三。"}));
    // Latin words inside Chinese text stay whole.
    EXPECT_EQ(lay(U"请用USB连接", 40, DT_WORDBREAK).lines, (Lines {U"请用", U"USB连", U"接"}));
}

TEST(TextLayout, WordsLongerThanTheLineKeepALineOfTheirOwnUncut)
{
    Laid laid = lay(U"abcdefgh ij", 30, DT_WORDBREAK);
    EXPECT_EQ(laid.lines, (Lines {U"abcdefgh", U"ij"}));
    EXPECT_EQ(laid.raw[0].width, 80);
    // A long word between short ones moves down, takes its line and lets
    // the next words start a new one.
    EXPECT_EQ(lay(U"ab cdefgh ij kl", 50, DT_WORDBREAK).lines, (Lines {U"ab", U"cdefgh", U"ij kl"}));
    // Narrower than any character: one word a line, none cut.
    EXPECT_EQ(lay(U"line1 line2", 1, DT_WORDBREAK).lines, (Lines {U"line1", U"line2"}));
    EXPECT_EQ(lay(U"abc", 5, DT_WORDBREAK).lines, (Lines {U"abc"}));
    // Chinese has a break between every two characters, so it still wraps
    // one character a line rather than running past the edge.
    EXPECT_EQ(lay(U"确定要退", 5, DT_WORDBREAK).lines, (Lines {U"确", U"定", U"要", U"退"}));
    // With an end ellipsis, the overlong word is cut to fit instead.
    EXPECT_EQ(lay(U"abcdefgh ij", 30, DT_WORDBREAK | DT_END_ELLIPSIS).lines, (Lines {U"a...", U"ij"}));
}

TEST(TextLayout, EndEllipsisCutsTheLineToFitWithThreePeriods)
{
    Laid laid = lay(U"abcdefghij", 65, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_EQ(laid.lines, (Lines {U"abcde..."}));
    EXPECT_EQ(laid.raw[0].width, 62);
    // Text that fits is left alone.
    EXPECT_EQ(lay(U"abc", 30, DT_SINGLELINE | DT_END_ELLIPSIS).lines, (Lines {U"abc"}));
    // Blanks before the periods go.
    EXPECT_EQ(lay(U"ab  cdefgh", 55, DT_SINGLELINE | DT_END_ELLIPSIS).lines, (Lines {U"ab..."}));
    // Too narrow for three periods: as many as fit, never wider than asked.
    Laid narrow = lay(U"abcdefghij", 9, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_EQ(narrow.lines, (Lines {U".."}));
    EXPECT_EQ(lay(U"abcdef", 0, DT_SINGLELINE | DT_END_ELLIPSIS).raw[0].width, 0);
}

TEST(TextLayout, WrappedTextBelowTheRectangleEndsInAnEllipsisOnTheLastVisibleLine)
{
    UINT format = DT_WORDBREAK | DT_END_ELLIPSIS;
    Laid laid = lay(U"one two three four five", 90, format, 45);
    EXPECT_EQ(laid.lines, (Lines {U"one two", U"three..."}));
    for (const TextLine& line : laid.raw) EXPECT_LE(line.width, 90);
    // Room for everything: no periods.
    EXPECT_EQ(lay(U"one two", 90, format, 45).lines, (Lines {U"one two"}));
    // Measuring grows the rectangle instead of cutting.
    EXPECT_EQ(lay(U"one two three four five", 90, format | DT_CALCRECT, 45).lines.size(), 3u);
    // Even a rectangle lower than a line shows one line.
    EXPECT_EQ(lay(U"one two three", 90, format, 5).lines, (Lines {U"one two..."}));
}
