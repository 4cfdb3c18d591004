// The blend kernels eight 16-bit lanes at a time; the tail of a row goes
// through the reference kernels so every pixel comes out the same.
#include <emmintrin.h>

#include "platform/gdi/blend_kernels.h"

namespace platform::gdi::sse2_kernels {

namespace {

// Products of two channels (16-bit lanes) divided by 255, rounded to nearest:
// (t * 257) >> 16 with t = x + 128 is (t + (t >> 8)) >> 8.
inline __m128i divide_255(__m128i product)
{
    return _mm_mulhi_epu16(_mm_add_epi16(product, _mm_set1_epi16(0x80)), _mm_set1_epi16(0x0101));
}

inline __m128i multiply(__m128i a, __m128i b) { return divide_255(_mm_mullo_epi16(a, b)); }

// a + b x keep / 255, saturated at 255.
inline __m128i over(__m128i source, __m128i dest, __m128i keep)
{
    return _mm_min_epi16(_mm_add_epi16(source, multiply(dest, keep)), _mm_set1_epi16(0xFF));
}

// The same for an opaque source scaled by a constant alpha, which cannot pass
// 255: alpha x s / 255 + (255 - alpha) x d / 255 is at most alpha + 255 - alpha.
inline __m128i fade(__m128i source, __m128i scale, __m128i dest, __m128i keep)
{
    return _mm_add_epi16(multiply(source, scale), multiply(dest, keep));
}

struct Channels {
    __m128i r, g, b;
};

inline Channels widen_565(__m128i pixels)
{
    // Bit repetition as products: r * 33 >> 2 and g * 65 >> 4 taken from
    // the fields in place (r at bit 11, g at bit 5), b * 33 >> 2 from bit 0.
    __m128i r = _mm_mulhi_epu16(_mm_and_si128(pixels, _mm_set1_epi16(static_cast<short>(0xF800))), _mm_set1_epi16(264));
    __m128i g = _mm_mulhi_epu16(_mm_and_si128(pixels, _mm_set1_epi16(0x07E0)), _mm_set1_epi16(8320));
    __m128i b = _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(pixels, _mm_set1_epi16(0x1F)), _mm_set1_epi16(33)), 2);
    return Channels {r, g, b};
}

inline __m128i narrow_565(const Channels& c)
{
    __m128i r = _mm_and_si128(_mm_slli_epi16(c.r, 8), _mm_set1_epi16(static_cast<short>(0xF800)));
    __m128i g = _mm_and_si128(_mm_slli_epi16(c.g, 3), _mm_set1_epi16(0x07E0));
    return _mm_or_si128(_mm_or_si128(r, g), _mm_srli_epi16(c.b, 3));
}

// The four bytes of eight 32-bit pixels, each in 16-bit lanes. A pixel's low
// 16 bits hold green and blue, its high 16 bits alpha and red; each half is
// sign-extended so the signed pack keeps its bits.
struct Bytes {
    __m128i a, r, g, b;
};

inline Bytes bytes_of(__m128i first, __m128i second)
{
    __m128i green_blue =
        _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(first, 16), 16), _mm_srai_epi32(_mm_slli_epi32(second, 16), 16));
    __m128i alpha_red = _mm_packs_epi32(_mm_srai_epi32(first, 16), _mm_srai_epi32(second, 16));
    __m128i low_byte = _mm_set1_epi16(0xFF);
    return Bytes {_mm_srli_epi16(alpha_red, 8), _mm_and_si128(alpha_red, low_byte), _mm_srli_epi16(green_blue, 8),
        _mm_and_si128(green_blue, low_byte)};
}

inline bool all_zero(__m128i pixels)
{
    return _mm_movemask_epi8(_mm_cmpeq_epi32(pixels, _mm_setzero_si128())) == 0xFFFF;
}

