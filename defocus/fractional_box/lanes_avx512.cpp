// The vector kernels on eight lanes (AVX-512 with byte permutes): the
// operations of this width, and the kernels' shape from lane_kernels.inc,
// compiled for this target.
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

BMP_AVX512_WARNINGS_OFF

namespace bmp::fracbox {
namespace {

constexpr int lanes = 8;

#define BOX_TARGET BMP_AVX512
#define BOX_INLINE BMP_AVX512_INLINE

using Doubles = __m512d;
using Ints = __m256i;
using Mask = __mmask8;

BOX_INLINE Doubles broadcast(double v) { return _mm512_set1_pd(v); }
BOX_INLINE Doubles load(const double* p) { return _mm512_loadu_pd(p); }
BOX_INLINE void store(double* p, Doubles v) { _mm512_storeu_pd(p, v); }
BOX_INLINE Doubles add(Doubles a, Doubles b) { return _mm512_add_pd(a, b); }
BOX_INLINE Doubles sub(Doubles a, Doubles b) { return _mm512_sub_pd(a, b); }
BOX_INLINE Doubles div(Doubles a, Doubles b) { return _mm512_div_pd(a, b); }
BOX_INLINE Doubles mul(Doubles a, Doubles b) { return _mm512_mul_pd(a, b); }

BOX_INLINE Mask at_least(Doubles a, Doubles b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
BOX_INLINE Mask below(Doubles a, Doubles b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
BOX_INLINE Mask equal(Doubles a, Doubles b) { return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ); }
BOX_INLINE Mask both(Mask a, Mask b) { return static_cast<Mask>(a & b); }
BOX_INLINE Mask either(Mask a, Mask b) { return static_cast<Mask>(a | b); }
BOX_INLINE Mask but_not(Mask a, Mask b) { return static_cast<Mask>(a & ~b); }
BOX_INLINE bool any(Mask m) { return m != 0; }
// b in the lanes of m, a in the others.
BOX_INLINE Doubles choose(Mask m, Doubles a, Doubles b) { return _mm512_mask_blend_pd(m, a, b); }

// 2^(e + 1) for each lane's s in [2^e, 2^(e + 1)), as power_above.
BOX_INLINE Doubles powers_above(Doubles s) {
  const __m512i exponent =
      _mm512_and_si512(_mm512_castpd_si512(s), _mm512_set1_epi64(0x7ff0000000000000ll));
  return _mm512_castsi512_pd(_mm512_add_epi64(exponent, _mm512_set1_epi64(int64_t{1} << 52)));
}

BOX_INLINE Ints broadcast_int(int32_t v) { return _mm256_set1_epi32(v); }
BOX_INLINE Ints load_ints(const uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
BOX_INLINE Ints add_ints(Ints a, Ints b) { return _mm256_add_epi32(a, b); }
BOX_INLINE Ints sub_ints(Ints a, Ints b) { return _mm256_sub_epi32(a, b); }
BOX_INLINE Doubles doubles(Ints v) { return _mm512_cvtepi32_pd(v); }
BOX_INLINE Ints truncated(Doubles v) { return _mm512_cvttpd_epi32(v); }
// Bit l set where lane l of a and b differ.
BOX_INLINE unsigned unequal(Ints a, Ints b) {
  return static_cast<unsigned>(static_cast<Mask>(~_mm256_cmpeq_epi32_mask(a, b)));
}
// The lanes' low bytes (each 0 .. 255, or to be written over) into out[0..7].
BOX_INLINE void store_bytes(uint8_t* out, Ints v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm256_cvtepi32_epi8(v));
}

// Bytes 0, 3, ..., 21 from `at` on, zero-extended: one channel of eight
// neighbouring pixels.
BOX_INLINE Ints channel_ints(const uint8_t* at) {
  const __m256i pick = _mm256_setr_epi8(0, 0, 0, 0, 3, 0, 0, 0, 6, 0, 0, 0, 9, 0, 0, 0, 12, 0, 0, 0,
                                        15, 0, 0, 0, 18, 0, 0, 0, 21, 0, 0, 0);
  return _mm256_maskz_permutexvar_epi8(0x11111111u, pick,
                                       _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)));
}
BOX_INLINE Doubles channel_values(const uint8_t* at) { return doubles(channel_ints(at)); }

// Lane l: the sum of the lanes of `step` below l.
BOX_INLINE Ints sums_before(Ints step) {
  const __m256i zero = _mm256_setzero_si256();
  step = _mm256_alignr_epi32(step, zero, 7);
  step = _mm256_add_epi32(step, _mm256_alignr_epi32(step, zero, 7));
  step = _mm256_add_epi32(step, _mm256_alignr_epi32(step, zero, 6));
  return _mm256_add_epi32(step, _mm256_alignr_epi32(step, zero, 4));
}

// 24 bytes from `at` on, zero-extended to 32 bits, eight a vector: the three
// channels of eight neighbouring pixels, lane j for pixel j / 3.
BOX_INLINE void byte_parts(const uint8_t* at, Ints* out) {
  const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  out[0] = _mm256_cvtepu8_epi32(first);
  out[1] = _mm256_cvtepu8_epi32(_mm_srli_si128(first, 8));
  out[2] = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at + 16)));
}

// Each of eight pixels' value v[l] in the lanes byte_parts gives its pixel.
BOX_INLINE void pixel_parts(const double* v, Doubles* out) {
  const __m512d eight = _mm512_loadu_pd(v);
  out[0] = _mm512_permutexvar_pd(_mm512_setr_epi64(0, 0, 0, 1, 1, 1, 2, 2), eight);
  out[1] = _mm512_permutexvar_pd(_mm512_setr_epi64(2, 3, 3, 3, 4, 4, 4, 5), eight);
  out[2] = _mm512_permutexvar_pd(_mm512_setr_epi64(5, 5, 6, 6, 6, 7, 7, 7), eight);
}

}  // namespace
}  // namespace bmp::fracbox

#include "defocus/fractional_box/lane_kernels.inc"

#undef BOX_TARGET
#undef BOX_INLINE

BMP_AVX512_WARNINGS_ON
#endif
