#include <gtest/gtest.h>

#include <string>

#include "platform/include/winbase.h"
#include "platform/kernel/language.h"
#include "platform/kernel/system_parameters.h"

namespace {

TEST(SystemParameters, FontSmoothingContrastKeepsToItsRange)
{
    UINT contrast = 2200;
    EXPECT_TRUE(SystemParametersInfoW(SPI_SETFONTSMOOTHINGCONTRAST, 0, &contrast, 0));
    UINT read = 0;
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETFONTSMOOTHINGCONTRAST, 0, &read, 0));
    EXPECT_EQ(read, 2200u);

    for (UINT wrong : {999u, 2201u, 0u}) {
        SetLastError(0);
        EXPECT_FALSE(SystemParametersInfoW(SPI_SETFONTSMOOTHINGCONTRAST, 0, &wrong, 0)) << wrong;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    contrast = 1000;
    EXPECT_TRUE(SystemParametersInfoW(SPI_SETFONTSMOOTHINGCONTRAST, 0, &contrast, SPIF_UPDATEINIFILE));
    EXPECT_EQ(platform::system_parameters::font_smoothing_contrast(), 1000u);
    // Desktop code passes the value itself rather than a pointer to it.
    EXPECT_TRUE(SystemParametersInfoW(SPI_SETFONTSMOOTHINGCONTRAST, 0, reinterpret_cast<PVOID>(1500), 0));
    EXPECT_EQ(platform::system_parameters::font_smoothing_contrast(), 1500u);
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETFONTSMOOTHINGCONTRAST, 0, nullptr, 0));
}

TEST(SystemParameters, IdentificationStringsNeedRoomForTheTerminator)
{
    WCHAR buffer[64] = {};
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMNAME, sizeof(buffer), buffer, 0));
    EXPECT_EQ(std::u16string(buffer), u"Velmor Phone");

    platform::system_parameters::set_device_identification(u"compactOne");
    EXPECT_TRUE(SystemParametersInfoW(260, sizeof(buffer), buffer, 0));
    EXPECT_EQ(std::u16string(buffer), u"compactOne");
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETOEMINFO, 11 * sizeof(WCHAR), buffer, 0));

    WCHAR small[11];
    small[10] = u'#';
    SetLastError(0);
    EXPECT_FALSE(SystemParametersInfoW(260, 10 * sizeof(WCHAR) + 1, small, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(small[10], u'#');
    EXPECT_FALSE(SystemParametersInfoW(260, 128, nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    platform::system_parameters::set_device_identification(u"Velmor Phone");

    EXPECT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, sizeof(buffer), buffer, 0));
    EXPECT_EQ(std::u16string(buffer), u"PocketPC");
}

TEST(SystemParameters, UnknownActionsFailAndOtherAreasMayAddActions)
{
    SetLastError(0);
    EXPECT_FALSE(SystemParametersInfoW(0x7777, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    platform::system_parameters::register_action(0x7777, [](UINT ui_param, PVOID pv_param, UINT) {
        *static_cast<UINT*>(pv_param) = ui_param * 2;
        return TRUE;
    });
    UINT result = 0;
    EXPECT_TRUE(SystemParametersInfoW(0x7777, 21, &result, 0));
    EXPECT_EQ(result, 42u);
}

TEST(Language, DefaultsToSimplifiedChineseAndFollowsTheHost)
{
    EXPECT_EQ(GetUserDefaultUILanguage(), 0x0804);
    EXPECT_EQ(PRIMARYLANGID(GetUserDefaultLangID()), LANG_CHINESE);
    platform::language::set_ui_language(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    EXPECT_EQ(GetUserDefaultUILanguage(), 0x0409);
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0409);
    EXPECT_EQ(GetUserDefaultLangID(), 0x0409);
    platform::language::set_ui_language(0x0804);
}

}  // namespace
