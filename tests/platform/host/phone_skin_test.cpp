// The phone's skin: where the screen, the keys and the panel sit, which key
// a click hits, what scale a window too large for its screen is shown at,
// and that a held key is drawn lit where it is.

#include "platform/host/phone_skin.h"

#include <gtest/gtest.h>

using namespace platform::host;

namespace {

bool inside(const SkinRect& inner, const SkinRect& outer)
{
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
        inner.y + inner.height <= outer.y + outer.height;
}

bool overlap(const SkinRect& a, const SkinRect& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

}  // namespace

TEST(PhoneSkin, PartsSitWhereAPhoneHasThemAndKeysAreHitWhereDrawn)
{
    auto layout = phone_skin_layout(480, 720, 300);
    EXPECT_EQ(layout.screen.width, 480);
    EXPECT_EQ(layout.screen.height, 720);
    EXPECT_TRUE(inside(layout.screen, layout.body));
    EXPECT_TRUE(inside(layout.m_key, layout.body));
    EXPECT_GE(layout.m_key.y, layout.screen.y + layout.screen.height) << "the M key is below the screen";
    EXPECT_FALSE(overlap(layout.panel, layout.body));
    EXPECT_GE(layout.power_key.x + layout.power_key.width, layout.body.x + layout.body.width)
        << "the power key stands out of the right edge";
    SkinRect window {0, 0, layout.window_width, layout.window_height};
    for (const auto& part : {layout.body, layout.panel, layout.power_key}) EXPECT_TRUE(inside(part, window));

    auto centre = [](const SkinRect& r) { return std::pair {r.x + r.width / 2.0, r.y + r.height / 2.0}; };
    auto [m_x, m_y] = centre(layout.m_key);
    EXPECT_EQ(skin_key_at(layout, m_x, m_y), PhoneKey::m_key);
    auto [p_x, p_y] = centre(layout.power_key);
    EXPECT_EQ(skin_key_at(layout, p_x, p_y), PhoneKey::power);
    // A thin key still takes a finger just inside the edge.
    EXPECT_EQ(skin_key_at(layout, layout.power_key.x - 5, p_y), PhoneKey::power);
    EXPECT_EQ(skin_key_at(layout, layout.screen.x + 10, layout.screen.y + 10), std::nullopt);
    EXPECT_EQ(skin_key_at(layout, layout.m_key.x - 1, m_y), std::nullopt);
    EXPECT_EQ(skin_key_at(layout, layout.panel.x + 5, layout.panel.y + 5), std::nullopt);
}

TEST(PhoneSkin, TheWindowFitsTheScreen)
{
    // Asked scale fits: kept.
    EXPECT_EQ(fit_window_scale(2, 800, 900, 1920, 2000), 2.0);
    // Too large: the largest whole scale that fits.
    EXPECT_EQ(fit_window_scale(3, 800, 900, 1920, 1900), 2.0);
    EXPECT_EQ(fit_window_scale(2, 800, 900, 1280, 1000), 1.0);
    // Even scale 1 is too large: the fraction that fits, in hundredths.
    EXPECT_EQ(fit_window_scale(1, 800, 900, 1366, 728), 0.8);
    double fraction = fit_window_scale(4, 868, 884, 1024, 728);
    EXPECT_LE(884 * fraction, 728);
    EXPECT_GT(884 * (fraction + 0.01), 728);
    // Never so small it cannot be read.
    EXPECT_EQ(fit_window_scale(1, 800, 900, 10, 10), 0.25);
}

TEST(PhoneSkin, AHeldKeyIsLitWhereItIsDrawn)
{
    auto layout = phone_skin_layout(480, 720, 300);
    Image idle = draw_phone_skin(layout, 1, std::nullopt);
    ASSERT_EQ(idle.width, layout.window_width);
    ASSERT_EQ(idle.height, layout.window_height);
    EXPECT_EQ(idle.at(0, 0), desk_colour);
    EXPECT_NE(idle.at(layout.body.x + layout.body.width / 2, layout.body.y + 10), desk_colour);

    Image held = draw_phone_skin(layout, 1, PhoneKey::m_key);
    SkinRect changed {layout.window_width, layout.window_height, 0, 0};
    int right = 0, bottom = 0;
    for (int y = 0; y < idle.height; ++y)
        for (int x = 0; x < idle.width; ++x)
            if (idle.at(x, y) != held.at(x, y)) {
                changed.x = std::min(changed.x, x);
                changed.y = std::min(changed.y, y);
                right = std::max(right, x + 1);
                bottom = std::max(bottom, y + 1);
            }
    changed.width = right - changed.x;
    changed.height = bottom - changed.y;
    ASSERT_GT(changed.width, 0);
    EXPECT_TRUE(inside(
        changed, SkinRect {layout.m_key.x - 2, layout.m_key.y - 2, layout.m_key.width + 4, layout.m_key.height + 4}));

    // The key's own pixels, drawn alone, are those of the whole picture.
    auto area = skin_key_pixels(layout, PhoneKey::m_key, 1);
    EXPECT_TRUE(inside(changed, area));
    Image patch = draw_phone_skin(layout, 1, PhoneKey::m_key, area);
    ASSERT_EQ(patch.width, area.width);
    for (int y = 0; y < patch.height; ++y)
        for (int x = 0; x < patch.width; ++x)
            ASSERT_EQ(patch.at(x, y), held.at(area.x + x, area.y + y)) << x << "," << y;

    Image doubled = draw_phone_skin(layout, 2, std::nullopt);
    EXPECT_EQ(doubled.width, 2 * layout.window_width);
    int x = layout.screen.x + 100, y = layout.screen.y + 100;
    EXPECT_EQ(doubled.at(2 * x, 2 * y), idle.at(x, y));
    EXPECT_EQ(doubled.at(2 * layout.body.x - 8, 2 * y), desk_colour);
    EXPECT_NE(doubled.at(2 * layout.body.x + 8, 2 * y), desk_colour);
}
