// The status panel: its text follows the phone's state, long events stay
// within the panel, and the drawn pixels change when a sensor does.

#include "platform/host/status_panel.h"

#include <gtest/gtest.h>

#include "platform/devices/device_host.h"
#include "platform/host/bitmap_font.h"
#include "platform/kernel/clock.h"

using namespace platform::host;

namespace {

class StatusPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::clock::reset(platform::clock::Mode::virtual_time, 0);
        platform::devices::install_devices();
        platform::devices::reset_devices();
    }
    void TearDown() override { platform::devices::uninstall_devices(); }

    std::vector<std::string> lines() { return status_lines(collect_phone_status(history_), 25); }

    bool shows(const std::string& text)
    {
        for (const auto& line : lines())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

    EventHistory history_ {3};
};

// The rows of the panel whose pixels differ.
std::vector<int> differing_rows(const Image& a, const Image& b)
{
    std::vector<int> rows;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.at(x, y) != b.at(x, y)) {
                rows.push_back(y);
                break;
            }
    return rows;
}

}  // namespace

TEST_F(StatusPanelTest, TextFollowsTheSensorsAndKeepsTheLastEvents)
{
    EXPECT_TRUE(shows("acc x 0 y 0 z 64"));
    EXPECT_TRUE(shows("proximity far"));
    EXPECT_TRUE(shows("usb off"));
    EXPECT_TRUE(shows("silent"));
    platform::devices::tilt(-12, 100, -128);
    platform::devices::set_near(true);
    platform::devices::set_usb_disk_mode(true);
    EXPECT_TRUE(shows("acc x -12 y 100 z -128"));
    EXPECT_TRUE(shows("proximity NEAR"));
    EXPECT_TRUE(shows("usb DISK MODE"));

    for (int i = 1; i <= 5; ++i) history_.add(std::uint64_t(i * 100), "event " + std::to_string(i));
    auto events = history_.events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events.front().text, "event 3");
    EXPECT_EQ(events.back().time, 500u);
    EXPECT_FALSE(shows("event 2"));
    EXPECT_TRUE(shows("500 event 5"));

    // A long event is wrapped and cut; no line is wider than the panel.
    history_.add(600, std::string(200, 'x'));
    auto all = lines();
    int wrapped = 0;
    for (const auto& line : all) {
        EXPECT_LE(line.size(), 25u) << line;
        if (line.find("xxxx") != std::string::npos) ++wrapped;
    }
    EXPECT_EQ(wrapped, 3);
    EXPECT_EQ(all.back().back(), '~');
}

TEST_F(StatusPanelTest, DrawnPixelsChangeWhereTheSensorsLineIs)
{
    Image before = draw_status_panel(lines(), 720);
    EXPECT_EQ(before.width, status_panel_width);
    EXPECT_EQ(before.height, 720);
    EXPECT_EQ(differing_rows(before, draw_status_panel(lines(), 720)).size(), 0u) << "drawing is repeatable";

    platform::devices::set_near(true);
    Image after = draw_status_panel(lines(), 720);
    auto rows = differing_rows(before, after);
    ASSERT_FALSE(rows.empty());
    // Only the proximity line (the fourth) changed.
    EXPECT_GE(rows.front(), 4 + 3 * cell_height);
    EXPECT_LT(rows.back(), 4 + 4 * cell_height);
}

TEST(BitmapFont, DrawsGlyphsInTheirCellsAndClipsAtTheEdges)
{
    Image image(2 * cell_width, cell_height, 0);
    draw_text(image, 0, 0, "I-", 0xFFFFFF);
    // 'I': a bar in the middle column with serifs at the top and bottom.
    for (int y = 0; y < glyph_height; ++y) EXPECT_EQ(image.at(2, y), 0xFFFFFFu) << y;
    EXPECT_EQ(image.at(1, 0), 0xFFFFFFu);
    EXPECT_EQ(image.at(0, 3), 0u);
    EXPECT_EQ(image.at(1, 3), 0u);
    // '-': the middle row of the second cell, and nothing else there.
    for (int x = 0; x < glyph_width; ++x) EXPECT_EQ(image.at(cell_width + x, 3), 0xFFFFFFu) << x;
    EXPECT_EQ(image.at(cell_width, 2), 0u);

    // Off every edge, and bytes that are not printable, draw nothing outside.
    Image small(3, 3, 0);
    draw_text(small, -4, -5, "WW\x01\xff", 0x00FF00);
    draw_text(small, 2, 2, "M", 0x00FF00);
    EXPECT_EQ(small.at(2, 2), 0x00FF00u);
    Image unknown(cell_width, cell_height, 0), question(cell_width, cell_height, 0);
    draw_text(unknown, 0, 0, "\x7f", 1);
    draw_text(question, 0, 0, "?", 1);
    EXPECT_EQ(unknown.pixels, question.pixels);
}
