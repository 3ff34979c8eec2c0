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
inline V swapPairs(V a) {
    return _mm_shuffle_epi32(a, _MM_SHUFFLE(2, 3, 0, 1));
}
inline V pickEven(V a) {
    return _mm_shuffle_epi32(a, _MM_SHUFFLE(3, 1, 2, 0));
}
inline V unpackLo64(V a, V b) {
    return _mm_unpacklo_epi64(a, b);
}
inline V unpackLo32(V a, V b) {
    return _mm_unpacklo_epi32(a, b);
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
inline V packToBytes(V a) {
    const V words = _mm_packs_epi32(a, a);
    return _mm_packus_epi16(words, words);
}
inline void storeLanes4(std::uint8_t* p, V a) {
    const int word = _mm_cvtsi128_si32(a);
    std::memcpy(p, &word, 4);
}

#include "codec/frame_converter_kernel.inc"

} // namespace

int convertRowsSse2(const std::uint8_t* src, int width, int evenWidth, int evenHeight,
                    int srcStride, std::uint8_t* dst) {
    return convertRowsKernel(src, width, evenWidth, evenHeight, srcStride, dst);
}

} // namespace nimbral::detail
