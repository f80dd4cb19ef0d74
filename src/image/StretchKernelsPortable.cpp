// Plain C++ inner loops: the reference shape of the arithmetic, and the path on
// processors without a vector set of ours.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/StretchKernels.h"

namespace toviwall::stretch {
namespace {

struct PortableLanes {
  struct F {
    float v[kLanes];
  };
  static F Zero() { return Set1(0.0f); }
  static F Set1(float w) {
    F f;
    for (float& x : f.v) x = w;
    return f;
  }
  static F LoadF(const float* p) {
    F f;
    std::memcpy(f.v, p, sizeof f.v);
    return f;
  }
  static void StoreF(float* p, const F& f) { std::memcpy(p, f.v, sizeof f.v); }
  static F Add(F a, const F& b) {
    for (int l = 0; l < kLanes; ++l) a.v[l] = a.v[l] + b.v[l];
    return a;
  }
  static F Mul(F a, const F& b) {
    for (int l = 0; l < kLanes; ++l) a.v[l] = a.v[l] * b.v[l];
    return a;
  }
  static F FromBytes(const std::uint8_t* p) {
    F f;
    for (int l = 0; l < kLanes; ++l) f.v[l] = p[l];
    return f;
  }
  static void ToBytes(const F& f, std::uint8_t* out) {
    for (int l = 0; l < kLanes; ++l) {
      float s = f.v[l];
      out[l] = s > 255.0f ? 255 : s < 0.0f ? 0 : static_cast<std::uint8_t>(std::nearbyint(s));
    }
  }
  static void Transpose(const std::uint8_t* const* rows, int lanes, std::size_t bytes, float* scratch);
};

#include "image/StretchKernelsImpl.h"

void PortableLanes::Transpose(const std::uint8_t* const* rows, int lanes, std::size_t bytes, float* scratch) {
  TransposeBytesPlain<PortableLanes>(rows, lanes, 0, bytes, scratch);
}

}  // namespace

const Kernels& PortableKernels() {
  static const Kernels k{"portable", Horizontal<PortableLanes>, Vertical<PortableLanes>};
  return k;
}

const Kernels& BestKernels() {
#if defined(__x86_64__) || defined(__i386__)
  static const Kernels& best = __builtin_cpu_supports("avx2") ? Avx2Kernels() : Sse2Kernels();
  return best;
#else
  return PortableKernels();
#endif
}

}  // namespace toviwall::stretch
