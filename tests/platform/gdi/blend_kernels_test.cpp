#include <gtest/gtest.h>

#include <pixman.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/gdi/blend_kernels.h"

using platform::gdi::BlendKernels;
using platform::gdi::CpuLevel;

namespace {

constexpr CpuLevel all_levels[] = {CpuLevel::scalar, CpuLevel::sse2, CpuLevel::avx2};

// The compositor's own result for one row: source OVER dest, through a solid
// mask of the constant alpha unless it is 255. The compositor clips to 16-bit
// coordinates, so long rows go in pieces.
template <typename Source, typename Dest>
void composite_row(pixman_format_code_t source_format, const std::vector<Source>& source,
    pixman_format_code_t dest_format, std::vector<Dest>& dest, unsigned constant)
{
    constexpr std::size_t piece = 4096;
    for (std::size_t first = 0; first < dest.size(); first += piece) {
        int width = static_cast<int>(std::min(piece, dest.size() - first));
        pixman_image_t* s = pixman_image_create_bits(source_format, width, 1,
            const_cast<std::uint32_t*>(reinterpret_cast<const std::uint32_t*>(source.data() + first)),
            static_cast<int>(((width * sizeof(Source)) + 3) & ~std::size_t(3)));
        pixman_image_t* d =
            pixman_image_create_bits(dest_format, width, 1, reinterpret_cast<std::uint32_t*>(dest.data() + first),
                static_cast<int>(((width * sizeof(Dest)) + 3) & ~std::size_t(3)));
        pixman_image_t* mask = nullptr;
        if (constant != 255) {
            pixman_color_t colour {0, 0, 0, static_cast<std::uint16_t>(constant * 257)};
            mask = pixman_image_create_solid_fill(&colour);
        }
        pixman_image_composite32(PIXMAN_OP_OVER, s, mask, d, 0, 0, 0, 0, 0, 0, width, 1);
        if (mask) pixman_image_unref(mask);
        pixman_image_unref(s);
        pixman_image_unref(d);
    }
}

const std::uint32_t levels[] = {0, 1, 2, 3, 31, 32, 63, 64, 127, 128, 129, 191, 192, 253, 254, 255};

// Premultiplied pixels of one alpha: colours spread over 0..alpha, and a few
// brighter than their alpha allows, which the blend still has to take.
std::vector<std::uint32_t> premultiplied_colours(std::uint32_t alpha)
{
    std::vector<std::uint32_t> colours;
    for (int i = 0; i < 16; ++i) {
        std::uint32_t r = levels[i] * alpha / 255, g = levels[(i + 5) % 16] * alpha / 255,
                      b = levels[(i + 11) % 16] * alpha / 255;
        colours.push_back((alpha << 24) | (r << 16) | (g << 8) | b);
    }
    colours.push_back((alpha << 24) | 0xFFFFFFu);
    colours.push_back((alpha << 24) | 0x80FF01u);
    colours.push_back((alpha << 24) | (std::min(alpha + 1, 255u) << 8));
    return colours;
}

// 565 values with every channel at its ends and middles.
std::vector<std::uint16_t> grid_565()
{
    std::vector<std::uint16_t> values;
    for (std::uint32_t r : {0, 1, 15, 16, 30, 31})
        for (std::uint32_t g : {0, 1, 31, 32, 62, 63})
            for (std::uint32_t b : {0, 1, 15, 16, 30, 31})
                values.push_back(static_cast<std::uint16_t>((r << 11) | (g << 5) | b));
    return values;
}

// Fewer of them, for sources crossed with every destination.
std::vector<std::uint16_t> source_grid_565()
{
    std::vector<std::uint16_t> values;
    for (std::uint32_t r : {0, 1, 16, 31})
        for (std::uint32_t g : {0, 1, 33, 63})
            for (std::uint32_t b : {0, 2, 15, 31})
                values.push_back(static_cast<std::uint16_t>((r << 11) | (g << 5) | b));
    return values;
}

std::vector<std::uint32_t> grid_32()
{
    std::vector<std::uint32_t> values;
    for (std::uint32_t a : {0, 1, 128, 254, 255})
        for (std::uint32_t i = 0; i < 16; ++i)
            for (std::uint32_t j = 0; j < 16; j += 3)
                values.push_back((a << 24) | (levels[i] << 16) | (levels[j] << 8) | levels[(i + j) % 16]);
    return values;
}

// Spread-out 32-bit values, alpha bytes included (which constant alpha ignores).
std::vector<std::uint32_t> hashed_32()
{
    std::vector<std::uint32_t> values;
    for (std::uint32_t i = 0; i < 64; ++i) values.push_back(i * 0x9E3779B9u);
    values.push_back(0xFFFFFFFFu);
    return values;
}

// Every source of the list against every destination of the list, one row.
template <typename Source, typename Dest>
void cross(const std::vector<Source>& sources, const std::vector<Dest>& dests, std::vector<Source>& source_row,
    std::vector<Dest>& dest_row)
{
    source_row.clear();
    dest_row.clear();
    for (Source s : sources)
        for (Dest d : dests) {
            source_row.push_back(s);
            dest_row.push_back(d);
        }
}

struct LevelGuard {
    CpuLevel saved = platform::gdi::cpu_level();
    ~LevelGuard() { platform::gdi::force_cpu_level(saved); }
};

bool supported(CpuLevel level) { return level <= platform::gdi::supported_cpu_level(); }

}  // namespace

