#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "ovfc/core/ov_app.h"
#include "ovfc/graphics/ov_dc_helpers.h"
#include "ovfc/graphics/ov_font.h"
#include "ovfc/graphics/ov_image.h"
#include "ovfc/graphics/ov_shapes.h"
#include "picture_test_support.h"
#include "platform/gdi/gdi_object.h"

namespace ovfc_test {
namespace {

// Every picture the framework draws from the platform's library.
const int kPictureIds[] = {102, 106, 107, 112, 116, 122, 131, 133, 134, 135, 136, 139, 140, 158, 178, 203, 204, 205,
    206, 207, 208, 209, 210, 211, 212, 213, 214, 215, 253, 254, 258, 259, 260, 265, 266, 267, 268};

class OvresTest : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        install_built_libraries();
    }

    void set_theme(const std::u16string& name)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(
                      HKEY_LOCAL_MACHINE, TEXT("SOFTWARE\\Orvane\\Theme"), 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, TEXT("ThemeName"), 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                      DWORD((name.size() + 1) * sizeof(WCHAR))),
            ERROR_SUCCESS);
        RegCloseKey(key);
    }

    std::u16string module_path(HMODULE module)
    {
        WCHAR path[MAX_PATH] = {};
        GetModuleFileNameW(module, path, MAX_PATH);
        return path;
    }
};

TEST_F(OvresTest, EveryThemeLibraryHoldsEveryPictureDecodableWithAlpha)
{
    for (const char16_t* theme :
        {u"\\Windows\\Themes\\Default\\ovres.dll", u"\\Windows\\Themes\\Ocean\\ovres.dll", u"\\Windows\\ovres.dll"}) {
        HMODULE module = LoadLibraryExW(theme, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
        for (int id : kPictureIds) {
            EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10)), nullptr) << id;
            OvImage* picture = GetCachedImage(module, UINT(id), 1);
            ASSERT_NE(picture, nullptr) << id;
            // The strips are copied opaquely; everything else is blended.
            bool opaque = id == 106 || id == 107 || id == 133;
            EXPECT_EQ(picture->HasAlpha() != FALSE, !opaque) << id;
        }
        // The popup frame has the size its pieces are cut from; bars are
        // wider than their caps and fit the 75-pixel buttons.
        EXPECT_EQ(GetCachedImage(module, 116, 1)->GetWidth(), 158);
        EXPECT_EQ(GetCachedImage(module, 116, 1)->GetHeight(), 162);
        const std::pair<int, int> capsByPicture[] = {{205, 48}, {206, 48}, {122, 48}, {204, 48}, {178, 48}, {203, 48},
            {212, 22}, {213, 22}, {214, 22}, {215, 22}, {136, 26}, {211, 26}, {253, 22}, {254, 22}, {258, 38},
            {259, 38}};
        for (auto [id, caps] : capsByPicture) {
            EXPECT_GT(GetCachedImage(module, UINT(id), 1)->GetWidth(), caps) << id;
            EXPECT_LE(GetCachedImage(module, UINT(id), 1)->GetHeight(), 75) << id;
        }
        EXPECT_GT(GetCachedImage(module, 112, 1)->GetHeight(), 30);
        EXPECT_GT(GetCachedImage(module, 209, 1)->GetWidth(), 8);
        EXPECT_GT(GetCachedImage(module, 210, 1)->GetHeight(), 8);
        ReleaseImageCache();
        FreeLibrary(module);
    }
}

TEST_F(OvresTest, ThemeNameInTheRegistryChoosesTheLibrary)
{
    HMODULE module = OvGetPlatformResModule();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module_path(module), u"\\Windows\\Themes\\Default\\ovres.dll");
    EXPECT_EQ(OvGetPlatformResModule(), module);
    Canvas defaultFrame(200, 200, 0);
    RECT panel = {0, 0, 200, 200};
    ASSERT_EQ(OvDrawPopupFrame(defaultFrame.dc(), &panel), 1);

    ReleaseImageCache();
    OvFreePlatformResModule();
    OvForgetPlatformResModule();
    set_theme(u"Ocean");
    module = OvGetPlatformResModule();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module_path(module), u"\\Windows\\Themes\\Ocean\\ovres.dll");
    Canvas oceanFrame(200, 200, 0);
    ASSERT_EQ(OvDrawPopupFrame(oceanFrame.dc(), &panel), 1);
    EXPECT_NE(defaultFrame.rgb(100, 100), oceanFrame.rgb(100, 100)) << "the themes differ in colour";

    // A theme without a library falls back to the one found by bare name.
    ReleaseImageCache();
    OvFreePlatformResModule();
    OvForgetPlatformResModule();
    set_theme(u"Missing");
    module = OvGetPlatformResModule();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module_path(module), u"\\Windows\\ovres.dll");
}

TEST_F(OvresTest, ExitInstanceLeavesNoGraphicsObjectBehind)
{
    // Stock objects are made on first use and live for the whole process:
    // they are counted before.
    {
        Canvas warmUp(1, 1);
        for (int stock = 0; stock <= DEFAULT_GUI_FONT; ++stock) GetStockObject(stock);
    }
    size_t before = platform::gdi::live_object_count();
    {
        OvApp app;
        Canvas canvas(480, 300, 0);
        RECT panel = {26, 10, 454, 290};
        ASSERT_EQ(OvDrawPopupFrame(canvas.dc(), &panel), 1);
        RECT bar = {0, 0, 160, 75};
        ASSERT_EQ(OvDrawPlatformBarH(canvas.dc(), &bar, 205, 24, 24, 1), 1);
        ASSERT_EQ(OvDrawVertBar(canvas.dc(), &bar), 1);
        ASSERT_NE(OvGetFont(30, 400, 0, 0, 0, 4), nullptr);
        ASSERT_NE(OvGetFont(44, 400, 0, 0, 0, 4), nullptr);
        ASSERT_NE(OvGetCornerMask(14), nullptr);
        EXPECT_EQ(app.ExitInstance(), 1);
        EXPECT_EQ(OvGetImageCacheSize(), 0u);
        EXPECT_EQ(OvGetFontCacheSize(), 0u);
        EXPECT_EQ(OvCornerMaskCount(), 0);
    }
    EXPECT_EQ(platform::gdi::live_object_count(), before);
}

}  // namespace
}  // namespace ovfc_test
