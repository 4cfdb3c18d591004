#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/include/crtwide.h"
#include "platform/include/winbase.h"
#include "platform/kernel/debug_output.h"
#include "tests/support/temp_folder.h"

namespace {

template <class... Arguments> std::u16string format(const WCHAR* format_text, Arguments... arguments)
{
    WCHAR buffer[1024];
    int written = wsprintfW(buffer, format_text, arguments...);
    EXPECT_EQ(written, static_cast<int>(wcslen(buffer)));
    return buffer;
}

TEST(WideFormat, IntegerConversions)
{
    EXPECT_EQ(format(u"%d|%i|%u", -42, 7, 4294967295u), u"-42|7|4294967295");
    EXPECT_EQ(format(u"%x|%X|%08X|%#x|%#X", 255, 255, 0xBEEF, 255, 0), u"ff|FF|0000BEEF|0xff|0");
    EXPECT_EQ(format(u"%x %u", -1, -1), u"ffffffff 4294967295");
    EXPECT_EQ(format(u"%d %d", 0x7FFFFFFF, static_cast<int>(0x80000000u)), u"2147483647 -2147483648");
    // The phone's long is 32 bits.
    EXPECT_EQ(format(u"%ld %lu %lX", LONG(-1), ULONG(0xFFFFFFFF), ULONG(0xABCDEF01)), u"-1 4294967295 ABCDEF01");
    EXPECT_EQ(format(u"%I64d %I64X", -5000000000LL, 0x123456789AULL), u"-5000000000 123456789A");
    EXPECT_EQ(format(u"%hd", 70000), u"4464");
}

TEST(WideFormat, WidthsPrecisionAndFlags)
{
    EXPECT_EQ(format(u"[%5d][%-5d][%05d][%05d]", 42, 42, 42, -42), u"[   42][42   ][00042][-0042]");
    EXPECT_EQ(format(u"[%2.2d][%2.2d][%.3d]", 1, 50, -7), u"[01][50][-007]");
    EXPECT_EQ(format(u"[%.0d][%5.3x]", 0, 10), u"[][  00a]");
    EXPECT_EQ(format(u"[%-08X]", 0x1F), u"[1F      ]");
    EXPECT_EQ(format(u"[%5s][%-5s][%.2s]", u"abc", u"abc", u"abc"), u"[  abc][abc  ][ab]");
    EXPECT_EQ(format(u"[%3c]", u'x'), u"[  x]");
    // Absurd widths are clamped, not allocated.
    EXPECT_EQ(format(u"%999999999d", 1).size(), 1023u);
}

TEST(WideFormat, TextAndCharacters)
{
    EXPECT_EQ(format(u"%s and %s", u"剃须刀", static_cast<const WCHAR*>(nullptr)), u"剃须刀 and (null)");
    EXPECT_EQ(format(u"%c%c%c", u'A', u'中', u'ß'), u"A中ß");
    EXPECT_EQ(format(u"%S|%hs|%ls|%C", "narrow", "ascii", u"wide", 'q'), u"narrow|ascii|wide|q");
    EXPECT_EQ(format(u"100%% %s", u"done"), u"100% done");
    EXPECT_EQ(format(u"a%cb", 0), u"ab");
}

TEST(WideFormat, UnknownConversionsAreCopiedWithoutTakingAnArgument)
{
    EXPECT_EQ(format(u"%y %d", 7), u"%y 7");
    EXPECT_EQ(format(u"%5q|%d", 3), u"%5q|3");
    EXPECT_EQ(format(u"%f %d", 9), u"%f 9");
    EXPECT_EQ(format(u"tail %"), u"tail %");
    EXPECT_EQ(format(u"tail %08"), u"tail %08");
}

TEST(WideFormat, OutputStopsAt1023CharactersPlusTerminator)
{
    std::u16string long_text(2000, u'x');
    std::vector<WCHAR> buffer(1100, u'Z');
    int written = wsprintfW(buffer.data(), u"%s", long_text.c_str());
    EXPECT_EQ(written, 1023);
    EXPECT_EQ(buffer[1022], u'x');
    EXPECT_EQ(buffer[1023], 0);
    EXPECT_EQ(buffer[1024], u'Z');

    // A surrogate pair that would be cut in two is left out whole.
    std::u16string text = std::u16string(1022, u'a') + u"\U0001F600";
    written = wsprintfW(buffer.data(), u"%s", text.c_str());
    EXPECT_EQ(written, 1022);
    EXPECT_EQ(buffer[1022], 0);

    EXPECT_EQ(wsprintfW(buffer.data(), nullptr), 0);
    EXPECT_EQ(buffer[0], 0);
}

class DebugOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::debug_output::discard();
        capture_ = platform::debug_output::add_capture([this](std::string_view line) { lines_.emplace_back(line); });
    }
    void TearDown() override
    {
        platform::debug_output::flush();
        platform::debug_output::remove_capture(capture_);
        platform::debug_output::use_standard_error();
    }

    std::vector<std::string> lines_;
    int capture_ = 0;
};

TEST_F(DebugOutputTest, CapturesWholeLinesAsUtf8)
{
    NKDbgPrintfW(u"设备 %s: %d\n", u"剃须刀", 5);
    NKDbgPrintfW(u"**ZONE_OVWND** COvWnd::DoModal: m_hWnd=0x%X, ", 0x1A4);
    EXPECT_EQ(lines_.size(), 1u);
    NKDbgPrintfW(u"enter...\r\nsecond\nthird");
    platform::debug_output::flush();
    ASSERT_EQ(lines_.size(), 4u);
    EXPECT_EQ(lines_[0], "\xE8\xAE\xBE\xE5\xA4\x87 \xE5\x89\x83\xE9\xA1\xBB\xE5\x88\x80: 5");
    EXPECT_EQ(lines_[1], "**ZONE_OVWND** COvWnd::DoModal: m_hWnd=0x1A4, enter...");
    EXPECT_EQ(lines_[2], "second");
    EXPECT_EQ(lines_[3], "third");
}

TEST_F(DebugOutputTest, WritesToTheChosenLogFile)
{
    velmor_test::TempFolder folder("velmor-debug");
    ASSERT_TRUE(folder.made());
    auto path = folder / "trace.log";
    ASSERT_TRUE(platform::debug_output::use_log_file(path).ok());
    NKDbgPrintfW(u"[Acc Api] Open ACC0 failed err %d..........\n", 55);
    NKDbgPrintfW(u"中文\n");
    platform::debug_output::use_standard_error();  // closes the file
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    EXPECT_EQ(content.str(), "[Acc Api] Open ACC0 failed err 55..........\n\xE4\xB8\xAD\xE6\x96\x87\n");
    EXPECT_EQ(lines_.size(), 2u);

    // A log that cannot be opened names the file, and the output stays where
    // it was.
    platform::debug_output::discard();
    auto refused = platform::debug_output::use_log_file(folder / "missing-folder" / "trace.log");
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.failure().where, (folder / "missing-folder" / "trace.log").string());
    EXPECT_NE(refused.failure().text().find("No such file"), std::string::npos) << refused.failure().text();
    NKDbgPrintfW(u"still captured\n");
    EXPECT_EQ(lines_.back(), "still captured");
}

}  // namespace
