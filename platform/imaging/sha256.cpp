#include "platform/imaging/sha256.h"

#include <cpuid.h>
#include <immintrin.h>

#include <cstring>

#include "platform/gdi/blend_kernels.h"

namespace platform::imaging {

namespace {

constexpr std::uint32_t round_constants[64] = {0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1,
    0x923f82a4, 0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7,
    0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85,
    0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
    0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116, 0x1e376c08, 0x2748774c,
    0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3, 0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208,
    0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

std::uint32_t load_big_endian(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// The CPU's SHA extensions: about six times the portable rounds. Used where
// the CPU has them, unless the drawing kernels were asked to stay scalar
// (which is how the portable rounds are tested on such a CPU).
bool cpu_has_sha_extensions()
{
    static const bool has = [] {
        unsigned a, b, c, d;
        if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
        bool ssse3 = (c & bit_SSSE3) != 0, sse41 = (c & bit_SSE4_1) != 0;
        if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
        return ssse3 && sse41 && (b & bit_SHA) != 0;
    }();
    return has;
}

[[gnu::target("sha,sse4.1,ssse3")]] void compress_with_extensions(
    std::array<std::uint32_t, 8>& state, const std::uint8_t* blocks, std::size_t count)
{
    const __m128i byte_swap = _mm_set_epi64x(0x0c0d0e0f08090a0bll, 0x0405060700010203ll);
    // The instructions keep the state as ABEF and CDGH.
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0]));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4]));
    __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
    for (; count > 0; --count, blocks += 64) {
        __m128i abef_before = abef, cdgh_before = cdgh;
        __m128i words[16];
        for (int group = 0; group < 16; ++group) {
            if (group < 4) {
                words[group] =
                    _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * group)), byte_swap);
            } else {
                __m128i w = _mm_sha256msg1_epu32(words[group - 4], words[group - 3]);
                w = _mm_add_epi32(w, _mm_alignr_epi8(words[group - 1], words[group - 2], 4));
                words[group] = _mm_sha256msg2_epu32(w, words[group - 1]);
            }
            __m128i message = _mm_add_epi32(
                words[group], _mm_loadu_si128(reinterpret_cast<const __m128i*>(&round_constants[4 * group])));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(message, 0x0E));
        }
        abef = _mm_add_epi32(abef, abef_before);
        cdgh = _mm_add_epi32(cdgh, cdgh_before);
    }
    __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), _mm_alignr_epi8(dchg, feba, 8));
}

}  // namespace

Sha256::Sha256()
    : state_ {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19}
{
}

void Sha256::compress(const std::uint8_t* blocks, std::size_t count)
{
    if (count > 0 && cpu_has_sha_extensions() && gdi::cpu_level() != gdi::CpuLevel::scalar) {
        compress_with_extensions(state_, blocks, count);
        return;
    }
    for (; count > 0; --count, blocks += 64) {
        std::uint32_t w[64];
        for (int i = 0; i < 16; ++i) w[i] = load_big_endian(blocks + 4 * i);
        for (int i = 16; i < 64; ++i) {
            std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
        std::uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t t1 =
                h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + round_constants[i] + w[i];
            std::uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        state_[0] += a;
        state_[1] += b;
        state_[2] += c;
        state_[3] += d;
        state_[4] += e;
        state_[5] += f;
        state_[6] += g;
        state_[7] += h;
    }
}

void Sha256::add(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty()) return;  // an empty span's data may be null, which memcpy must not see
    total_ += bytes.size();
    if (pending_size_ > 0) {
        std::size_t take = std::min(bytes.size(), pending_.size() - pending_size_);
        std::memcpy(pending_.data() + pending_size_, bytes.data(), take);
        pending_size_ += take;
        bytes = bytes.subspan(take);
        if (pending_size_ < pending_.size()) return;
        compress(pending_.data(), 1);
        pending_size_ = 0;
    }
    std::size_t whole = bytes.size() / 64;
    compress(bytes.data(), whole);
    bytes = bytes.subspan(whole * 64);
    std::memcpy(pending_.data(), bytes.data(), bytes.size());
    pending_size_ = bytes.size();
}

Sha256::Digest Sha256::finish()
{
    std::uint64_t bits = total_ * 8;
    std::uint8_t tail[72] = {0x80};
    // Pads to 56 bytes past a block boundary, then the length in bits.
    std::size_t padding = (pending_size_ < 56 ? 56 : 120) - pending_size_;
    for (int i = 0; i < 8; ++i) tail[padding + std::size_t(i)] = std::uint8_t(bits >> (56 - 8 * i));
    add(std::span(tail, padding + 8));
    Digest digest;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j)
            digest[std::size_t(4 * i + j)] = std::uint8_t(state_[std::size_t(i)] >> (24 - 8 * j));
    return digest;
}

Sha256::Digest Sha256::of(std::span<const std::uint8_t> bytes)
{
    Sha256 sha;
    sha.add(bytes);
    return sha.finish();
}

}  // namespace platform::imaging