// The reference kernels against the compositor the system drew with before
// them, every alpha over the colour grids: they match exactly.
TEST(BlendKernels, ReferenceGivesTheCompositorsPixelsExactly)
{
    const BlendKernels& reference = platform::gdi::blend_kernels_for(CpuLevel::scalar);
    std::vector<std::uint16_t> dests_565 = grid_565();
    std::vector<std::uint32_t> dests_32 = grid_32();
    std::vector<std::uint32_t> source_row;
    std::vector<std::uint16_t> expected_565, got_565;
    std::vector<std::uint32_t> expected_32, got_32;
    for (std::uint32_t alpha = 0; alpha < 256; ++alpha) {
        std::vector<std::uint32_t> sources = premultiplied_colours(alpha);
        cross(sources, dests_565, source_row, expected_565);
        got_565 = expected_565;
        composite_row(PIXMAN_a8r8g8b8, source_row, PIXMAN_r5g6b5, expected_565, 255);
        reference.premultiplied_to_565(got_565.data(), source_row.data(), static_cast<int>(got_565.size()));
        ASSERT_EQ(got_565, expected_565) << "per pixel onto 16 bits, alpha " << alpha;

        cross(sources, dests_32, source_row, expected_32);
        got_32 = expected_32;
        composite_row(PIXMAN_a8r8g8b8, source_row, PIXMAN_a8r8g8b8, expected_32, 255);
        reference.premultiplied_to_32(got_32.data(), source_row.data(), static_cast<int>(got_32.size()));
        ASSERT_EQ(got_32, expected_32) << "per pixel onto 32 bits, alpha " << alpha;
    }

    std::vector<std::uint16_t> sources_565 = source_grid_565(), source_row_565;
    std::vector<std::uint32_t> sources_32 = hashed_32();
    for (unsigned constant = 1; constant < 256; ++constant) {
        cross(sources_565, dests_565, source_row_565, expected_565);
        got_565 = expected_565;
        composite_row(PIXMAN_r5g6b5, source_row_565, PIXMAN_r5g6b5, expected_565, constant);
        reference.constant_565_to_565(
            got_565.data(), source_row_565.data(), static_cast<int>(got_565.size()), constant);
        ASSERT_EQ(got_565, expected_565) << "16 bits onto 16 bits, constant " << constant;

        cross(sources_32, dests_565, source_row, expected_565);
        got_565 = expected_565;
        composite_row(PIXMAN_x8r8g8b8, source_row, PIXMAN_r5g6b5, expected_565, constant);
        reference.constant_32_to_565(got_565.data(), source_row.data(), static_cast<int>(got_565.size()), constant);
        ASSERT_EQ(got_565, expected_565) << "32 bits onto 16 bits, constant " << constant;
    }
}

