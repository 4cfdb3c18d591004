// The shaver's pictures as the built library holds them: the sizes the
// window draws them at, real transparency where they are blended, and the
// screen they compose into.
#include "brisell_fixture.h"

#include <cmath>
#include <map>

namespace {

using brisell_test::contrast_ratio;
using brisell_test::luminance;
using brisell_test::mean_luminance;
using brisell_test::Rgba;
using brisell_test::RgbaPicture;

struct Placement {
    int x, y, width, height;
    bool opaque;
};

// Where the shaver window draws each picture.
const std::map<int, Placement> placements = {{101, {0, 0, 480, 720, true}}, {102, {0, 0, 480, 720, true}},
    {103, {165, 498, 150, 150, false}}, {104, {213, 413, 54, 54, false}}, {105, {130, 227, 228, 168, false}},
    {106, {63, 0, 350, 230, false}}, {107, {63, 0, 350, 230, false}}, {108, {63, 0, 350, 230, false}},
    {109, {145, 249, 96, 68, false}}, {110, {145, 249, 96, 68, false}}, {111, {145, 249, 96, 68, false}},
    {112, {145, 249, 96, 68, false}}, {113, {145, 249, 96, 68, false}}, {114, {255, 240, 93, 104, false}},
    {115, {255, 240, 93, 104, false}}, {116, {255, 240, 93, 104, false}}, {117, {255, 240, 93, 104, false}},
    {118, {255, 240, 93, 104, false}}, {119, {130, 625, 220, 35, false}}, {120, {130, 625, 220, 35, false}}};

// The cycle pictures in the order the running display shows them.
const int cycle_shown[] = {115, 114, 118, 117, 116};

void draw(RgbaPicture& screen, const RgbaPicture& picture, int id)
{
    brisell_test::blend_over(screen, picture, placements.at(id).x, placements.at(id).y);
}

double mean_difference(const RgbaPicture& first, const RgbaPicture& second)
{
    double sum = 0;
    for (std::size_t i = 0; i < first.pixels.size(); ++i) {
        const Rgba& a = first.pixels[i];
        const Rgba& b = second.pixels[i];
        sum += std::abs(a.a * luminance(a) - b.a * luminance(b)) + std::abs(a.a - b.a) / 255.0;
    }
    return sum / static_cast<double>(first.pixels.size());
}

int ink_pixels(const RgbaPicture& picture)
{
    int count = 0;
    for (const Rgba& pixel : picture.pixels) count += pixel.a > 128;
    return count;
}

TEST_F(BrisellTest, EveryPictureHasItsSizeAndItsKindOfTransparency)
{
    for (const auto& [id, place] : placements) {
        const RgbaPicture decoded = picture(id);
        ASSERT_EQ(decoded.width, place.width) << id;
        ASSERT_EQ(decoded.height, place.height) << id;
        int clear = 0, solid = 0, visible = 0;
        for (const Rgba& pixel : decoded.pixels) {
            clear += pixel.a == 0;
            solid += pixel.a == 255;
            visible += pixel.a >= 128;
        }
        if (place.opaque) {
            EXPECT_EQ(solid, decoded.width * decoded.height) << id << " is drawn opaque over the whole screen";
        } else {
            EXPECT_GT(clear, 0) << id << " would cover what lies under it with a box";
            EXPECT_GT(visible, decoded.width * decoded.height / 20) << id << " shows next to nothing";
        }
    }
}

TEST_F(BrisellTest, CountdownStaysReadableOnTheRunningDisplay)
{
    // The countdown's colour, red 0x81, green 0x76, blue 0x52.
    const double text = luminance({0x81, 0x76, 0x52, 255});
    const RgbaPicture main = picture(102);
    for (int level = 109; level <= 113; ++level)
        for (int cycle : cycle_shown) {
            RgbaPicture screen = main;
            draw(screen, picture(107), 107);
            draw(screen, picture(105), 105);
            draw(screen, picture(103), 103);
            draw(screen, picture(level), level);
            draw(screen, picture(cycle), cycle);
            const double ground = mean_luminance(screen, 200, 320, 260, 380);
            EXPECT_GE(contrast_ratio(text, ground), 3.0) << "level " << level << ", cycle " << cycle;
        }
}

TEST_F(BrisellTest, PromptBlinksVisiblyOnTheIntro)
{
    RgbaPicture lit = picture(101), dim = picture(101);
    draw(lit, picture(119), 119);
    draw(dim, picture(120), 120);
    const double lit_level = mean_luminance(lit, 130, 625, 350, 660);
    const double dim_level = mean_luminance(dim, 130, 625, 350, 660);
    EXPECT_GE(contrast_ratio(lit_level, dim_level), 1.3);
    // Shown or hidden, the prompt stands out from the intro around it.
    const double around = mean_luminance(picture(101), 130, 625, 350, 660);
    EXPECT_GE(contrast_ratio(lit_level, around), 1.3);
}

TEST_F(BrisellTest, LevelsFillWithTheTimeLeftAndTheCutterTurnsStepByStep)
{
    int previous = 0;
    for (int id = 109; id <= 113; ++id) {
        const int ink = ink_pixels(picture(id));
        EXPECT_GT(ink, previous + 100) << id << " shows no more than " << id - 1;
        previous = ink;
    }

    // Played in their order, each picture is nearer the next than the one
    // after it: a steady turn, not a jumble, and the last leads back to the
    // first.
    std::vector<RgbaPicture> frames;
    for (int id : cycle_shown) frames.push_back(picture(id));
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const double next = mean_difference(frames[k], frames[(k + 1) % 5]);
        const double after_next = mean_difference(frames[k], frames[(k + 2) % 5]);
        EXPECT_GT(next, 0.001) << cycle_shown[k] << " equals the next picture";
        EXPECT_LT(next, after_next) << cycle_shown[k];
    }
}

TEST_F(BrisellTest, HeadsDifferByModeAndRunning)
{
    const RgbaPicture normal = picture(107), still = picture(106), running = picture(108);
    EXPECT_GT(mean_difference(normal, still), 0.02);
    EXPECT_GT(mean_difference(still, running), 0.02);
}

}  // namespace
