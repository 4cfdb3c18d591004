// The home screen's art taken from where it was kept draws the same pixels as art computed anew, and a
// missing, damaged or foreign file is not trusted but drawn anew.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <windows.h>

#include "platform/files/device_root.h"
#include "platform/kernel/language.h"
#include "platform/shell/art_cache.h"
#include "platform/shell/art_version.h"
#include "platform/shell/home_art.h"
#include "platform/shell/home_picture.h"
#include "platform/shell/icon_tiles.h"
#include "tests/support/temp_folder.h"

using namespace platform::shell;
namespace fs = std::filesystem;

namespace {

// A kept file starts with its mark, width, height and bits per pixel.
constexpr std::size_t header_size = 16;

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
    EXPECT_EQ(fs::file_size(wallpaper), kept_layer_file_size(screen_width, screen_height));

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
        file.seekp(header_size + 4 * (100 * screen_width + 100));
        std::uint32_t opaque_red = 0xFFFF0000u;
        file.write(reinterpret_cast<const char*>(&opaque_red), sizeof opaque_red);
    }
    forget_kept_layers();
    EXPECT_EQ(backdrop(), fresh) << "a pixel changed behind the checksum's back is not shown";

    fs::resize_file(wallpaper, 1000);
    forget_kept_layers();
    EXPECT_EQ(backdrop(), fresh) << "a short file is drawn anew";
    EXPECT_EQ(fs::file_size(wallpaper), kept_layer_file_size(screen_width, screen_height)) << "and written whole again";
}

namespace {

// A small layer's kept art, painted by a painter that counts its calls.
struct CountedArt {
    static constexpr int width = 7;
    static constexpr int height = 5;
    int painted = 0;

    std::vector<std::uint32_t> pixels()
    {
        auto layer = kept_layer("counted", width, height, [this](ArgbLayer& fresh) {
            ++painted;
            for (int i = 0; i < width * height; ++i) fresh.pixels()[i] = 0xFF000000u | static_cast<std::uint32_t>(i);
        });
        if (!layer) return {};
        return std::vector<std::uint32_t>(layer->pixels(), layer->pixels() + width * height);
    }
};

void overwrite(const fs::path& file, std::size_t offset, const void* bytes, std::size_t size)
{
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    stream.seekp(static_cast<std::streamoff>(offset));
    stream.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
}

// The 16-bit pixels of a screen-compatible picture's rectangle, after drawing into it over a grey ground.
template <typename Draw> std::vector<COLORREF> drawn(const RECT& area, Draw draw)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, screen_width, screen_height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all {0, 0, screen_width, screen_height};
    HBRUSH grey = CreateSolidBrush(RGB(90, 120, 150));
    FillRect(dc, &all, grey);
    DeleteObject(grey);
    draw(dc);
    std::vector<COLORREF> pixels;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return pixels;
}

// The icon's tile with its shadow as one layer of its own, the way a single tile is computed.
void draw_lone_tile(HDC dc, const AppIcon& icon)
{
    ArgbLayer layer(tile_size + 8, tile_size + 10);
    layer.fill_rounded(RECT {4, 7, tile_size + 4, tile_size + 7}, tile_corner, RGB(0, 0, 0), RGB(0, 0, 0), 70);
    layer.fill_rounded(RECT {4, 4, tile_size + 4, tile_size + 4}, tile_corner, icon.top, icon.bottom, 255);
    layer.blend_onto(dc, icon.tile.left - 4, icon.tile.top - 4);
}

RECT tile_art_area(const AppIcon& icon)
{
    return RECT {icon.tile.left - 4, icon.tile.top - 4, icon.tile.right + 4, icon.tile.bottom + 6};
}

}  // namespace

