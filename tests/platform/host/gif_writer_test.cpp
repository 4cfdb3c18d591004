#include "platform/host/gif_writer.h"

#include <gtest/gtest.h>

#include <random>

#include "gif_reader.h"
#include "tests/support/temp_folder.h"

using namespace platform::host;

namespace {

std::uint32_t palette_colour(std::uint32_t colour) { return gif_palette()[gif_palette_index(colour)]; }

}  // namespace

TEST(GifPalette, MapsColoursToTheirNearestEntry)
{
    ASSERT_EQ(gif_palette().size(), 256u);
    // Colours of the cube and pure greys come back exactly.
    for (std::uint32_t colour : {0x000000u, 0xFFFFFFu, 0xFF0000u, 0x33CC99u, 0x666666u})
        EXPECT_EQ(palette_colour(colour), colour);
    // A grey between the cube's levels finds one of the extra greys.
    std::uint32_t grey = palette_colour(0x808080);
    EXPECT_EQ((grey >> 16) & 0xFF, grey & 0xFF);
    EXPECT_LE(std::abs(int(grey & 0xFF) - 0x80), 4);
    // The quick search (rounding into the cube, greys near the brightness)
    // finds the entry a search of the whole palette finds, with the same
    // weighting (green counts most, then red, then blue).
    auto weighted = [](std::uint32_t a, std::uint32_t b) {
        int dr = int((a >> 16) & 0xFF) - int((b >> 16) & 0xFF);
        int dg = int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF);
        int db = int(a & 0xFF) - int(b & 0xFF);
        return dr * dr * 2 + dg * dg * 4 + db * db;
    };
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i) {
        std::uint32_t colour = random() & 0xFFFFFF;
        if (i % 3 == 0) colour = (colour & 0xFF) * 0x010101 + (random() % 9) * 0x010000;  // near grey
        int best = weighted(colour, gif_palette()[0]);
        for (std::uint32_t entry : gif_palette()) best = std::min(best, weighted(colour, entry));
        EXPECT_EQ(weighted(colour, palette_colour(colour)), best) << std::hex << colour;
    }
}

TEST(GifLzw, RoundTripsThroughCodeWidthChangesAndTableResets)
{
    std::mt19937 random(3);
    // Noise fills the table quickly (several resets); runs exercise long
    // strings and the code-equals-next-entry case.
    std::vector<std::vector<std::uint8_t>> inputs = {{}, {42}, std::vector<std::uint8_t>(100000, 7)};
    std::vector<std::uint8_t> noise(200000);
    for (auto& value : noise) value = static_cast<std::uint8_t>(random());
    inputs.push_back(noise);
    std::vector<std::uint8_t> mixed;
    for (int i = 0; i < 50000; ++i) mixed.push_back(static_cast<std::uint8_t>((i / 37) % 5 + (random() % 3)));
    inputs.push_back(mixed);
    for (const auto& input : inputs) {
        auto encoded = gif_lzw_encode(input);
        auto decoded = gif_test::lzw_decode(encoded, 8, input.size());
        ASSERT_TRUE(decoded.has_value()) << "input of " << input.size();
        EXPECT_EQ(*decoded, input);
    }
}

