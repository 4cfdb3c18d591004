// Theme colours read from the registry with their defaults written back
// into the hive file, and the theme strings and file path.

#include <fstream>
#include <sstream>

#include "../phone_fixture.h"
#include "ovfc/core/ov_theme.h"
#include "platform/registry/registry_host.h"

using namespace ovfc_test;

namespace {

class OvfcTheme : public PhoneTest {
protected:
    OvfcTheme() { seed_theme_colors_ = false; }

    std::string registry_text() const
    {
        std::ifstream file(phone().registry_file(), std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    // Shuts the phone down and starts it again on the same device root: the
    // registry is read back from its file and the colours are read anew.
    void restart()
    {
        phone().stop();
        ASSERT_TRUE(phone().start(device_root()));
        OvForgetThemeColors();
    }

    void set_value(LPCWSTR key_name, LPCWSTR name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_name, 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_SUCCESS);
        RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegFlushKey(key);
        RegCloseKey(key);
    }

    PhoneSession& phone() { return PhoneTest::phone(); }
    const PhoneSession& phone() const { return const_cast<OvfcTheme*>(this)->PhoneTest::phone(); }
};

TEST_F(OvfcTheme, MissingColoursAreWrittenBackAndARestartReadsTheFile)
{
    ASSERT_EQ(registry_text().find("SYSCLR_"), std::string::npos) << "the shipped registry has no colours";
    EXPECT_EQ(OvGetThemeColor(0), 0xECECECu);
    EXPECT_EQ(OvGetThemeColor(19), 0xD77300u);
    EXPECT_EQ(OvGetThemeColor(25), 0xEDECE3u);

    // Every colour is in the file now, as a 32-bit value.
    std::string text = registry_text();
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\Theme\\Colors]"), std::string::npos) << text;
    for (UINT i = 0; i < OV_THEME_COLOR_COUNT; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "\"%s\"=dword:%08x",
            std::string(OvGetThemeColorName(i), OvGetThemeColorName(i) + wcslen(OvGetThemeColorName(i))).c_str(),
            OvGetThemeColorDefault(i));
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }

    // Changed in the registry, the colours are seen again only after a
    // restart; the restart reads them back from the file.
    DWORD green = 0x00FF00;
    set_value(TEXT("SOFTWARE\\Orvane\\Theme\\Colors"), TEXT("SYSCLR_WINDOW_BG"), REG_DWORD, &green, 4);
    EXPECT_EQ(OvGetThemeColor(0), 0xECECECu) << "the colours are read once per run";
    restart();
    EXPECT_EQ(OvGetThemeColor(0), 0x00FF00u);
    EXPECT_EQ(OvGetThemeColor(1), 0x000000u);
}

TEST_F(OvfcTheme, TheValueTypeIsNotCheckedButTheSizeIs)
{
    DWORD binary_colour = 0x123456;
    set_value(TEXT("SOFTWARE\\Orvane\\Theme\\Colors"), TEXT("SYSCLR_WINDOW_TEXT"), REG_BINARY, &binary_colour, 4);
    const BYTE too_long[6] = {1, 2, 3, 4, 5, 6};
    set_value(TEXT("SOFTWARE\\Orvane\\Theme\\Colors"), TEXT("SYSCLR_BUTTON_TEXT"), REG_BINARY, too_long, 6);

    EXPECT_EQ(OvGetThemeColor(1), 0x123456u);
    EXPECT_EQ(OvGetThemeColor(2), 0xFFFFFFu) << "a value longer than 4 bytes gives the default";
    // ... and the default replaces it.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Orvane\\Theme\\Colors"), 0, 0, &key), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(RegQueryValueExW(key, TEXT("SYSCLR_BUTTON_TEXT"), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(value, 0xFFFFFFu);
    RegCloseKey(key);

    EXPECT_EQ(OvGetThemeColor(26), 0xFF0000u);
    EXPECT_EQ(OvGetThemeColor(0xFFFFFFFF), 0xFF0000u);
}

TEST_F(OvfcTheme, ThemeStringsAndThePathOfAThemeFile)
{
    EXPECT_EQ(OvGetThemeName().Compare(TEXT("Default")), 0);
    EXPECT_EQ(OvGetThemeFontName().Compare(TEXT("WenQuanYi Micro Hei")), 0);
    EXPECT_EQ(OvGetThemeFilePath(TEXT("ovres.dll")).Compare(TEXT("\\Windows\\Themes\\Default\\ovres.dll")), 0);

    // A value stored without its terminator still reads as its text.
    const WCHAR unterminated[4] = {u'B', u'l', u'u', u'e'};
    set_value(TEXT("SOFTWARE\\Orvane\\Theme"), TEXT("ThemeName"), REG_SZ, unterminated, sizeof unterminated);
    EXPECT_EQ(OvGetThemeName().Compare(TEXT("Blue")), 0) << "the strings are read on every request";
    // An empty value is an empty name.
    set_value(TEXT("SOFTWARE\\Orvane\\Theme"), TEXT("FontName"), REG_SZ, unterminated, 0);
    EXPECT_EQ(OvGetThemeFontName().Length(), 0);

    // Without the key the strings are empty, the key is created, and the
    // path names no theme.
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Orvane\\Theme")), ERROR_SUCCESS);
    EXPECT_EQ(OvGetThemeName().Length(), 0);
    EXPECT_EQ(OvGetThemeFilePath(TEXT("ovres.dll")).Compare(TEXT("\\Windows\\Themes\\\\ovres.dll")), 0);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Orvane\\Theme"), 0, 0, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

}  // namespace