TEST(HomeArtCache, ALayerIsPaintedOnceAndEveryKindOfStaleFileIsPaintedAnew)
{
    velmor_test::TempFolder folder("velmor-home-art");
    ASSERT_TRUE(folder.made());
    ASSERT_TRUE(platform::files::set_device_root(folder / "root"));
    forget_kept_layers();
    {
        ArgbLayer fresh(CountedArt::width, CountedArt::height);
        ASSERT_TRUE(fresh.valid());
        EXPECT_TRUE(std::all_of(fresh.pixels(), fresh.pixels() + CountedArt::width * CountedArt::height,
            [](std::uint32_t p) { return p == 0; }))
            << "a new layer is transparent";
    }

    CountedArt art;
    std::vector<std::uint32_t> painted = art.pixels();
    ASSERT_EQ(painted.size(), std::size_t(CountedArt::width * CountedArt::height));
    EXPECT_EQ(painted[8], 0xFF000008u);
    EXPECT_EQ(art.pixels(), painted);
    forget_kept_layers();
    EXPECT_EQ(art.pixels(), painted);
    EXPECT_EQ(art.painted, 1) << "kept in the process, then read from the device root";

    fs::path file = kept_layer_file("counted", CountedArt::width, CountedArt::height);
    const std::size_t size = kept_layer_file_size(CountedArt::width, CountedArt::height);
    ASSERT_EQ(fs::file_size(file), size);
    EXPECT_NE(kept_layer_file("counted", CountedArt::height, CountedArt::width), file) << "the size is in the key";

    // Each damage is made to a good file, then must be noticed: painted again, the same pixels, the file whole.
    auto expect_repainted = [&](const char* damage, auto damage_file) {
        damage_file();
        forget_kept_layers();
        int before = art.painted;
        EXPECT_EQ(art.pixels(), painted) << damage;
        EXPECT_EQ(art.painted, before + 1) << damage;
        EXPECT_EQ(fs::file_size(file), size) << damage << ": written whole again";
    };
    expect_repainted("a missing file", [&] { fs::remove(file); });
    expect_repainted("a short file", [&] { fs::resize_file(file, size - 1); });
    expect_repainted("a long file", [&] { fs::resize_file(file, size + 4); });
    expect_repainted("a changed pixel", [&] {
        std::uint32_t red = 0xFFFF0000u;
        overwrite(file, header_size + 4 * 20, &red, sizeof red);
    });
    expect_repainted("two pixels swapped", [&] {
        std::uint32_t swapped[2] = {painted[3], painted[2]};
        overwrite(file, header_size + 4 * 2, swapped, sizeof swapped);
    });
    expect_repainted("a file of zeros", [&] {
        std::vector<char> zeros(size);
        overwrite(file, 0, zeros.data(), zeros.size());
    });
    expect_repainted("a file of the first layout", [&] { overwrite(file, 0, "VART", 4); });
    expect_repainted("a file of another size with as many pixels", [&] {
        std::int32_t turned[2] = {CountedArt::height, CountedArt::width};
        overwrite(file, 4, turned, sizeof turned);
    });

    // Keeping the art again removes its other versions (another build's), and nothing else.
    const fs::path art_folder = fs::path(file).parent_path();
    const fs::path older = art_folder / "counted-7x5-0123456789abcdef.argb";
    const fs::path other_art = art_folder / "countless-7x5-0123456789abcdef.argb";
    const fs::path other_size = art_folder / "counted-5x7-0123456789abcdef.argb";
    for (const fs::path& planted : {older, other_art, other_size}) std::ofstream(planted) << "kept before";
    expect_repainted("a missing file beside older versions", [&] { fs::remove(file); });
    EXPECT_FALSE(fs::exists(older));
    EXPECT_TRUE(fs::exists(other_art));
    EXPECT_TRUE(fs::exists(other_size));
    forget_kept_layers();
}

