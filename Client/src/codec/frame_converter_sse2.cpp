#include <cstring>

#include <emmintrin.h>

#include "codec/frame_converter.h"

namespace nimbral::detail {

namespace {

using V = __m128i;
constexpr int kLanes = 1;

inline V setZero() {
    return _mm_setzero_si128();
}
inline V set16(short a, short b, short c, short d) {
    return _mm_setr_epi16(a, b, c, d, a, b, c, d);
}
inline V set16All(short a) {
    return _mm_set1_epi16(a);
}
inline V set32(int a) {
    return _mm_set1_epi32(a);
}
inline V load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const V*>(p));
}
inline V unpackLo8(V a, V b) {
    return _mm_unpacklo_epi8(a, b);
}
inline V unpackHi8(V a, V b) {
    return _mm_unpackhi_epi8(a, b);
}
inline V madd(V a, V b) {
    return _mm_madd_epi16(a, b);
}
inline V add16(V a, V b) {
    return _mm_add_epi16(a, b);
}
inline V add32(V a, V b) {
    return _mm_add_epi32(a, b);
}
inline V unpackLo64(V a, V b) {
    return _mm_unpacklo_epi64(a, b);
}
inline V shiftRight32(V a, int n) {
    return _mm_srli_epi32(a, n);
}
inline V shiftRightArith32(V a, int n) {
    return _mm_srai_epi32(a, n);
}
inline V shiftRight16(V a, int n) {
    return _mm_srli_epi16(a, n);
}
inline V shiftBytesRight8(V a) {
    return _mm_srli_si128(a, 8);
}
// [a0+a1 a2+a3 b0+b1 b2+b3]: SSSE3's phaddd, spelled in SSE2.
inline V addPairs(V a, V b) {
    const __m128 fa = _mm_castsi128_ps(a);
    const __m128 fb = _mm_castsi128_ps(b);
    const V even = _mm_castps_si128(_mm_shuffle_ps(fa, fb, _MM_SHUFFLE(2, 0, 2, 0)));
    const V odd = _mm_castps_si128(_mm_shuffle_ps(fa, fb, _MM_SHUFFLE(3, 1, 3, 1)));
    return _mm_add_epi32(even, odd);
}
inline V interleaveUv(V a) {
    return _mm_shuffle_epi32(a, _MM_SHUFFLE(3, 1, 2, 0));
}
inline V packToBytes(V a) {
    const V words = _mm_packs_epi32(a, a);
    return _mm_packus_epi16(words, words);
}
inline void storeLanes4(std::uint8_t* p, V a) {
    const int word = _mm_cvtsi128_si32(a);
    std::memcpy(p, &word, 4);
}

inline V packFour(V a, V b, V c, V d) {
    return _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
}
inline void storeAll(std::uint8_t* p, V a) {
    _mm_storeu_si128(reinterpret_cast<V*>(p), a);
}

#include "codec/frame_converter_kernel.inc"

} // namespace

int convertRowsSse2(const std::uint8_t* src, int width, int evenWidth, int evenHeight,
                    int srcStride, std::uint8_t* dst) {
    return convertRowsKernel(src, width, evenWidth, evenHeight, srcStride, dst);
}

} // namespace nimbral::detail
