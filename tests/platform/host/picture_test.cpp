// PNG files and screen comparison, as screenshots and expect-screen use them.

#include <gtest/gtest.h>

#include <fstream>

#include "platform/host/png_image.h"
#include "platform/host/screen_compare.h"
#include "tests/support/temp_folder.h"

using namespace platform::host;

TEST(PngImage, RoundTripsEveryChannelAndReportsBrokenFiles)
{
    velmor_test::TempFolder folder("velmor-picture");
    ASSERT_TRUE(folder.made());
    Image image(7, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) image.at(x, y) = std::uint32_t(x * 37) << 16 | std::uint32_t(y * 90) << 8 | (x ^ y);
    auto written = write_png(folder / "a.png", image);
    ASSERT_TRUE(written) << written.failure().text();
    EXPECT_FALSE(std::filesystem::exists(folder / "a.png.partial"));
    auto back = read_png(folder / "a.png");
    ASSERT_TRUE(back) << back.failure().text();
    EXPECT_EQ(back->width, 7);
    EXPECT_EQ(back->height, 3);
    EXPECT_EQ(back->pixels, image.pixels);

    // A truncated file, a file that is no PNG, and one that is missing.
    std::ifstream in(folder / "a.png", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(folder / "short.png", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    std::ofstream(folder / "text.png") << "not a picture";
    // Each failure concerns the file, so its text starts with it.
    for (const char* name : {"short.png", "text.png", "missing.png"}) {
        auto broken = read_png(folder / name);
        ASSERT_FALSE(broken) << name;
        EXPECT_EQ(broken.failure().where, (folder / name).string());
        EXPECT_TRUE(broken.failure().text().starts_with((folder / name).string() + ": cannot be read: "))
            << broken.failure().text();
    }
    auto unwritable = write_png(folder / "none" / "b.png", image);
    ASSERT_FALSE(unwritable);
    EXPECT_EQ(unwritable.failure().where, (folder / "none" / "b.png").string());
    EXPECT_FALSE(std::filesystem::exists(folder / "none" / "b.png.partial"));
    auto empty = write_png(folder / "empty.png", Image());
    ASSERT_FALSE(empty);
    EXPECT_EQ(
        empty.failure().text(), (folder / "empty.png").string() + ": cannot be written: the picture has no pixels");
    EXPECT_FALSE(std::filesystem::exists(folder / "empty.png"));
}

TEST(ScreenCompare, AppliesTheToleranceToEachChannelAndNamesTheFirstDifference)
{
    Image expected(4, 4, 0x102030);
    Image actual = expected;
    actual.at(2, 1) = 0x102035;  // blue off by 5
    actual.at(3, 3) = 0x0A2030;  // red off by 6

    auto strict = compare_images(expected, actual, 0);
    EXPECT_FALSE(strict.matches);
    EXPECT_EQ(strict.differing_pixels, 2);
    EXPECT_EQ(strict.first_x, 2);
    EXPECT_EQ(strict.first_y, 1);
    EXPECT_EQ(strict.expected, 0x102030u);
    EXPECT_EQ(strict.actual, 0x102035u);
    EXPECT_NE(strict.describe().find("(2, 1): expected #102030, actual #102035"), std::string::npos);

    EXPECT_EQ(compare_images(expected, actual, 5).differing_pixels, 1);
    EXPECT_TRUE(compare_images(expected, actual, 6).matches);

    auto resized = compare_images(expected, Image(4, 5), 255);
    EXPECT_FALSE(resized.matches);
    EXPECT_FALSE(resized.same_size);
}

TEST(ScreenCompare, DifferenceImageMarksDifferencesAndFadesTheRest)
{
    Image expected(3, 2, 0x906030);
    Image actual = expected;
    actual.at(1, 0) = 0x000000;
    auto difference = difference_image(expected, actual, 0);
    ASSERT_EQ(difference.width, 3);
    EXPECT_EQ(difference.at(1, 0), 0xFF0000u);
    EXPECT_EQ(difference.at(0, 0), 0x302010u);
    // Where the reference has no pixels at all, everything counts as different.
    auto larger = difference_image(Image(2, 2, 0), Image(3, 3, 0), 0);
    EXPECT_EQ(larger.at(2, 2), 0xFF0000u);
    EXPECT_EQ(larger.at(1, 1), 0u);
}
