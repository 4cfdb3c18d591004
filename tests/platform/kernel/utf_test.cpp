#include <gtest/gtest.h>

#include "platform/kernel/utf.h"

namespace {

TEST(Utf, RoundTripsChineseAndAstralText)
{
    std::u16string text = u"剃须刀 Velmor \U0001F600";
    EXPECT_EQ(platform::from_utf8(platform::to_utf8(text)), text);
    EXPECT_EQ(platform::to_utf8(u"é"), "\xC3\xA9");
}

TEST(Utf, InvalidSequencesBecomeReplacementCharacters)
{
    EXPECT_EQ(platform::from_utf8("a\xFF"
                                  "b"),
        u"a\uFFFDb");
    EXPECT_EQ(platform::from_utf8("\xE4\xB8"), u"\uFFFD\uFFFD");  // truncated
    EXPECT_EQ(platform::from_utf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
    EXPECT_EQ(platform::from_utf8("\xED\xA0\x80").size(), 3u);  // encoded surrogate
    EXPECT_EQ(platform::to_utf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");  // lone surrogate
}

}  // namespace
