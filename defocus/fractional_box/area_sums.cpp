// The prefix rows of the summed-area tables in vector lanes.
#include "defocus/fractional_box/area_sums.hpp"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "defocus/fractional_box/vector_lanes.hpp"

namespace bmp::fracbox {
namespace {

#if defined(__x86_64__)

// Twelve bytes from `at` on, zero-extended to 32 bits.
BMP_AVX2_INLINE void byte_lanes(const uint8_t* at, __m128i* out) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  out[0] = _mm_cvtepu8_epi32(bytes);
  out[1] = _mm_cvtepu8_epi32(_mm_srli_si128(bytes, 4));
  out[2] = _mm_cvtepu8_epi32(_mm_srli_si128(bytes, 8));
}

// A 32-bit prefix row from the one above it, four pixels at a time while
// each 16-byte load stays inside the row: here[3(l + 1) + c] = above[3(l +
// 1) + c] + the sum of channel c over columns 0 .. l, wrapping as the
// scalar sums do. Returns the columns done; run holds their channel sums.
BMP_AVX2 int64_t add_prefix_row_avx2(const uint8_t* pixel, const uint32_t* above, uint32_t* here,
                                     int64_t width, uint32_t* run) {
  __m128i carry = _mm_setr_epi32(0, static_cast<int>(run[0]), static_cast<int>(run[1]),
                                 static_cast<int>(run[2]));  // lanes 1, 2, 3: b, g, r so far
  int64_t column = 0;
  for (; column + 6 <= width; column += 4, pixel += 12) {
    __m128i v[3];
    byte_lanes(pixel, v);  // lane j: pixel j / 3, channel j % 3
    // Sums three lanes apart: each lane gains the lanes 3, 6 and 9 before it.
    const __m128i y0 = _mm_add_epi32(v[0], _mm_slli_si128(v[0], 12));
    const __m128i y1 = _mm_add_epi32(v[1], _mm_alignr_epi8(v[1], v[0], 4));
    const __m128i y2 = _mm_add_epi32(v[2], _mm_alignr_epi8(v[2], v[1], 4));
    __m128i z[3] = {y0, _mm_add_epi32(y1, _mm_slli_si128(y0, 8)),
                    _mm_add_epi32(y2, _mm_alignr_epi8(y1, y0, 8))};
    // And the sums of the columns before (lanes 1, 2, 3 of carry: b, g, r).
    z[0] = _mm_add_epi32(z[0], _mm_shuffle_epi32(carry, _MM_SHUFFLE(1, 3, 2, 1)));
    z[1] = _mm_add_epi32(z[1], _mm_shuffle_epi32(carry, _MM_SHUFFLE(2, 1, 3, 2)));
    z[2] = _mm_add_epi32(z[2], _mm_shuffle_epi32(carry, _MM_SHUFFLE(3, 2, 1, 3)));
    carry = z[2];  // lanes 1, 2, 3: the last pixel's b, g, r
    for (int part = 0; part < 3; ++part) {
      const auto* from = reinterpret_cast<const __m128i*>(above + 3 * (column + 1) + 4 * part);
      auto* to = reinterpret_cast<__m128i*>(here + 3 * (column + 1) + 4 * part);
      _mm_storeu_si128(to, _mm_add_epi32(_mm_loadu_si128(from), z[part]));
    }
  }
  run[0] = static_cast<uint32_t>(_mm_extract_epi32(carry, 1));
  run[1] = static_cast<uint32_t>(_mm_extract_epi32(carry, 2));
  run[2] = static_cast<uint32_t>(_mm_extract_epi32(carry, 3));
  return column;
}
#endif

}  // namespace

int64_t add_prefix_row_in_lanes(const uint8_t* pixel, const uint32_t* above, uint32_t* here,
                                int64_t width, uint32_t* run) {
#if defined(__x86_64__)
  if (lane_width() >= 4) return add_prefix_row_avx2(pixel, above, here, width, run);
#endif
  return 0;
}

}  // namespace bmp::fracbox
