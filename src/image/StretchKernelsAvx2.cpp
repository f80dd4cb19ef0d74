// Inner loops on AVX2: one 8-float register makes a lane set. Only this file's
// own functions use AVX2 (chosen at run time); no fused multiply-add.
#include <algorithm>
#include <cstring>

#include <immintrin.h>

#include "image/StretchKernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace toviwall::stretch {
namespace {

struct Avx2Lanes {
  using F = __m256;
  static F Zero() { return _mm256_setzero_ps(); }
  static F Set1(float w) { return _mm256_set1_ps(w); }
  static F LoadF(const float* p) { return _mm256_loadu_ps(p); }
  static void StoreF(float* p, F f) { _mm256_storeu_ps(p, f); }
  static F Add(F a, F b) { return _mm256_add_ps(a, b); }
  static F Mul(F a, F b) { return _mm256_mul_ps(a, b); }
  static F FromLow8(__m128i bytes) { return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(bytes)); }
  static F FromBytes(const std::uint8_t* p) { return FromLow8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))); }
  static void ToBytes(F f, std::uint8_t* out) {
    const __m256i v = _mm256_cvtps_epi32(_mm256_min_ps(_mm256_max_ps(f, _mm256_setzero_ps()), _mm256_set1_ps(255.0f)));
    const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
  }
  static void Transpose(const std::uint8_t* const* rows, int lanes, std::size_t bytes, float* scratch);
};

#include "image/StretchKernelsImpl.h"
#include "image/StretchKernelsX86.h"

void Avx2Lanes::Transpose(const std::uint8_t* const* rows, int lanes, std::size_t bytes, float* scratch) {
  TransposeBytesSse2<Avx2Lanes>(rows, lanes, bytes, scratch);
}

}  // namespace
}  // namespace toviwall::stretch

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace toviwall::stretch {

const Kernels& Avx2Kernels() {
  static const Kernels k{"avx2", Horizontal<Avx2Lanes>, Vertical<Avx2Lanes>};
  return k;
}

}  // namespace toviwall::stretch
