// Which vector lanes the fractional box may use: eight (AVX-512 with byte
// permutes), four (AVX2) or none, as the processor offers and tests allow.
// Each lane does exactly the operations of the plain code, so the bytes never
// depend on the choice.
#pragma once

namespace bmp::fracbox {

// The widest lanes this processor has, within the limit: 8, 4 or 0.
int lane_width();

// The limit (8 unless tests set it lower).
void limit_lanes(int lanes);

}  // namespace bmp::fracbox

#if defined(__x86_64__)
#define BMP_AVX2 __attribute__((target("avx2")))
#define BMP_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline
#define BMP_AVX512_TARGET target("avx2,avx512f,avx512vl,avx512bw,avx512vbmi")
#define BMP_AVX512 __attribute__((BMP_AVX512_TARGET))
#define BMP_AVX512_INLINE __attribute__((BMP_AVX512_TARGET, always_inline)) inline
// GCC 12 takes the undefined pass-through operand inside its AVX-512
// intrinsics for an uninitialised value: those warnings are off around them.
#if defined(__GNUC__) && !defined(__clang__)
#define BMP_AVX512_WARNINGS_OFF                                                        \
  _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wuninitialized\"") \
      _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"")
#define BMP_AVX512_WARNINGS_ON _Pragma("GCC diagnostic pop")
#else
#define BMP_AVX512_WARNINGS_OFF
#define BMP_AVX512_WARNINGS_ON
#endif
#endif
