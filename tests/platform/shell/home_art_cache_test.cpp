// The home screen's art taken from where it was kept draws the same pixels as art computed anew, and a
// damaged file is not trusted.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include <windows.h>

#include "platform/files/device_root.h"
#include "platform/shell/art_cache.h"
#include "platform/shell/home_art.h"
#include "tests/support/temp_folder.h"

using namespace platform::shell;
namespace fs = std::filesystem;

namespace {

// The wallpaper with the dock, as the home screen lays them on a screen-compatible bitmap.
std::vector<COLORREF> backdrop()
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, screen_width, screen_height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    draw_wallpaper(dc);
    draw_dock(dc, 1);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < screen_height; ++y)
        for (int x = 0; x < screen_width; ++x) pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return pixels;
}

}  // namespace

TEST(HomeArtCache, KeptArtDrawsWhatFreshArtDrawsAndDamagedFilesAreDrawnAnew)
{
    velmor_test::TempFolder folder("velmor-home-art");
    ASSERT_TRUE(folder.made());
    const fs::path root = folder / "root";
    forget_kept_layers();
    // First without a device root: computed, kept only in the process.
    ASSERT_TRUE(platform::files::device_root().empty());
    EXPECT_EQ(kept_layer_file("wallpaper", screen_width, screen_height), "");
    std::vector<COLORREF> fresh = backdrop();
    EXPECT_NE(fresh[0], fresh[fresh.size() - 1]) << "the wallpaper is a gradient";

    ASSERT_TRUE(platform::files::set_device_root(root));
    forget_kept_layers();
    EXPECT_EQ(backdrop(), fresh) << "computed again with a device root";
    fs::path wallpaper = kept_layer_file("wallpaper", screen_width, screen_height);
    ASSERT_TRUE(fs::exists(wallpaper)) << wallpaper;
    EXPECT_EQ(fs::file_size(wallpaper), 12u + 4u * screen_width * screen_height + 8u);

    // Taken from the file: same pixels. A different layer kept under the name shows it is the file that is read.
    forget_kept_layers();
    EXPECT_EQ(backdrop(), fresh) << "read from the device root";
    {
        ArgbLayer red(screen_width, screen_height);
        std::fill_n(red.pixels(), screen_width * screen_height, 0xFFFF0000u);
        keep_layer("wallpaper", red);
    }
    forget_kept_layers();
    EXPECT_EQ(backdrop()[10 * screen_width + 10], RGB(255, 0, 0));
    forget_kept_layers();
    fs::remove(wallpaper);
    EXPECT_EQ(backdrop(), fresh) << "a missing file is drawn anew";
    {
        std::fstream file(wallpaper, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(12 + 4 * (100 * screen_width + 100));
        std::uint32_t opaque_red = 0xFFFF0000u;
        file.write(reinterpret_cast<const char*>(&opaque_red), sizeof opaque_red);
    }
    forget_kept_layers();
    EXPECT_EQ(backdrop(), fresh) << "a pixel changed behind the checksum's back is not shown";

    fs::resize_file(wallpaper, 1000);
    forget_kept_layers();
    EXPECT_EQ(backdrop(), fresh) << "a short file is drawn anew";
    EXPECT_EQ(fs::file_size(wallpaper), 12u + 4u * screen_width * screen_height + 8u) << "and written whole again";
}
