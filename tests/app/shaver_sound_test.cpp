// The shaver's sounds: clicks before the loop, the loop of each mode, and the
// shake variants on channels of their own.

#include <gtest/gtest.h>

#include <algorithm>

#include "shaver_fixture.h"

namespace shaver_test {
namespace {

bool ends_with(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_F(ShaverTest, SwitchClicksThenLoopsAndAltModeChangesTheLoop)
{
    start_main_screen();
    clear_sounds();
    tap(240, 560);
    pump();
    auto started = sounds("started");
    ASSERT_EQ(started.size(), 2u);
    EXPECT_TRUE(ends_with(started[0], ":106")) << started[0];
    EXPECT_TRUE(ends_with(started[1], ":104")) << started[1];
    EXPECT_EQ(sounds("ended").size(), 1u) << "the click played to its end before the loop";
    EXPECT_TRUE(playing("104"));

    clear_sounds();
    tap(240, 100);
    pump();
    started = sounds("started");
    ASSERT_EQ(started.size(), 2u);
    EXPECT_TRUE(ends_with(started[0], ":108"));
    EXPECT_TRUE(ends_with(started[1], ":101")) << "the other mode's loop";
    EXPECT_TRUE(playing("101"));
    EXPECT_FALSE(playing("104"));

    clear_sounds();
    tap(240, 560);
    pump();
    started = sounds("started");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_TRUE(ends_with(started[0], ":105"));
    EXPECT_FALSE(playing("101"));

    clear_sounds();
    tap(240, 100);
    pump();
    started = sounds("started");
    ASSERT_EQ(started.size(), 1u) << "stopped: the mode click only";
    EXPECT_TRUE(ends_with(started[0], ":108"));
}

TEST_F(ShaverTest, VariantsRestartAndOverlap)
{
    start_main_screen();
    clear_sounds();
    window().PlayVariant(3);
    wait(100);
    EXPECT_TRUE(playing(variant_channel(3)));
    window().PlayVariant(3);
    EXPECT_EQ(sounds("reset").size(), 1u) << "the playing variant is cut";
    EXPECT_EQ(sounds("started").size(), 2u) << "and starts again";
    window().PlayVariant(7);
    EXPECT_TRUE(playing(variant_channel(3)));
    EXPECT_TRUE(playing(variant_channel(7)));
    // Variant 4 (index 3) lasts 280 ms from its restart.
    wait(250);
    EXPECT_TRUE(playing(variant_channel(3)));
    wait(100);
    EXPECT_FALSE(playing(variant_channel(3)));
    window().PlayVariant(10);
    EXPECT_EQ(sounds("started").size(), 3u) << "there is no eleventh variant";
}

TEST_F(ShaverTest, OnlyThePresentVariantsGetChannels)
{
    for (int number = 2; number <= 10; ++number) remove_variant(number);
    start_main_screen();
    EXPECT_NE(window().GetVariantChannel(0), nullptr);
    for (int i = 1; i < SHAVER_VARIANT_COUNT; ++i) {
        EXPECT_EQ(window().GetVariantChannel(i), nullptr) << i;
        // Copied out: the packed format's fields cannot bind to a reference.
        EXPECT_EQ(WORD(window().GetVariantFormat(i).wFormatTag), 0) << i;
    }
    clear_sounds();
    for (UINT i = 0; i < SHAVER_VARIANT_COUNT; ++i) window().PlayVariant(i);
    auto started = sounds("started");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], variant_channel(0));
    // Start-up went on all the same.
    wait(500);
    EXPECT_EQ(picture_at(240, 640), 102);
}

TEST_F(ShaverTest, VariantFilesThatCannotBeReadWholeStaySilent)
{
    // Shorter than the header, and exactly the header with no samples.
    write_variant_bytes(2, std::vector<std::uint8_t>(20, 'R'));
    write_variant_bytes(3, std::vector<std::uint8_t>(44, 0));
    start_window();
    EXPECT_EQ(window().GetVariantChannel(1), nullptr);
    EXPECT_EQ(window().GetVariantHeader(1).lpData, nullptr);
    EXPECT_EQ(window().GetVariantChannel(2), nullptr);
    EXPECT_NE(window().GetVariantChannel(3), nullptr);
    // The others load whole, and start-up reaches the blinking prompt.
    EXPECT_EQ(window().GetVariantHeader(0).dwBufferLength, 8000u * 2 * 220 / 1000);
    EXPECT_EQ(DWORD(window().GetVariantFormat(0).nSamplesPerSec), 8000u);
    wait(500);
    EXPECT_EQ(picture_at(240, 640), 120);
}

TEST_F(ShaverTest, VariantsLoadFromTheProgramsWaveFolder)
{
    start_window();
    EXPECT_EQ(std::u16string(window().GetAppDir()), u"\\Program Files\\Velmor\\");
    for (int i = 0; i < SHAVER_VARIANT_COUNT; ++i) {
        EXPECT_NE(window().GetVariantChannel(i), nullptr) << i;
        EXPECT_EQ(window().GetVariantHeader(i).dwBufferLength, 8000u * 2 * std::uint32_t(200 + 20 * (i + 1)) / 1000);
        EXPECT_EQ(WORD(window().GetVariantFormat(i).cbSize), 0);
    }
}

}  // namespace
}  // namespace shaver_test