// Every level against the reference over the same grids, shifted so that no
// block starts aligned.
TEST(BlendKernels, EveryLevelMatchesTheReferenceOverTheGrids)
{
    const BlendKernels& reference = platform::gdi::blend_kernels_for(CpuLevel::scalar);
    std::vector<std::uint16_t> dests_565 = grid_565();
    std::vector<std::uint32_t> dests_32 = grid_32();
    for (CpuLevel level : all_levels) {
        if (!supported(level)) {
            ADD_FAILURE() << "this CPU lacks " << platform::gdi::cpu_level_name(level) << "; its kernels are untested";
            continue;
        }
        SCOPED_TRACE(platform::gdi::cpu_level_name(level));
        const BlendKernels& kernels = platform::gdi::blend_kernels_for(level);
        std::vector<std::uint32_t> source_row, expected_32, got_32;
        std::vector<std::uint16_t> expected_565, got_565;
        for (std::uint32_t alpha = 0; alpha < 256; ++alpha) {
            int shift = static_cast<int>(alpha % 16);
            cross(premultiplied_colours(alpha), dests_565, source_row, expected_565);
            int n = static_cast<int>(expected_565.size()) - shift;
            got_565 = expected_565;
            reference.premultiplied_to_565(expected_565.data() + shift, source_row.data() + shift, n);
            kernels.premultiplied_to_565(got_565.data() + shift, source_row.data() + shift, n);
            ASSERT_EQ(got_565, expected_565) << "per pixel onto 16 bits, alpha " << alpha;

            cross(premultiplied_colours(alpha), dests_32, source_row, expected_32);
            n = static_cast<int>(expected_32.size()) - shift;
            got_32 = expected_32;
            reference.premultiplied_to_32(expected_32.data() + shift, source_row.data() + shift, n);
            kernels.premultiplied_to_32(got_32.data() + shift, source_row.data() + shift, n);
            ASSERT_EQ(got_32, expected_32) << "per pixel onto 32 bits, alpha " << alpha;
        }
        std::vector<std::uint16_t> source_row_565;
        std::vector<std::uint32_t> sources_32 = hashed_32();
        for (unsigned constant = 1; constant < 256; ++constant) {
            int shift = static_cast<int>(constant % 16);
            cross(source_grid_565(), dests_565, source_row_565, expected_565);
            int n = static_cast<int>(expected_565.size()) - shift;
            got_565 = expected_565;
            reference.constant_565_to_565(expected_565.data() + shift, source_row_565.data() + shift, n, constant);
            kernels.constant_565_to_565(got_565.data() + shift, source_row_565.data() + shift, n, constant);
            ASSERT_EQ(got_565, expected_565) << "16 bits onto 16 bits, constant " << constant;

            cross(sources_32, dests_565, source_row, expected_565);
            n = static_cast<int>(expected_565.size()) - shift;
            got_565 = expected_565;
            reference.constant_32_to_565(expected_565.data() + shift, source_row.data() + shift, n, constant);
            kernels.constant_32_to_565(got_565.data() + shift, source_row.data() + shift, n, constant);
            ASSERT_EQ(got_565, expected_565) << "32 bits onto 16 bits, constant " << constant;
        }
    }
}

