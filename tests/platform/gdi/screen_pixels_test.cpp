// The screen read back as 32-bit colours: the row conversion against the
// one-pixel conversion for every 16-bit value, at every start and length a
// row can have, and the screen's frames as copies that later drawing leaves
// alone.

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "platform/gdi/blend_kernels.h"
#include "platform/gdi/pixel_format.h"
#include "platform/gdi/rgb565_rows.h"
#include "platform/gdi/screen.h"

using platform::gdi::PixelFormat;
using platform::gdi::Screen;

namespace {

using platform::gdi::CpuLevel;

// Each level this CPU runs, the row conversion's vector width with it.
std::vector<CpuLevel> levels()
{
    std::vector<CpuLevel> all;
    for (CpuLevel level : {CpuLevel::scalar, CpuLevel::sse2, CpuLevel::avx2})
        if (level <= platform::gdi::supported_cpu_level()) all.push_back(level);
    return all;
}

class AtLevel {
public:
    explicit AtLevel(CpuLevel level)
        : previous_(platform::gdi::cpu_level())
    {
        platform::gdi::force_cpu_level(level);
    }
    ~AtLevel() { platform::gdi::force_cpu_level(previous_); }

private:
    CpuLevel previous_;
};

std::uint32_t one_pixel(std::uint16_t pixel) { return platform::gdi::pixel_to_xrgb(PixelFormat::rgb565, pixel); }

void fill_screen_part(COLORREF colour, RECT area)
{
    HDC screen_dc = GetDC(nullptr);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(screen_dc, &area, brush);
    DeleteObject(brush);
    ReleaseDC(nullptr, screen_dc);
}

}  // namespace

TEST(Rgb565Rows, EveryValueWidensAsThePixelConversionDoesAtEveryLevel)
{
    std::vector<std::uint16_t> all(65536);
    for (std::size_t value = 0; value < all.size(); ++value) all[value] = static_cast<std::uint16_t>(value);
    for (CpuLevel level : levels()) {
        AtLevel at(level);
        SCOPED_TRACE(platform::gdi::cpu_level_name(level));
        std::vector<std::uint32_t> widened(all.size(), 0xDEADBEEF);
        platform::gdi::rgb565_row_to_xrgb(all.data(), widened.data(), all.size());
        for (std::size_t value = 0; value < all.size(); ++value)
            ASSERT_EQ(widened[value], one_pixel(all[value])) << "pixel 0x" << std::hex << value;
        // The ends of the range: black stays black, white stays white.
        EXPECT_EQ(widened[0x0000], 0x000000u);
        EXPECT_EQ(widened[0xFFFF], 0xFFFFFFu);
    }
}

TEST(Rgb565Rows, AnyStartAndLengthWritesItsPixelsAndNothingBeside)
{
    // Starts off the vector width and lengths 0 to past two vectors, so the
    // vector loop, its remainder and the scalar tail all run.
    std::vector<std::uint16_t> source(96);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint16_t>(0x9E37u * (i + 1));
    constexpr std::uint32_t untouched = 0xA5A5A5A5;
    for (CpuLevel level : levels()) {
        AtLevel at(level);
        for (std::size_t start = 0; start < 16; ++start)
            for (std::size_t count = 0; count + start <= 80; ++count) {
                std::vector<std::uint32_t> target(source.size() + 2, untouched);
                platform::gdi::rgb565_row_to_xrgb(source.data() + start, target.data() + 1 + start, count);
                for (std::size_t i = 0; i < target.size(); ++i) {
                    bool written = i >= 1 + start && i < 1 + start + count;
                    std::uint32_t expected = written ? one_pixel(source[i - 1]) : untouched;
                    ASSERT_EQ(target[i], expected) << platform::gdi::cpu_level_name(level) << ", start " << start
                                                   << ", count " << count << ", at " << i;
                }
            }
    }
}

TEST(ScreenFrame, IsTheScreenAsItStoodAndKeepsItWhileTheScreenChanges)
{
    fill_screen_part(RGB(0, 0, 0), RECT {0, 0, Screen::width, Screen::height});
    fill_screen_part(RGB(255, 128, 0), RECT {3, 5, 70, 9});
    platform::gdi::ScreenFrame frame = platform::gdi::screen().frame();
    ASSERT_FALSE(frame.empty());
    std::vector<std::uint32_t> read = platform::gdi::screen().read_xrgb();
    EXPECT_EQ(frame.xrgb(), read);
    EXPECT_EQ(read[5 * Screen::width + 3],
        one_pixel(static_cast<std::uint16_t>(platform::gdi::encode_colour(PixelFormat::rgb565, RGB(255, 128, 0)))));
    EXPECT_EQ(frame.xrgb_at(2, 5), 0u);

    // A copy shares the frame; neither follows the screen.
    platform::gdi::ScreenFrame copy = frame;
    fill_screen_part(RGB(0, 0, 255), RECT {0, 0, 100, 100});
    EXPECT_EQ(frame.xrgb(), read);
    EXPECT_EQ(copy.xrgb_at(3, 5), read[5 * Screen::width + 3]);
    EXPECT_EQ(platform::gdi::screen().read_xrgb()[5 * Screen::width + 3], 0x0000FFu);

    // Pixels of the wrong size make no frame.
    EXPECT_TRUE(platform::gdi::ScreenFrame(std::vector<std::uint16_t>(10)).empty());
    EXPECT_TRUE(platform::gdi::ScreenFrame().xrgb().empty());
}
