#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/include/crtwide.h"
#include "platform/kernel/case_fold.h"

using platform::compare_ignoring_case;
using platform::equal_ignoring_case;
using platform::fold_case;
using platform::lower_case;
using platform::upper_case;

namespace {

std::string hex(char16_t c)
{
    char text[8];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

struct CasePair {
    char16_t capital;
    char16_t small;
};

// Letters of each covered script, chosen where the old copies of the rule
// went wrong or where a block's pairing changes pattern.
constexpr CasePair pairs[] = {
    {u'A', u'a'}, {u'Z', u'z'},  // ASCII
    {0x00C0, 0x00E0}, {0x00DE, 0x00FE},  // À, Þ
    {0x0178, 0x00FF},  // Ÿ pairs with ÿ, outside its block
    {0x0100, 0x0101}, {0x0136, 0x0137},  // Latin Extended-A, capitals even
    {0x0139, 0x013A}, {0x0147, 0x0148},  // Ĺ … Ň, capitals odd
    {0x014A, 0x014B}, {0x0176, 0x0177},  // Ŋ … Ŷ, capitals even again
    {0x0179, 0x017A}, {0x017D, 0x017E},  // Ź, Ž
    {0x0181, 0x0253}, {0x018F, 0x0259},  // Ɓ ɓ, Ə ə (Latin Extended-B to IPA)
    {0x01C4, 0x01C6},  // Ǆ ǆ
    {0x023A, 0x2C65},  // Ⱥ ⱥ (Extended-B to Extended-C)
    {0xA7AA, 0x0266},  // Ɦ ɦ (Extended-D to IPA)
    {0x1E00, 0x1E01}, {0x1EA0, 0x1EA1}, {0x1EF8, 0x1EF9},  // Vietnamese
    {0x0386, 0x03AC}, {0x0391, 0x03B1}, {0x03A3, 0x03C3}, {0x03A9, 0x03C9}, {0x03AB, 0x03CB},  // Greek
    {0x03E2, 0x03E3}, {0x03F7, 0x03F8},  // Coptic letters in the Greek block
    {0x0400, 0x0450}, {0x0401, 0x0451}, {0x040F, 0x045F}, {0x0410, 0x0430}, {0x042F, 0x044F},  // Cyrillic
    {0x0460, 0x0461}, {0x04C0, 0x04CF}, {0x04C1, 0x04C2}, {0x0500, 0x0501}, {0xA640, 0xA641}, {0x0531, 0x0561},
    {0x0556, 0x0586},  // Armenian
    {0xFF21, 0xFF41}, {0xFF3A, 0xFF5A},  // full-width Ａ, Ｚ
};

TEST(CaseFold, EachCoveredScriptFoldsItsCapitalsAndMapsBothWays)
{
    for (const CasePair& pair : pairs) {
        SCOPED_TRACE(hex(pair.capital) + " / " + hex(pair.small));
        EXPECT_EQ(fold_case(pair.capital), pair.small);
        EXPECT_EQ(fold_case(pair.small), pair.small);
        EXPECT_EQ(lower_case(pair.capital), pair.small);
        EXPECT_EQ(upper_case(pair.small), pair.capital);
        EXPECT_EQ(towlower(pair.capital), pair.small);
        EXPECT_EQ(towupper(pair.small), pair.capital);
    }
}

TEST(CaseFold, VariantsFoldTogetherWhileCaseMappingKeepsThem)
{
    // µ, ſ, ς and the Greek symbol forms are small letters of their own;
    // lowering leaves them, folding joins them with the ordinary letter.
    constexpr CasePair variants[] = {
        {0x00B5, 0x03BC},
        {0x017F, u's'},
        {0x03C2, 0x03C3},
        {0x03D0, 0x03B2},
        {0x03D1, 0x03B8},
        {0x03D5, 0x03C6},
        {0x03F1, 0x03C1},
        {0x1E9B, 0x1E61},
        {0x1C80, 0x0432},
        {0x1E9E, 0x00DF},
    };
    for (const CasePair& variant : variants) {
        SCOPED_TRACE(hex(variant.capital));
        EXPECT_EQ(fold_case(variant.capital), variant.small);
        EXPECT_EQ(fold_case(upper_case(variant.capital)), variant.small);
    }
    EXPECT_EQ(lower_case(0x017F), 0x017F);
    EXPECT_EQ(upper_case(0x017F), u'S');
    EXPECT_EQ(upper_case(0x03C2), 0x03A3);
    EXPECT_EQ(lower_case(0x1E9E), 0x00DF);  // ẞ lowers to ß …
    EXPECT_EQ(upper_case(0x00DF), 0x00DF);  // … but ß has no one-letter capital
}

TEST(CaseFold, LettersWithoutAOneToOnePairAndOtherScriptsStayAsTheyAre)
{
    constexpr char16_t unchanged[] = {
        u'0',
        u'[',
        u'_',
        0x00D7,
        0x00F7,  // no case
        0x0130,
        0x0131,
        0x0149,
        0x01F0,
        0x0390,
        0x0587,  // fold to several letters or to none
        0x0138,  // ĸ has no capital
        0x10A0,
        0x13A0,
        0x1F08,
        0x212A,
        0x2126,  // Georgian, Cherokee, Greek Extended, Kelvin, Ohm
        0x4E2D,
        0x3000,
        0xFF10,
        0xFF41,  // Chinese, full-width space and digit, a small letter
        0xD800,
        0xDC00,
        0xFFFF,
    };
    for (char16_t c : unchanged) {
        SCOPED_TRACE(hex(c));
        EXPECT_EQ(fold_case(c), c);
        EXPECT_EQ(lower_case(c), c);
    }
}

TEST(CaseFold, EveryUnitFoldsToAFixedPointThatItsCaseMappingsShare)
{
    // Over the whole of UTF-16: folding twice changes nothing, and neither
    // case mapping moves a letter out of its fold class, so towlower,
    // towupper and the name comparisons agree about every pair. The one
    // exception is Turkish dotless ı: its capital is the ordinary I, yet
    // without Turkish rules I folds to i, so ı matches neither.
    int moved = 0;
    for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
        auto c = static_cast<char16_t>(unit);
        char16_t folded = fold_case(c);
        if (folded != c) ++moved;
        ASSERT_EQ(fold_case(folded), folded) << hex(c);
        ASSERT_EQ(fold_case(lower_case(c)), folded) << hex(c);
        if (c != 0x0131) {
            ASSERT_EQ(fold_case(upper_case(c)), folded) << hex(c);
        }
        ASSERT_EQ(fold_case(std::u16string(1, c)), std::u16string(1, folded)) << hex(c);
    }
    // The covered scripts have some 770 capitals and variants; a table
    // that lost a run would fold far fewer.
    EXPECT_GT(moved, 750);
    EXPECT_EQ(upper_case(0x0131), u'I');
    EXPECT_FALSE(equal_ignoring_case(u"\u0131", u"I"));
}

TEST(CaseFold, ComparingIgnoresCaseAndOrdersByFoldedLetters)
{
    EXPECT_TRUE(equal_ignoring_case(u"\u0179r\u00F3d\u0142o", u"\u017AR\u00D3D\u0141O"));  // Źródło
    EXPECT_TRUE(equal_ignoring_case(u"\u041C\u043E\u0441\u043A\u0432\u0430", u"\u043C\u041E\u0421\u041A\u0412\u0410"));
    EXPECT_TRUE(equal_ignoring_case(u"\u0531\u0580", u"\u0561\u0580"));
    EXPECT_TRUE(equal_ignoring_case(u"\uFF37\uFF21\uFF36\uFF25", u"\uFF57\uFF41\uFF56\uFF45"));  // ＷＡＶＥ
    EXPECT_FALSE(equal_ignoring_case(u"ab", u"abc"));
    EXPECT_FALSE(equal_ignoring_case(u"\u00DF", u"ss"));
    EXPECT_FALSE(equal_ignoring_case(u"\u0130", u"i"));

    EXPECT_EQ(compare_ignoring_case(u"Apple", u"aPPLE"), 0);
    EXPECT_LT(compare_ignoring_case(u"apple", u"Banana"), 0);
    EXPECT_GT(compare_ignoring_case(u"Banana", u"apple"), 0);
    EXPECT_LT(compare_ignoring_case(u"ab", u"ABC"), 0);
    EXPECT_GT(compare_ignoring_case(u"ABC", u"ab"), 0);
    // Folding lowers, so '_' (between the capitals and the small letters)
    // sorts before every letter.
    EXPECT_LT(compare_ignoring_case(u"_", u"A"), 0);
}

TEST(CaseFold, WideRuntimeComparesByTheSameFold)
{
    EXPECT_EQ(_wcsicmp(u"\u0179le", u"\u017ALE"), 0);
    EXPECT_EQ(_wcsicmp(u"\u00B5s", u"\u039CS"), 0);  // micro sign and mu
    EXPECT_EQ(_wcsicmp(u"\u03C2", u"\u03A3"), 0);
    EXPECT_EQ(_wcsnicmp(u"\u0531\u0532x", u"\u0561\u0562y", 2), 0);
    EXPECT_LT(_wcsicmp(u"\u0430", u"\u0431"), 0);
    EXPECT_EQ(lstrcmpiW(u"\uFF21", u"\uFF41"), 0);
    EXPECT_LT(lstrcmpW(u"\u017A", u"\u0179"), 0);  // same letter: the small one first
}

}  // namespace