TEST(HomeArtCache, ANewVersionOfAPictureReplacesTheOldOneInMemoryAndOnDisk)
{
    velmor_test::TempFolder folder("velmor-home-art");
    ASSERT_TRUE(folder.made());
    ASSERT_TRUE(platform::files::set_device_root(folder / "root"));
    forget_kept_layers();
    int painted = 0;
    auto picture = [&painted](const char* version) {
        return kept_picture("versioned", version, 3, 2, [&painted, version](ScreenPicture& fresh) {
            ++painted;
            fresh.pixels()[0] = static_cast<std::uint16_t>(version[0]);
        });
    };
    ASSERT_NE(picture("a"), nullptr);
    EXPECT_EQ(picture("a")->pixels()[0], 'a');
    EXPECT_EQ(painted, 1);
    EXPECT_EQ(fs::file_size(kept_picture_file("versioned", "a", 3, 2)), kept_picture_file_size(3, 2));

    EXPECT_EQ(picture("b")->pixels()[0], 'b');
    EXPECT_EQ(painted, 2);
    EXPECT_FALSE(fs::exists(kept_picture_file("versioned", "a", 3, 2))) << "the old version's file is gone";
    EXPECT_EQ(picture("a")->pixels()[0], 'a');
    EXPECT_EQ(painted, 3) << "and so is its copy in memory";

    // Rows of an odd width are padded in memory; the whole picture comes back, its last pixel too.
    auto odd = [](ScreenPicture& fresh) { fresh.pixels()[4 + 2] = 0x1234; };
    ASSERT_NE(kept_picture("odd", "1", 3, 2, odd), nullptr);
    forget_kept_layers();
    EXPECT_EQ(kept_picture("odd", "1", 3, 2, [](ScreenPicture&) {})->pixels()[4 + 2], 0x1234)
        << "read back from the file";
    forget_kept_layers();
}

TEST(HomeArtCache, KeptTilesLayWhatATileComputedAloneLays)
{
    velmor_test::TempFolder folder("velmor-home-art");
    ASSERT_TRUE(folder.made());
    forget_kept_layers();
    ASSERT_TRUE(platform::files::set_device_root(folder / "root"));
    // Computed on the first use, then read back from the device root by a phone starting again.
    for (const char* when : {"computed", "read from the device root"}) {
        for (int page = 0; page < home_page_count; ++page)
            for (const AppIcon& icon : page_icons(page)) {
                RECT area = tile_art_area(icon);
                EXPECT_EQ(drawn(area, [&](HDC dc) { draw_icon_tile(dc, icon); }),
                    drawn(area, [&](HDC dc) { draw_lone_tile(dc, icon); }))
                    << when << ": page " << page << ", tile at " << icon.tile.left << "," << icon.tile.top;
            }
        EXPECT_TRUE(fs::exists(kept_layer_file(icon_tiles_name(page_icons(0)), tile_size + 8, (tile_size + 10) * 13)))
            << "the first page's thirteen colours are kept together";
        forget_kept_layers();
    }

    // An icon of no page, in colours of its own, is drawn right too.
    AppIcon own = app_icons()[2];
    own.top = RGB(1, 2, 3);
    own.bottom = RGB(250, 251, 252);
    RECT area = tile_art_area(own);
    EXPECT_EQ(
        drawn(area, [&](HDC dc) { draw_icon_tile(dc, own); }), drawn(area, [&](HDC dc) { draw_lone_tile(dc, own); }));
    forget_kept_layers();
}

TEST(HomeArtCache, TheTilesNameFollowsTheirColours)
{
    std::vector<AppIcon> icons(app_icons().begin(), app_icons().end());
    const std::string name = icon_tiles_name(icons);
    EXPECT_EQ(icon_tiles_name(std::vector<AppIcon>(icons)), name);
    EXPECT_NE(icon_tiles_name(page_icons(1)), name);

    std::vector<AppIcon> recoloured = icons;
    recoloured[5].bottom ^= 1;
    EXPECT_NE(icon_tiles_name(recoloured), name) << "one colour a shade off";
    std::vector<AppIcon> swapped = icons;
    std::swap(swapped[0], swapped[1]);
    EXPECT_NE(icon_tiles_name(swapped), name) << "the same colours in other slots";
    std::vector<AppIcon> moved = icons;
    moved[3].tile.left += 10;
    EXPECT_EQ(icon_tiles_name(moved), name) << "where a tile stands does not change how it looks";
}

namespace {

// A page of the home screen as draw_home_screen draws it now, in the screen's format.
std::vector<std::uint16_t> drawn_page(int page)
{
    ScreenPicture picture(screen_width, screen_height);
    if (!picture.valid()) return {};
    draw_home_screen(picture.dc(), page);
    return std::vector<std::uint16_t>(picture.pixels(), picture.pixels() + screen_width * screen_height);
}

// The page's kept picture.
std::vector<std::uint16_t> kept_page(int page)
{
    auto picture = home_picture(page);
    if (!picture) return {};
    return std::vector<std::uint16_t>(picture->pixels(), picture->pixels() + screen_width * screen_height);
}

}  // namespace