// Rows as pictures have them: runs of transparent and opaque pixels of every
// length, crossing block edges, at every start and every remainder length;
// nothing outside the row is touched.
TEST(BlendKernels, EveryLevelMatchesTheReferenceOnRunsStartsAndRemainders)
{
    const BlendKernels& reference = platform::gdi::blend_kernels_for(CpuLevel::scalar);
    std::mt19937 random(20261209);
    constexpr int size = 160;
    std::vector<std::uint32_t> source(size), dest_32(size);
    std::vector<std::uint16_t> source_565(size), dest_565(size);
    for (CpuLevel level : all_levels) {
        if (!supported(level)) continue;
        SCOPED_TRACE(platform::gdi::cpu_level_name(level));
        const BlendKernels& kernels = platform::gdi::blend_kernels_for(level);
        for (int round = 0; round < 40; ++round) {
            for (int i = 0; i < size;) {
                int run = 1 + static_cast<int>(random() % 40);
                int kind = static_cast<int>(random() % 3);
                for (int k = 0; k < run && i < size; ++k, ++i) {
                    std::uint32_t alpha = kind == 0 ? 0 : kind == 1 ? 255 : random() & 0xFF;
                    std::uint32_t colour = random() & 0xFFFFFF;
                    std::uint32_t r = ((colour >> 16) & 0xFF) * alpha / 255, g = ((colour >> 8) & 0xFF) * alpha / 255,
                                  b = (colour & 0xFF) * alpha / 255;
                    source[i] = (alpha << 24) | (r << 16) | (g << 8) | b;
                    source_565[i] = static_cast<std::uint16_t>(random());
                    dest_565[i] = static_cast<std::uint16_t>(random());
                    dest_32[i] = static_cast<std::uint32_t>(random());
                }
            }
            unsigned constant = 1 + random() % 255;
            for (int start = 0; start < 16; ++start)
                for (int count = 0; count < 48 && start + count < size; ++count) {
                    auto expected_565 = dest_565, got_565 = dest_565;
                    reference.premultiplied_to_565(expected_565.data() + start, source.data() + start, count);
                    kernels.premultiplied_to_565(got_565.data() + start, source.data() + start, count);
                    ASSERT_EQ(got_565, expected_565) << "start " << start << " count " << count;

                    auto expected_32 = dest_32, got_32 = dest_32;
                    reference.premultiplied_to_32(expected_32.data() + start, source.data() + start, count);
                    kernels.premultiplied_to_32(got_32.data() + start, source.data() + start, count);
                    ASSERT_EQ(got_32, expected_32) << "start " << start << " count " << count;

                    expected_565 = dest_565, got_565 = dest_565;
                    reference.constant_565_to_565(
                        expected_565.data() + start, source_565.data() + start, count, constant);
                    kernels.constant_565_to_565(got_565.data() + start, source_565.data() + start, count, constant);
                    ASSERT_EQ(got_565, expected_565) << "start " << start << " count " << count;

                    expected_565 = dest_565, got_565 = dest_565;
                    reference.constant_32_to_565(expected_565.data() + start, source.data() + start, count, constant);
                    kernels.constant_32_to_565(got_565.data() + start, source.data() + start, count, constant);
                    ASSERT_EQ(got_565, expected_565) << "start " << start << " count " << count;
                }
        }
    }
}

// A destination blended onto itself in place (source and destination the
// same pixels) reads each pixel before writing it, at every level.
TEST(BlendKernels, InPlaceBlendsMatchTheReference)
{
    std::mt19937 random(7);
    std::vector<std::uint32_t> pixels(101);
    for (auto& p : pixels) {
        std::uint32_t alpha = random() % 3 == 0 ? 255 : random() & 0xFF;
        p = (alpha << 24) | ((random() & 0xFF) * alpha / 255 << 16) | ((random() & 0xFF) * alpha / 255);
    }
    auto expected = pixels;
    platform::gdi::blend_kernels_for(CpuLevel::scalar)
        .premultiplied_to_32(expected.data(), std::vector<std::uint32_t>(pixels).data(), 101);
    for (CpuLevel level : all_levels) {
        if (!supported(level)) continue;
        auto got = pixels;
        platform::gdi::blend_kernels_for(level).premultiplied_to_32(got.data(), got.data(), 101);
        EXPECT_EQ(got, expected) << platform::gdi::cpu_level_name(level);
    }
}

TEST(BlendKernels, LevelCanBeForcedAndNamed)
{
    LevelGuard guard;
    for (CpuLevel level : all_levels) {
        if (!supported(level)) continue;
        EXPECT_EQ(platform::gdi::force_cpu_level(level), level);
        EXPECT_EQ(platform::gdi::cpu_level(), level);
        EXPECT_EQ(&platform::gdi::blend_kernels(), &platform::gdi::blend_kernels_for(level));
        EXPECT_EQ(platform::gdi::parse_cpu_level(platform::gdi::cpu_level_name(level)), level);
    }
    EXPECT_FALSE(platform::gdi::parse_cpu_level("avx512").has_value());
    EXPECT_FALSE(platform::gdi::parse_cpu_level("").has_value());
}
