#include <cstring>

#include <immintrin.h>

#include "codec/frame_converter.h"

namespace nimbral::detail {

namespace {

using V = __m256i;
constexpr int kLanes = 2;

inline V setZero() {
    return _mm256_setzero_si256();
}
inline V set16(short a, short b, short c, short d) {
    return _mm256_setr_epi16(a, b, c, d, a, b, c, d, a, b, c, d, a, b, c, d);
}
inline V set16All(short a) {
    return _mm256_set1_epi16(a);
}
inline V set32(int a) {
    return _mm256_set1_epi32(a);
}
inline V load(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const V*>(p));
}
inline V unpackLo8(V a, V b) {
    return _mm256_unpacklo_epi8(a, b);
}
inline V unpackHi8(V a, V b) {
    return _mm256_unpackhi_epi8(a, b);
}
inline V madd(V a, V b) {
    return _mm256_madd_epi16(a, b);
}
inline V add16(V a, V b) {
    return _mm256_add_epi16(a, b);
}
inline V add32(V a, V b) {
    return _mm256_add_epi32(a, b);
}
inline V unpackLo64(V a, V b) {
    return _mm256_unpacklo_epi64(a, b);
}
inline V shiftRight32(V a, int n) {
    return _mm256_srli_epi32(a, n);
}
inline V shiftRightArith32(V a, int n) {
    return _mm256_srai_epi32(a, n);
}
inline V shiftRight16(V a, int n) {
    return _mm256_srli_epi16(a, n);
}
inline V shiftBytesRight8(V a) {
    return _mm256_srli_si256(a, 8);
}
// [a0+a1 a2+a3 b0+b1 b2+b3] in each 128-bit lane.
inline V addPairs(V a, V b) {
    return _mm256_hadd_epi32(a, b);
}
inline V interleaveUv(V a) {
    return _mm256_shuffle_epi32(a, _MM_SHUFFLE(3, 1, 2, 0));
}
inline V packToBytes(V a) {
    const V words = _mm256_packs_epi32(a, a);
    return _mm256_packus_epi16(words, words);
}
// Each 128-bit lane holds the four results of its own four pixels: gather both into the low
// eight bytes and store them at once.
inline void storeLanes4(std::uint8_t* p, V a) {
    const V gathered = _mm256_permutevar8x32_epi32(a, _mm256_setr_epi32(0, 4, 0, 0, 0, 0, 0, 0));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(gathered));
}

// Four steps' results (32-bit, each lane in pixel order) as bytes in pixel order: the packs
// work per lane, so the 4-byte groups come out as [s0 s1 s2 s3 | s0' s1' s2' s3'] and the
// permutation puts each step's two lanes side by side.
inline V packFour(V a, V b, V c, V d) {
    const V bytes = _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));
    return _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}
inline void storeAll(std::uint8_t* p, V a) {
    _mm256_storeu_si256(reinterpret_cast<V*>(p), a);
}

#include "codec/frame_converter_kernel.inc"

} // namespace

int convertRowsAvx2(const std::uint8_t* src, int width, int evenWidth, int evenHeight,
                    int srcStride, std::uint8_t* dst) {
    return convertRowsKernel(src, width, evenWidth, evenHeight, srcStride, dst);
}

} // namespace nimbral::detail