inline bool all_opaque(__m128i pixels)
{
    __m128i alpha_only = _mm_or_si128(pixels, _mm_set1_epi32(0x00FFFFFF));
    return _mm_movemask_epi8(_mm_cmpeq_epi32(alpha_only, _mm_set1_epi32(-1))) == 0xFFFF;
}

}  // namespace

void premultiplied_to_565(std::uint16_t* dest, const std::uint32_t* source, int count)
{
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i + 4));
        if (all_zero(_mm_or_si128(s0, s1))) continue;
        Bytes bytes = bytes_of(s0, s1);
        Channels s {bytes.r, bytes.g, bytes.b};
        auto out = reinterpret_cast<__m128i*>(dest + i);
        if (all_opaque(_mm_and_si128(s0, s1))) {
            _mm_storeu_si128(out, narrow_565(s));
            continue;
        }
        __m128i keep = _mm_sub_epi16(_mm_set1_epi16(0xFF), bytes.a);
        Channels d = widen_565(_mm_loadu_si128(out));
        _mm_storeu_si128(out, narrow_565(Channels {over(s.r, d.r, keep), over(s.g, d.g, keep), over(s.b, d.b, keep)}));
    }
    scalar_kernels::premultiplied_to_565(dest + i, source + i, count - i);
}

void premultiplied_to_32(std::uint32_t* dest, const std::uint32_t* source, int count)
{
    int i = 0;
    __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= count; i += 4) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        if (all_zero(s)) continue;
        auto out = reinterpret_cast<__m128i*>(dest + i);
        if (all_opaque(s)) {
            _mm_storeu_si128(out, s);
            continue;
        }
        __m128i d = _mm_loadu_si128(out);
        auto keep = [](__m128i wide) {
            __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, 0xFF), 0xFF);
            return _mm_xor_si128(alpha, _mm_set1_epi16(0xFF));
        };
        __m128i low = multiply(_mm_unpacklo_epi8(d, zero), keep(_mm_unpacklo_epi8(s, zero)));
        __m128i high = multiply(_mm_unpackhi_epi8(d, zero), keep(_mm_unpackhi_epi8(s, zero)));
        _mm_storeu_si128(out, _mm_adds_epu8(s, _mm_packus_epi16(low, high)));
    }
    scalar_kernels::premultiplied_to_32(dest + i, source + i, count - i);
}

void constant_565_to_565(std::uint16_t* dest, const std::uint16_t* source, int count, unsigned alpha)
{
    int i = 0;
    __m128i scale = _mm_set1_epi16(static_cast<short>(alpha));
    __m128i keep = _mm_set1_epi16(static_cast<short>(255 - alpha));
    for (; i + 8 <= count; i += 8) {
        Channels s = widen_565(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i)));
        auto out = reinterpret_cast<__m128i*>(dest + i);
        Channels d = widen_565(_mm_loadu_si128(out));
        _mm_storeu_si128(out,
            narrow_565(
                Channels {fade(s.r, scale, d.r, keep), fade(s.g, scale, d.g, keep), fade(s.b, scale, d.b, keep)}));
    }
    scalar_kernels::constant_565_to_565(dest + i, source + i, count - i, alpha);
}

void constant_32_to_565(std::uint16_t* dest, const std::uint32_t* source, int count, unsigned alpha)
{
    int i = 0;
    __m128i scale = _mm_set1_epi16(static_cast<short>(alpha));
    __m128i keep = _mm_set1_epi16(static_cast<short>(255 - alpha));
    for (; i + 8 <= count; i += 8) {
        __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i + 4));
        auto out = reinterpret_cast<__m128i*>(dest + i);
        Bytes s = bytes_of(s0, s1);
        Channels d = widen_565(_mm_loadu_si128(out));
        _mm_storeu_si128(out,
            narrow_565(
                Channels {fade(s.r, scale, d.r, keep), fade(s.g, scale, d.g, keep), fade(s.b, scale, d.b, keep)}));
    }
    scalar_kernels::constant_32_to_565(dest + i, source + i, count - i, alpha);
}

}  // namespace platform::gdi::sse2_kernels
