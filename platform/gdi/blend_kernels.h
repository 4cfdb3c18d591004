// The row kernels behind AlphaBlend's common cases, in a portable reference
// version and SSE2 and AVX2 versions that give the same pixels bit for bit.
// The level is chosen once from the CPU; VELMOR_CPU=scalar|sse2|avx2 (or
// force_cpu_level) asks for a lower one, to compare or to test them.
//
// The arithmetic is that of 8-bit compositing: 16-bit pixels are widened by
// bit repetition and narrowed by dropping low bits, every product of two
// channels is divided by 255 rounding to nearest, and sums saturate at 255.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform::gdi {

enum class CpuLevel { scalar, sse2, avx2 };

struct BlendKernels {
    // Premultiplied 32-bit source over the destination, per pixel alpha.
    void (*premultiplied_to_565)(std::uint16_t* dest, const std::uint32_t* source, int count);
    void (*premultiplied_to_32)(std::uint32_t* dest, const std::uint32_t* source, int count);
    // Opaque source scaled by a constant alpha (1..255) over the destination;
    // the alpha byte of a 32-bit source is ignored.
    void (*constant_565_to_565)(std::uint16_t* dest, const std::uint16_t* source, int count, unsigned alpha);
    void (*constant_32_to_565)(std::uint16_t* dest, const std::uint32_t* source, int count, unsigned alpha);
};

// The kernels of one level; the level must be supported by this CPU.
const BlendKernels& blend_kernels_for(CpuLevel level);

// The kernels AlphaBlend uses now.
const BlendKernels& blend_kernels();

// The highest level this CPU runs.
CpuLevel supported_cpu_level();
// The level in use: the supported one, or lower if VELMOR_CPU asked for it.
CpuLevel cpu_level();
// Uses the given level (at most the supported one) from now on; returns the
// level now in use.
CpuLevel force_cpu_level(CpuLevel level);

std::optional<CpuLevel> parse_cpu_level(std::string_view name);
const char* cpu_level_name(CpuLevel level);

namespace scalar_kernels {
void premultiplied_to_565(std::uint16_t* dest, const std::uint32_t* source, int count);
void premultiplied_to_32(std::uint32_t* dest, const std::uint32_t* source, int count);
void constant_565_to_565(std::uint16_t* dest, const std::uint16_t* source, int count, unsigned alpha);
void constant_32_to_565(std::uint16_t* dest, const std::uint32_t* source, int count, unsigned alpha);
}  // namespace scalar_kernels

namespace sse2_kernels {
void premultiplied_to_565(std::uint16_t* dest, const std::uint32_t* source, int count);
void premultiplied_to_32(std::uint32_t* dest, const std::uint32_t* source, int count);
void constant_565_to_565(std::uint16_t* dest, const std::uint16_t* source, int count, unsigned alpha);
void constant_32_to_565(std::uint16_t* dest, const std::uint32_t* source, int count, unsigned alpha);
}  // namespace sse2_kernels

namespace avx2_kernels {
void premultiplied_to_565(std::uint16_t* dest, const std::uint32_t* source, int count);
void premultiplied_to_32(std::uint32_t* dest, const std::uint32_t* source, int count);
void constant_565_to_565(std::uint16_t* dest, const std::uint16_t* source, int count, unsigned alpha);
void constant_32_to_565(std::uint16_t* dest, const std::uint32_t* source, int count, unsigned alpha);
}  // namespace avx2_kernels

}  // namespace platform::gdi
