// What the processor offers beyond the baseline the suite is built for. The
// wider paths do each lane's operations exactly as the plain code does, so
// the bytes never depend on the processor.
#pragma once

namespace bmp {

#if defined(__x86_64__)
// Whether the processor runs AVX2 instructions; asked once.
inline bool has_avx2() {
  static const bool present = __builtin_cpu_supports("avx2");
  return present;
}

// Whether the processor runs the AVX-512 instructions of the byte-permuting
// vector paths (foundation, 256-bit forms, byte and word, byte permutes);
// asked once.
inline bool has_avx512_byte_permutes() {
  static const bool present =
      __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
      __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
  return present;
}

// A loop function built for AVX-512 and AVX2 as well as the baseline, the
// widest the processor has chosen when the program starts.
#define BMP_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define BMP_VECTOR_CLONES
#endif

}  // namespace bmp
