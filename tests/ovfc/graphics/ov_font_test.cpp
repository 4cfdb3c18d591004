#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "ovfc/graphics/ov_font.h"
#include "picture_test_support.h"

namespace ovfc_test {
namespace {

using FontTest = GraphicsTest;

LOGFONTW describe(HFONT font)
{
    LOGFONTW info {};
    EXPECT_EQ(GetObjectW(font, sizeof info, &info), int(sizeof info));
    return info;
}

void set_font_name(const std::u16string& name)
{
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Orvane\\Theme"), 0, nullptr, 0, 0, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, TEXT("FontName"), 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                  DWORD((name.size() + 1) * sizeof(WCHAR))),
        ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(FontKey, PacksTheStyleAboveFiveZeroBits)
{
    EXPECT_EQ(OvMakeFontKey(44, 400, 0, 0, 0, 4).dwStyle, ((400u * 2 * 2 * 4) * 8 + 4) * 32);
    OvFontKey all = OvMakeFontKey(10, 0x3FF, 1, 1, 3, 7);
    EXPECT_EQ(all.dwStyle, 0x1FFFFu << 5);
    EXPECT_EQ(OvMakeFontKey(10, 0, 0, 1, 0, 0).dwStyle, 1u << 10);
    EXPECT_EQ(OvMakeFontKey(10, 0, 0, 0, 2, 0).dwStyle, 2u << 8);
    // Only the low bits of each field count.
    EXPECT_EQ(OvMakeFontKey(20, 1424, 0, 0, 0, 4), OvMakeFontKey(20, 400, 0, 0, 0, 4));
    EXPECT_EQ(OvMakeFontKey(20, 400, 3, 2, 5, 12), OvMakeFontKey(20, 400, 1, 0, 1, 4));
    EXPECT_FALSE(OvMakeFontKey(20, 400, 0, 0, 0, 4) == OvMakeFontKey(20, 400, 0, 0, 0, 7));
    // Heights compare first, as signed numbers.
    EXPECT_TRUE(OvMakeFontKey(-5, 0x3FF, 1, 1, 3, 7) < OvMakeFontKey(1, 0, 0, 0, 0, 0));
}

TEST_F(FontTest, CacheHandsOutOneFontPerKey)
{
    HFONT countdown = OvGetFont(44, 400, 0, 0, 0, 4);
    ASSERT_NE(countdown, nullptr);
    EXPECT_EQ(OvGetFont(44, 400, 0, 0, 0, 4), countdown);
    // Weight 1424 keeps only its low ten bits: the weight-400 font.
    EXPECT_EQ(OvGetFont(44, 1424, 0, 0, 0, 4), countdown);
    HFONT quality7 = OvGetFont(44, 400, 0, 0, 0, 7);
    EXPECT_NE(quality7, countdown);
    EXPECT_EQ(OvGetFontCacheSize(), 2u);

    LOGFONTW first = describe(countdown);
    LOGFONTW second = describe(quality7);
    EXPECT_EQ(first.lfHeight, -44);
    EXPECT_EQ(first.lfWeight, 400);
    EXPECT_EQ(first.lfQuality, CLEARTYPE_QUALITY);
    EXPECT_EQ(second.lfQuality, CLEARTYPE_QUALITY);
    EXPECT_EQ(first.lfCharSet, DEFAULT_CHARSET);
}

TEST_F(FontTest, AngleAndQualityCodesMapToTheirFields)
{
    const LONG escapements[5] = {0, 900, 1800, 2700, 0};
    for (int angle = 0; angle < 5; ++angle) {
        LOGFONTW info = describe(OvGetFont(20, 700, 1, 1, angle, 0));
        EXPECT_EQ(info.lfEscapement, escapements[angle]) << angle;
        EXPECT_EQ(info.lfOrientation, escapements[angle]) << angle;
        EXPECT_EQ(info.lfItalic, 1);
        EXPECT_EQ(info.lfUnderline, 1);
    }
    const BYTE qualities[6] = {DEFAULT_QUALITY, DRAFT_QUALITY, ANTIALIASED_QUALITY, NONANTIALIASED_QUALITY,
        CLEARTYPE_QUALITY, CLEARTYPE_QUALITY};
    for (int quality = 0; quality < 6; ++quality)
        EXPECT_EQ(describe(OvGetFont(21, 400, 0, 0, 0, quality)).lfQuality, qualities[quality]) << quality;
}

TEST_F(FontTest, FaceNameComesFromTheThemeOnceAndIsBounded)
{
    set_font_name(u"WenQuanYi Micro Hei");
    LOGFONTW info = describe(OvGetFont(30, 400, 0, 0, 0, 4));
    EXPECT_EQ(std::u16string(info.lfFaceName), u"WenQuanYi Micro Hei");
    // Read once: a later change does not reach the running process.
    set_font_name(u"Other");
    EXPECT_EQ(std::u16string(describe(OvGetFont(31, 400, 0, 0, 0, 4)).lfFaceName), u"WenQuanYi Micro Hei");

    // A name longer than the field is cut to 31 characters and terminated.
    OvReleaseFonts();
    OvForgetThemeFontName();
    std::u16string longName = u"A very long typeface name that does not fit the field";
    set_font_name(longName);
    ASSERT_NE(OvGetFont(30, 400, 0, 0, 0, 4), nullptr);
    const LOGFONTW* used = OvGetFontTemplate();
    EXPECT_EQ(used->lfFaceName[LF_FACESIZE - 1], 0);
    EXPECT_EQ(std::u16string(used->lfFaceName), longName.substr(0, LF_FACESIZE - 1));

    // Exactly 32 characters: the same cut.
    OvReleaseFonts();
    OvForgetThemeFontName();
    set_font_name(std::u16string(32, u'x'));
    ASSERT_NE(OvGetFont(30, 400, 0, 0, 0, 4), nullptr);
    EXPECT_EQ(std::u16string(OvGetFontTemplate()->lfFaceName), std::u16string(31, u'x'));
}

TEST_F(FontTest, ReleaseDeletesEveryFont)
{
    HFONT font = OvGetFont(25, 400, 0, 0, 0, 4);
    ASSERT_NE(font, nullptr);
    OvGetFont(26, 400, 0, 0, 0, 4);
    OvReleaseFonts();
    EXPECT_EQ(OvGetFontCacheSize(), 0u);
    EXPECT_EQ(GetObjectType(font), 0u);
}

TEST_F(FontTest, DrawTextDrawsNothingForNullOrEmptyText)
{
    Canvas canvas(120, 40, 0x00FFFFFF);
    HGDIOBJ old = SelectObject(canvas.dc(), OvGetFont(30, 400, 0, 0, 0, 4));
    SetTextColor(canvas.dc(), 0x00000000);
    SetBkMode(canvas.dc(), TRANSPARENT);
    RECT area = {0, 0, 120, 40};
    EXPECT_EQ(OvDrawText(canvas.dc(), nullptr, &area, 0x8025), 0);
    EXPECT_EQ(OvDrawText(canvas.dc(), TEXT(""), &area, 0x8025), 0);
    int dark = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) dark += canvas.rgb(x, y) != 0xFFFFFFu;
    EXPECT_EQ(dark, 0);
    EXPECT_GT(OvDrawText(canvas.dc(), TEXT("50"), &area, 0x8025), 0);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) dark += canvas.rgb(x, y) != 0xFFFFFFu;
    EXPECT_GT(dark, 20);
    SelectObject(canvas.dc(), old);
}

}  // namespace
}  // namespace ovfc_test
