// Which blend kernels run: chosen once from the CPU and VELMOR_CPU.
#include <atomic>
#include <cstdlib>

#include "platform/gdi/blend_kernels.h"

namespace platform::gdi {

namespace {

constexpr BlendKernels scalar_table {scalar_kernels::premultiplied_to_565, scalar_kernels::premultiplied_to_32,
    scalar_kernels::constant_565_to_565, scalar_kernels::constant_32_to_565};
constexpr BlendKernels sse2_table {sse2_kernels::premultiplied_to_565, sse2_kernels::premultiplied_to_32,
    sse2_kernels::constant_565_to_565, sse2_kernels::constant_32_to_565};
constexpr BlendKernels avx2_table {avx2_kernels::premultiplied_to_565, avx2_kernels::premultiplied_to_32,
    avx2_kernels::constant_565_to_565, avx2_kernels::constant_32_to_565};

CpuLevel detect()
{
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return CpuLevel::avx2;
    if (__builtin_cpu_supports("sse2")) return CpuLevel::sse2;
    return CpuLevel::scalar;
}

CpuLevel initial_level()
{
    CpuLevel level = supported_cpu_level();
    if (const char* asked = std::getenv("VELMOR_CPU")) {
        // An unknown name or a level this CPU lacks keeps the best it has.
        if (auto parsed = parse_cpu_level(asked); parsed && *parsed < level) level = *parsed;
    }
    return level;
}

std::atomic<const BlendKernels*>& current()
{
    static std::atomic<const BlendKernels*> kernels {&blend_kernels_for(initial_level())};
    return kernels;
}

}  // namespace

const BlendKernels& blend_kernels_for(CpuLevel level)
{
    switch (level) {
    case CpuLevel::avx2:
        return avx2_table;
    case CpuLevel::sse2:
        return sse2_table;
    case CpuLevel::scalar:
        break;
    }
    return scalar_table;
}

const BlendKernels& blend_kernels() { return *current().load(std::memory_order_relaxed); }

CpuLevel supported_cpu_level()
{
    static const CpuLevel level = detect();
    return level;
}

CpuLevel cpu_level()
{
    const BlendKernels* kernels = current().load(std::memory_order_relaxed);
    if (kernels == &avx2_table) return CpuLevel::avx2;
    if (kernels == &sse2_table) return CpuLevel::sse2;
    return CpuLevel::scalar;
}

CpuLevel force_cpu_level(CpuLevel level)
{
    if (level > supported_cpu_level()) level = supported_cpu_level();
    current().store(&blend_kernels_for(level), std::memory_order_relaxed);
    return level;
}

std::optional<CpuLevel> parse_cpu_level(std::string_view name)
{
    if (name == "scalar") return CpuLevel::scalar;
    if (name == "sse2") return CpuLevel::sse2;
    if (name == "avx2") return CpuLevel::avx2;
    return std::nullopt;
}

const char* cpu_level_name(CpuLevel level)
{
    switch (level) {
    case CpuLevel::avx2:
        return "avx2";
    case CpuLevel::sse2:
        return "sse2";
    case CpuLevel::scalar:
        break;
    }
    return "scalar";
}

}  // namespace platform::gdi
