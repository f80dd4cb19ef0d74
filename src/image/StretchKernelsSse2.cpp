// Inner loops on SSE2, which every x86-64 processor has: two 4-float halves make a lane set.
#include <algorithm>
#include <cstring>

#include <emmintrin.h>

#include "image/StretchKernels.h"

namespace toviwall::stretch {
namespace {

struct Sse2Lanes {
  struct F {
    __m128 lo, hi;
  };
  static F Zero() { return {_mm_setzero_ps(), _mm_setzero_ps()}; }
  static F Set1(float w) { return {_mm_set1_ps(w), _mm_set1_ps(w)}; }
  static F LoadF(const float* p) { return {_mm_loadu_ps(p), _mm_loadu_ps(p + 4)}; }
  static void StoreF(float* p, const F& f) {
    _mm_storeu_ps(p, f.lo);
    _mm_storeu_ps(p + 4, f.hi);
  }
  static F Add(const F& a, const F& b) { return {_mm_add_ps(a.lo, b.lo), _mm_add_ps(a.hi, b.hi)}; }
  static F Mul(const F& a, const F& b) { return {_mm_mul_ps(a.lo, b.lo), _mm_mul_ps(a.hi, b.hi)}; }
  static F FromLow8(__m128i bytes) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i words = _mm_unpacklo_epi8(bytes, zero);
    return {_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)), _mm_cvtepi32_ps(_mm_unpackhi_epi16(words, zero))};
  }
  static F FromBytes(const std::uint8_t* p) { return FromLow8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))); }
  // max/min first (so no sum ever leaves the 32-bit range), then the
  // conversion's round-to-nearest-even; the packs cannot saturate any more.
  static void ToBytes(const F& f, std::uint8_t* out) {
    const __m128 zero = _mm_setzero_ps(), top = _mm_set1_ps(255.0f);
    const __m128i lo = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(f.lo, zero), top));
    const __m128i hi = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(f.hi, zero), top));
    const __m128i words = _mm_packs_epi32(lo, hi);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
  }
  static void Transpose(const std::uint8_t* const* rows, int lanes, std::size_t bytes, float* scratch);
};

#include "image/StretchKernelsImpl.h"
#include "image/StretchKernelsX86.h"

void Sse2Lanes::Transpose(const std::uint8_t* const* rows, int lanes, std::size_t bytes, float* scratch) {
  TransposeBytesSse2<Sse2Lanes>(rows, lanes, bytes, scratch);
}

}  // namespace

const Kernels& Sse2Kernels() {
  static const Kernels k{"sse2", Horizontal<Sse2Lanes>, Vertical<Sse2Lanes>};
  return k;
}

}  // namespace toviwall::stretch