TEST(GifWriter, WritesChangedRectanglesWithDelaysAndMergesRepeats)
{
    velmor_test::TempFolder folder("velmor-gif");
    GifWriter writer;
    auto opened = writer.open(folder / "a.gif", 40, 30, 33);
    ASSERT_TRUE(opened) << opened.failure().text();
    Image first(40, 30, 0x0000FF);
    Image second = first;
    for (int y = 10; y < 14; ++y)
        for (int x = 5; x < 9; ++x) second.at(x, y) = 0xFFFFFF;
    writer.add_frame(first, 0);
    writer.add_frame(second, 0);  // same moment: shown one frame period
    writer.add_frame(second, 100);  // unchanged: lengthens the frame instead
    writer.add_frame(first, 500);
    auto closed = writer.close();
    ASSERT_TRUE(closed) << closed.failure().text();

    auto animation = gif_test::read_gif_file((folder / "a.gif").string());
    ASSERT_TRUE(animation) << animation.failure().text();
    EXPECT_TRUE(animation->loops);
    EXPECT_EQ(animation->width, 40);
    ASSERT_EQ(animation->frames.size(), 3u);
    EXPECT_EQ(animation->frames[0].width, 40);
    EXPECT_EQ(animation->frames[0].delay_cs, 3);  // at least the frame period (33 ms)
    const auto& changed = animation->frames[1];
    EXPECT_EQ(changed.left, 5);
    EXPECT_EQ(changed.top, 10);
    EXPECT_EQ(changed.width, 4);
    EXPECT_EQ(changed.height, 4);
    // Up to 500 ms, less what the first frame's shortest delay took, so the
    // next picture still appears at 500 ms.
    EXPECT_EQ(changed.delay_cs, 47);
    EXPECT_EQ(changed.picture, second.pixels);
    EXPECT_EQ(animation->frames[2].picture, first.pixels);
}

TEST(GifWriter, AStayLongerThanAGifDelayGoesOnInRepeatsAndTheTimelineKeepsItsPace)
{
    velmor_test::TempFolder folder("velmor-gif");
    GifWriter writer;
    auto opened = writer.open(folder / "long.gif", 8, 8, 33);
    ASSERT_TRUE(opened) << opened.failure().text();
    Image red(8, 8, 0xFF0000), blue(8, 8, 0x0000FF);
    writer.add_frame(red, 1000);
    writer.add_frame(blue, 701'000);  // 700 s later: more than 655.35 s
    // Frames 33 ms apart round to 3 or 4 hundredths, never drifting: ten of
    // them take 33 hundredths, as 330 ms do.
    for (int i = 1; i <= 10; ++i) writer.add_frame(i % 2 ? red : blue, 701'000 + 33u * i);
    auto closed = writer.close();
    ASSERT_TRUE(closed) << closed.failure().text();

    auto animation = gif_test::read_gif_file((folder / "long.gif").string());
    ASSERT_TRUE(animation) << animation.failure().text();
    ASSERT_EQ(animation->frames.size(), 13u);
    EXPECT_EQ(animation->frames[0].delay_cs, 65535);
    EXPECT_EQ(animation->frames[1].delay_cs, 70000 - 65535);
    EXPECT_EQ(animation->frames[1].picture, red.pixels);  // the repeat shows the same picture
    EXPECT_EQ(animation->frames[2].picture, blue.pixels);
    int paced = 0;
    for (std::size_t i = 2; i < 12; ++i) {
        EXPECT_GE(animation->frames[i].delay_cs, 3);
        EXPECT_LE(animation->frames[i].delay_cs, 4);
        paced += animation->frames[i].delay_cs;
    }
    EXPECT_EQ(paced, 33);
}

TEST(GifWriter, ReportsAFolderThatCannotBeWritten)
{
    GifWriter writer;
    auto opened = writer.open("/nonexistent-folder/x.gif", 10, 10, 33);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.failure().text(), "/nonexistent-folder/x.gif: cannot be written: No such file or directory");
    // Closing a writer that never opened has nothing to report.
    EXPECT_TRUE(writer.close());
}

TEST(GifWriter, ADiskThatRefusesTheDataFailsTheClose)
{
    // /dev/full takes the file open and refuses every write.
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    GifWriter writer;
    auto opened = writer.open("/dev/full", 16, 16, 33);
    Image frame(16, 16, 0x123456);
    for (std::uint64_t time = 0; time < 4000; time += 40) writer.add_frame(frame, time);
    auto closed = writer.close();
    // The header may sit in the stream's buffer until the close, so either may fail; one must.
    ASSERT_FALSE(opened && closed);
    const auto& failure = opened ? closed.failure() : opened.failure();
    EXPECT_EQ(failure.text(), "/dev/full: cannot be written: the disk refused the data");
}