TEST(HomeArtCache, TheKeptHomePictureIsWhatTheHomeScreenDraws)
{
    velmor_test::TempFolder folder("velmor-home-art");
    ASSERT_TRUE(folder.made());
    ASSERT_TRUE(platform::files::set_device_root(folder / "root"));
    forget_kept_layers();
    for (int page : {0, 2}) {
        std::vector<std::uint16_t> fresh = drawn_page(page);
        ASSERT_FALSE(fresh.empty());
        EXPECT_EQ(kept_page(page), fresh) << "page " << page << " drawn and kept";
        fs::path file = kept_picture_file(home_picture_name(page), finished_art_version(), screen_width, screen_height);
        ASSERT_TRUE(fs::exists(file)) << file;
        EXPECT_EQ(fs::file_size(file), kept_picture_file_size(screen_width, screen_height));
        forget_kept_layers();
        EXPECT_EQ(kept_page(page), fresh) << "page " << page << " read back";

        std::uint16_t white = 0xFFFF;
        overwrite(file, header_size + 2 * (300 * screen_width + 200), &white, sizeof white);
        forget_kept_layers();
        EXPECT_EQ(kept_page(page), fresh) << "page " << page << " damaged, drawn anew";
    }

    // The labels follow the phone's language: a picture kept in one is not shown in the other.
    std::vector<std::uint16_t> chinese = kept_page(0);
    platform::language::set_ui_language(0x0409);
    std::vector<std::uint16_t> english = drawn_page(0);
    EXPECT_NE(english, chinese);
    EXPECT_EQ(kept_page(0), english);
    platform::language::set_ui_language(0x0804);
    EXPECT_EQ(kept_page(0), chinese);
    forget_kept_layers();
}

TEST(HomeArtCache, TheHomePicturesNameFollowsPageAndLanguage)
{
    const std::string first = home_picture_name(0);
    EXPECT_EQ(home_picture_name(0), first);
    EXPECT_NE(home_picture_name(1), first);
    platform::language::set_ui_language(0x0409);
    EXPECT_NE(home_picture_name(0), first);
    platform::language::set_ui_language(0x0804);
    EXPECT_EQ(home_picture_name(0), first);
}

namespace {

std::vector<std::string> lines_of(const fs::path& file)
{
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void write_lines(const fs::path& file, const std::vector<std::string>& lines)
{
    std::ofstream out(file, std::ios::trunc);
    for (const std::string& line : lines) out << line << "\n";
}

}  // namespace

TEST(HomeArtCache, TheHostsFontsAreRecordedAndAskedAgainWhenWhatTheyDependOnChanges)
{
    velmor_test::TempFolder folder("velmor-home-art");
    ASSERT_TRUE(folder.made());
    const fs::path record = folder / "fonts.txt";
    const std::string asked = host_font_identity({});
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(host_font_identity(record), asked);
    std::vector<std::string> recorded = lines_of(record);
    ASSERT_GE(recorded.size(), 4u) << "a mark, the identity, the environment and what it depends on";
    EXPECT_EQ(recorded[1], asked);

    // While nothing changed the record answers: an identity planted in it is what comes back.
    std::vector<std::string> planted = recorded;
    planted[1] = "planted";
    write_lines(record, planted);
    EXPECT_EQ(host_font_identity(record), "planted");

    auto expect_asked_again = [&](const char* change, std::vector<std::string> lines) {
        write_lines(record, lines);
        EXPECT_EQ(host_font_identity(record), asked) << change;
        EXPECT_EQ(lines_of(record), recorded) << change << ": recorded anew";
    };
    std::vector<std::string> changed = planted;
    changed.back() += "0";
    expect_asked_again("a configuration file or folder of fonts changed", changed);
    changed = planted;
    changed[3] = "/no/such/face.ttf\t1:2.3:4";
    expect_asked_again("a face went away", changed);
    changed = planted;
    changed[2] = "FONTCONFIG_FILE=/elsewhere.conf;";
    expect_asked_again("another configuration chosen", changed);
    expect_asked_again("only the first lines", {planted[0], planted[1], planted[2]});
    expect_asked_again("another layout", {"velmor host fonts 0", "planted"});
    expect_asked_again("no record", {});
}
