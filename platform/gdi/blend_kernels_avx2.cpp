// The blend kernels sixteen 16-bit lanes at a time, compiled for AVX2 function
// by function so the rest of the program runs on any x86-64; the tail of a row
// goes through the reference kernels so every pixel comes out the same.
#include <immintrin.h>

#include "platform/gdi/blend_kernels.h"

#define VELMOR_AVX2 __attribute__((target("avx2")))

namespace platform::gdi::avx2_kernels {

namespace {

// The kernels' constants, made once per call. Rebuilt from immediates at
// every use, as the compiler would do with more of them than registers, they
// cost three instructions each; held behind an empty asm, it keeps them in
// registers or reads them back from the stack.
struct Constants {
    __m256i round, spread, byte_max, red_field, green_field, blue_field, red_widen, green_widen, low_half, colour_bits,
        all_ones;
};

VELMOR_AVX2 inline __m256i held(__m256i value)
{
    asm volatile("" : "+x"(value));
    return value;
}

VELMOR_AVX2 inline Constants constants()
{
    return Constants {held(_mm256_set1_epi16(0x80)), held(_mm256_set1_epi16(0x0101)), held(_mm256_set1_epi16(0xFF)),
        held(_mm256_set1_epi16(static_cast<short>(0xF800))), held(_mm256_set1_epi16(0x07E0)),
        held(_mm256_set1_epi16(0x1F)), held(_mm256_set1_epi16(264)), held(_mm256_set1_epi16(8320)),
        held(_mm256_set1_epi32(0xFFFF)), held(_mm256_set1_epi32(0x00FFFFFF)), held(_mm256_set1_epi32(-1))};
}

// Products of two channels (16-bit lanes) divided by 255, rounded to nearest:
// (t * 257) >> 16 with t = x + 128 is (t + (t >> 8)) >> 8.
VELMOR_AVX2 inline __m256i multiply(const Constants& k, __m256i a, __m256i b)
{
    return _mm256_mulhi_epu16(_mm256_add_epi16(_mm256_mullo_epi16(a, b), k.round), k.spread);
}

// a + b x keep / 255, saturated at 255.
VELMOR_AVX2 inline __m256i over(const Constants& k, __m256i source, __m256i dest, __m256i keep)
{
    return _mm256_min_epi16(_mm256_add_epi16(source, multiply(k, dest, keep)), k.byte_max);
}

// The same for an opaque source scaled by a constant alpha, which cannot pass
// 255: alpha x s / 255 + (255 - alpha) x d / 255 is at most alpha + 255 - alpha.
VELMOR_AVX2 inline __m256i fade(const Constants& k, __m256i source, __m256i scale, __m256i dest, __m256i keep)
{
    return _mm256_add_epi16(multiply(k, source, scale), multiply(k, dest, keep));
}

struct Channels {
    __m256i r, g, b;
};

VELMOR_AVX2 inline Channels widen_565(const Constants& k, __m256i pixels)
{
    // Bit repetition as products: r * 33 >> 2 and g * 65 >> 4 taken from
    // the fields in place (r at bit 11, g at bit 5), b * 33 >> 2 from bit 0.
    __m256i r = _mm256_mulhi_epu16(_mm256_and_si256(pixels, k.red_field), k.red_widen);
    __m256i g = _mm256_mulhi_epu16(_mm256_and_si256(pixels, k.green_field), k.green_widen);
    __m256i b5 = _mm256_and_si256(pixels, k.blue_field);
    __m256i b = _mm256_srli_epi16(_mm256_add_epi16(_mm256_slli_epi16(b5, 5), b5), 2);
    return Channels {r, g, b};
}

VELMOR_AVX2 inline __m256i narrow_565(const Constants& k, const Channels& c)
{
    __m256i r = _mm256_and_si256(_mm256_slli_epi16(c.r, 8), k.red_field);
    __m256i g = _mm256_and_si256(_mm256_slli_epi16(c.g, 3), k.green_field);
    return _mm256_or_si256(_mm256_or_si256(r, g), _mm256_srli_epi16(c.b, 3));
}

// The four bytes of sixteen 32-bit pixels, each in 16-bit lanes. Work stays
// within each 128-bit half, so the lanes hold pixels 0-3, 8-11, 4-7, 12-15;
// the 16-bit pixels they meet are put in that order with in_pack_order.
struct Bytes {
    __m256i a, r, g, b;
};

VELMOR_AVX2 inline Bytes bytes_of(const Constants& k, __m256i first, __m256i second)
{
    // A pixel's low 16 bits hold green and blue, its high 16 bits alpha and
    // red: pack each half of the sixteen, then split the bytes.
    __m256i green_blue = _mm256_packus_epi32(_mm256_and_si256(first, k.low_half), _mm256_and_si256(second, k.low_half));
    __m256i alpha_red = _mm256_packus_epi32(_mm256_srli_epi32(first, 16), _mm256_srli_epi32(second, 16));
    return Bytes {_mm256_srli_epi16(alpha_red, 8), _mm256_and_si256(alpha_red, k.byte_max),
        _mm256_srli_epi16(green_blue, 8), _mm256_and_si256(green_blue, k.byte_max)};
}

// Swaps the middle two 64-bit quarters: natural order to pack order and back.
VELMOR_AVX2 inline __m256i in_pack_order(__m256i pixels) { return _mm256_permute4x64_epi64(pixels, 0xD8); }

VELMOR_AVX2 inline bool all_zero(__m256i pixels) { return _mm256_testz_si256(pixels, pixels) != 0; }

VELMOR_AVX2 inline bool all_opaque(const Constants& k, __m256i pixels)
{
    __m256i alpha_only = _mm256_or_si256(pixels, k.colour_bits);
    return _mm256_movemask_epi8(_mm256_cmpeq_epi32(alpha_only, k.all_ones)) == -1;
}

VELMOR_AVX2 inline __m256i load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
VELMOR_AVX2 inline void store(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }

}  // namespace

VELMOR_AVX2 void premultiplied_to_565(std::uint16_t* dest, const std::uint32_t* source, int count)
{
    int i = 0;
    Constants k = constants();
    for (; i + 16 <= count; i += 16) {
        __m256i s0 = load(source + i), s1 = load(source + i + 8);
        if (all_zero(_mm256_or_si256(s0, s1))) continue;
        Bytes bytes = bytes_of(k, s0, s1);
        Channels s {bytes.r, bytes.g, bytes.b};
        if (all_opaque(k, _mm256_and_si256(s0, s1))) {
            store(dest + i, in_pack_order(narrow_565(k, s)));
            continue;
        }
        __m256i keep = _mm256_sub_epi16(k.byte_max, bytes.a);
        Channels d = widen_565(k, in_pack_order(load(dest + i)));
        store(dest + i,
            in_pack_order(
                narrow_565(k, Channels {over(k, s.r, d.r, keep), over(k, s.g, d.g, keep), over(k, s.b, d.b, keep)})));
    }
    sse2_kernels::premultiplied_to_565(dest + i, source + i, count - i);
}

VELMOR_AVX2 void premultiplied_to_32(std::uint32_t* dest, const std::uint32_t* source, int count)
{
    int i = 0;
    Constants k = constants();
    __m256i zero = _mm256_setzero_si256();
    __m256i byte_max = k.byte_max;
    for (; i + 8 <= count; i += 8) {
        __m256i s = load(source + i);
        if (all_zero(s)) continue;
        if (all_opaque(k, s)) {
            store(dest + i, s);
            continue;
        }
        __m256i d = load(dest + i);
        __m256i s_low = _mm256_unpacklo_epi8(s, zero), s_high = _mm256_unpackhi_epi8(s, zero);
        __m256i keep_low =
            _mm256_xor_si256(_mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s_low, 0xFF), 0xFF), byte_max);
        __m256i keep_high =
            _mm256_xor_si256(_mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s_high, 0xFF), 0xFF), byte_max);
        __m256i low = multiply(k, _mm256_unpacklo_epi8(d, zero), keep_low);
        __m256i high = multiply(k, _mm256_unpackhi_epi8(d, zero), keep_high);
        store(dest + i, _mm256_adds_epu8(s, _mm256_packus_epi16(low, high)));
    }
    sse2_kernels::premultiplied_to_32(dest + i, source + i, count - i);
}

