#include <gtest/gtest.h>

#include <fstream>
#include <utility>

#include <windows.h>

#include "tests/support/pixel_surface.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(TempFolder, IsFreshAndGoesWithEverythingInIt)
{
    fs::path kept;
    {
        velmor_test::TempFolder folder("support-test");
        ASSERT_TRUE(folder.made());
        kept = folder.path();
        EXPECT_TRUE(fs::is_directory(kept));
        EXPECT_TRUE(fs::is_empty(kept));
        EXPECT_EQ(kept, fs::canonical(kept));
        EXPECT_EQ(kept.filename().string().rfind("support-test-", 0), 0u);

        velmor_test::TempFolder other("support-test");
        EXPECT_NE(other.path(), kept);

        fs::create_directories(folder / "a" / "b");
        std::ofstream(folder / "a" / "b" / "file.txt") << "data";
    }
    EXPECT_FALSE(fs::exists(kept));
}

TEST(TempFolder, MovedFolderIsRemovedOnceByItsLastOwnerAndKeptOnRequest)
{
    velmor_test::TempFolder first("support-test");
    fs::path path = first.path();
    velmor_test::TempFolder second = std::move(first);
    EXPECT_TRUE(first.path().empty());
    EXPECT_EQ(second.path(), path);

    velmor_test::TempFolder third("support-test");
    fs::path replaced = third.path();
    third = std::move(second);
    // Taking another folder over removes the one it had.
    EXPECT_FALSE(fs::exists(replaced));
    EXPECT_TRUE(fs::exists(path));

    fs::path kept;
    {
        velmor_test::TempFolder folder("support-test");
        folder.keep();
        kept = folder.path();
    }
    EXPECT_TRUE(fs::is_directory(kept));
    fs::remove_all(kept);
}

TEST(PixelSurface, ReadsBackWhatWasDrawnAtEachDepth)
{
    velmor_test::PixelSurface surface(4, 3, RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(surface.rgb(0, 0), 0x102030u);
    EXPECT_EQ(surface.rgb(3, 2), 0x102030u);
    EXPECT_EQ(velmor_test::bitmap_bits_per_pixel(surface.bitmap()), 32);
    SetPixel(surface.dc(), 2, 1, RGB(0xFF, 0x00, 0x80));
    EXPECT_EQ(surface.rgb(2, 1), 0xFF0080u);
    EXPECT_EQ(surface.rgb(1, 1), 0x102030u);
    // Outside the bitmap there is no pixel to read.
    EXPECT_EQ(surface.pixel(4, 0), 0xDEADBEEFu);
    EXPECT_EQ(surface.pixel(0, -1), 0xDEADBEEFu);

    velmor_test::PixelSurface narrow(2, 2, RGB(0xFF, 0xFF, 0xFF), 16);
    EXPECT_EQ(velmor_test::bitmap_bits_per_pixel(narrow.bitmap()), 16);
    EXPECT_EQ(narrow.rgb(1, 1), 0xFFFFFFu);
    SetPixel(narrow.dc(), 0, 0, RGB(0xFF, 0x00, 0x00));
    EXPECT_EQ(narrow.rgb(0, 0), 0xFF0000u);
}

}  // namespace
