// The vector kernels on four lanes (AVX2): the operations of this width, and
// the kernels' shape from lane_kernels.inc, compiled for this target.
#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "defocus/fractional_box/lane_kernels.hpp"
#include "defocus/fractional_box/vector_lanes.hpp"

#if defined(__x86_64__)
#include <immintrin.h>

namespace bmp::fracbox {
namespace {

constexpr int lanes = 4;

#define BOX_TARGET BMP_AVX2
#define BOX_INLINE BMP_AVX2_INLINE

using Doubles = __m256d;
using Ints = __m128i;
using Mask = __m256d;

BOX_INLINE Doubles broadcast(double v) { return _mm256_set1_pd(v); }
BOX_INLINE Doubles load(const double* p) { return _mm256_loadu_pd(p); }
BOX_INLINE void store(double* p, Doubles v) { _mm256_storeu_pd(p, v); }
BOX_INLINE Doubles add(Doubles a, Doubles b) { return _mm256_add_pd(a, b); }
BOX_INLINE Doubles sub(Doubles a, Doubles b) { return _mm256_sub_pd(a, b); }
BOX_INLINE Doubles div(Doubles a, Doubles b) { return _mm256_div_pd(a, b); }
BOX_INLINE Doubles mul(Doubles a, Doubles b) { return _mm256_mul_pd(a, b); }

BOX_INLINE Mask at_least(Doubles a, Doubles b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
BOX_INLINE Mask below(Doubles a, Doubles b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
BOX_INLINE Mask equal(Doubles a, Doubles b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
BOX_INLINE Mask both(Mask a, Mask b) { return _mm256_and_pd(a, b); }
BOX_INLINE Mask either(Mask a, Mask b) { return _mm256_or_pd(a, b); }
BOX_INLINE Mask but_not(Mask a, Mask b) { return _mm256_andnot_pd(b, a); }
BOX_INLINE bool any(Mask m) { return _mm256_movemask_pd(m) != 0; }
// b in the lanes of m, a in the others.
BOX_INLINE Doubles choose(Mask m, Doubles a, Doubles b) { return _mm256_blendv_pd(a, b, m); }

// 2^(e + 1) for each lane's s in [2^e, 2^(e + 1)), as power_above.
BOX_INLINE Doubles powers_above(Doubles s) {
  const __m256i exponent =
      _mm256_and_si256(_mm256_castpd_si256(s), _mm256_set1_epi64x(0x7ff0000000000000ll));
  return _mm256_castsi256_pd(_mm256_add_epi64(exponent, _mm256_set1_epi64x(int64_t{1} << 52)));
}

BOX_INLINE Ints broadcast_int(int32_t v) { return _mm_set1_epi32(v); }
BOX_INLINE Ints load_ints(const uint32_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
BOX_INLINE Ints add_ints(Ints a, Ints b) { return _mm_add_epi32(a, b); }
BOX_INLINE Ints sub_ints(Ints a, Ints b) { return _mm_sub_epi32(a, b); }
BOX_INLINE Doubles doubles(Ints v) { return _mm256_cvtepi32_pd(v); }
BOX_INLINE Ints truncated(Doubles v) { return _mm256_cvttpd_epi32(v); }
// Bit l set where lane l of a and b differ.
BOX_INLINE unsigned unequal(Ints a, Ints b) {
  return ~static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a, b)))) & 0xfu;
}
// The lanes' low bytes (each 0 .. 255, or to be written over) into out[0..3].
BOX_INLINE void store_bytes(uint8_t* out, Ints v) {
  const __m128i words = _mm_packus_epi32(v, v);
  const int32_t bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
  std::memcpy(out, &bytes, 4);
}

// Bytes 0, 3, 6 and 9 from `at` on, zero-extended: one channel of four
// neighbouring pixels.
BOX_INLINE Ints channel_ints(const uint8_t* at) {
  const __m128i pick = _mm_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1);
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), pick);
}
BOX_INLINE Doubles channel_values(const uint8_t* at) { return doubles(channel_ints(at)); }

// Lane l: the sum of the lanes of `step` below l.
BOX_INLINE Ints sums_before(Ints step) {
  step = _mm_slli_si128(step, 4);
  step = _mm_add_epi32(step, _mm_slli_si128(step, 4));
  return _mm_add_epi32(step, _mm_slli_si128(step, 8));
}

// Twelve bytes from `at` on, zero-extended to 32 bits, four a vector: the
// three channels of four neighbouring pixels, lane j for pixel j / 3.
BOX_INLINE void byte_parts(const uint8_t* at, Ints* out) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  out[0] = _mm_cvtepu8_epi32(bytes);
  out[1] = _mm_cvtepu8_epi32(_mm_srli_si128(bytes, 4));
  out[2] = _mm_cvtepu8_epi32(_mm_srli_si128(bytes, 8));
}

// Each of four pixels' value v[l] in the lanes byte_parts gives its pixel:
// lanes (0 0 0 1), (1 1 2 2), (2 3 3 3).
BOX_INLINE void pixel_parts(const double* v, Doubles* out) {
  const __m256d four = _mm256_loadu_pd(v);
  out[0] = _mm256_permute4x64_pd(four, 0x40);
  out[1] = _mm256_permute4x64_pd(four, 0xa5);
  out[2] = _mm256_permute4x64_pd(four, 0xfe);
}

}  // namespace
}  // namespace bmp::fracbox

#include "defocus/fractional_box/lane_kernels.inc"

#undef BOX_TARGET
#undef BOX_INLINE
#endif