VELMOR_AVX2 void constant_565_to_565(std::uint16_t* dest, const std::uint16_t* source, int count, unsigned alpha)
{
    int i = 0;
    Constants k = constants();
    __m256i scale = _mm256_set1_epi16(static_cast<short>(alpha));
    __m256i keep = _mm256_set1_epi16(static_cast<short>(255 - alpha));
    for (; i + 16 <= count; i += 16) {
        Channels s = widen_565(k, load(source + i));
        Channels d = widen_565(k, load(dest + i));
        store(dest + i,
            narrow_565(k,
                Channels {
                    fade(k, s.r, scale, d.r, keep), fade(k, s.g, scale, d.g, keep), fade(k, s.b, scale, d.b, keep)}));
    }
    sse2_kernels::constant_565_to_565(dest + i, source + i, count - i, alpha);
}

VELMOR_AVX2 void constant_32_to_565(std::uint16_t* dest, const std::uint32_t* source, int count, unsigned alpha)
{
    int i = 0;
    Constants k = constants();
    __m256i scale = _mm256_set1_epi16(static_cast<short>(alpha));
    __m256i keep = _mm256_set1_epi16(static_cast<short>(255 - alpha));
    for (; i + 16 <= count; i += 16) {
        Bytes s = bytes_of(k, load(source + i), load(source + i + 8));
        Channels d = widen_565(k, in_pack_order(load(dest + i)));
        store(dest + i,
            in_pack_order(narrow_565(k,
                Channels {
                    fade(k, s.r, scale, d.r, keep), fade(k, s.g, scale, d.g, keep), fade(k, s.b, scale, d.b, keep)})));
    }
    sse2_kernels::constant_32_to_565(dest + i, source + i, count - i, alpha);
}

}  // namespace platform::gdi::avx2_kernels
