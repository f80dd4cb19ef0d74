// The resampler's inner loops, written once over an 8-lane vector type V and
// compiled once per instruction set (included only by StretchKernels*.cpp,
// inside an unnamed namespace, so the copies never mix).
//
// V provides: F; Zero(); Set1(float); LoadF(const float*); StoreF(float*, F);
// Add(F, F); Mul(F, F); FromBytes(const uint8_t*) (8 bytes to 8 floats);
// ToBytes(F, uint8_t*) (clamp to 0..255, round to nearest even, 8 bytes);
// Transpose(rows, lanes, from, to, scratch) (see TransposeBytes below).
//
// Every lane does exactly the scalar arithmetic: product, then sum, each in
// single precision, contributors in list order.

// Fills scratch[p * 8 + l] = rows[l][p] for byte positions p in [from, to):
// the source bytes of up to 8 rows side by side, so that one vector holds the
// same channel of the same column for every row. Lanes past `lanes` repeat the
// last row (their results are dropped).
template <class V>
void TransposeBytesPlain(const std::uint8_t* const* rows, int lanes, std::size_t from, std::size_t to,
                         float* scratch) {
  const std::uint8_t* r[kLanes];
  for (int l = 0; l < kLanes; ++l) r[l] = rows[l < lanes ? l : lanes - 1];
  for (std::size_t p = from; p < to; ++p) {
    std::uint8_t column[kLanes];
    for (int l = 0; l < kLanes; ++l) column[l] = r[l][p];
    V::StoreF(scratch + p * kLanes, V::FromBytes(column));
  }
}

// Three channel sums of one target column for all lanes; columns are taken two
// at a time so that six independent sums keep the adder busy (each column's own
// order of additions is unchanged).
template <class V>
void HorizontalKernel(const std::uint8_t* const* rows, int lanes, int srcWidth, const Contributions& h, float* scratch,
                      std::uint8_t* const* out) {
  using F = typename V::F;
  V::Transpose(rows, lanes, static_cast<std::size_t>(srcWidth) * 3, scratch);
  const int dstWidth = h.Count();
  const std::uint32_t* start = h.start.data();
  const std::int32_t* index = h.index.data();
  const float* weight = h.weight.data();
  alignas(32) std::uint8_t bytes[3 * kLanes];
  auto tap = [&](std::uint32_t n, F& b, F& g, F& r) {
    const F w = V::Set1(weight[n]);
    const float* p = scratch + static_cast<std::size_t>(index[n]) * (3 * kLanes);
    b = V::Add(b, V::Mul(w, V::LoadF(p)));
    g = V::Add(g, V::Mul(w, V::LoadF(p + kLanes)));
    r = V::Add(r, V::Mul(w, V::LoadF(p + 2 * kLanes)));
  };
  auto emit = [&](int t, const F& b, const F& g, const F& r) {
    V::ToBytes(b, bytes);
    V::ToBytes(g, bytes + kLanes);
    V::ToBytes(r, bytes + 2 * kLanes);
    for (int l = 0; l < lanes; ++l) {
      std::uint8_t* o = out[l] + 3 * static_cast<std::size_t>(t);
      o[0] = bytes[l];
      o[1] = bytes[kLanes + l];
      o[2] = bytes[2 * kLanes + l];
    }
  };
  int t = 0;
  for (; t + 1 < dstWidth; t += 2) {
    F b0 = V::Zero(), g0 = V::Zero(), r0 = V::Zero(), b1 = V::Zero(), g1 = V::Zero(), r1 = V::Zero();
    std::uint32_t n0 = start[t], e0 = start[t + 1], n1 = start[t + 1], e1 = start[t + 2];
    for (; n0 < e0 && n1 < e1; ++n0, ++n1) {
      tap(n0, b0, g0, r0);
      tap(n1, b1, g1, r1);
    }
    for (; n0 < e0; ++n0) tap(n0, b0, g0, r0);
    for (; n1 < e1; ++n1) tap(n1, b1, g1, r1);
    emit(t, b0, g0, r0);
    emit(t + 1, b1, g1, r1);
  }
  if (t < dstWidth) {
    F b = V::Zero(), g = V::Zero(), r = V::Zero();
    for (std::uint32_t n = start[t]; n < start[t + 1]; ++n) tap(n, b, g, r);
    emit(t, b, g, r);
  }
}

template <class V>
void VerticalKernel(const Contributions& v, int t, const std::uint8_t* mid, std::size_t midStride, std::uint8_t* out,
                    std::size_t bytes) {
  using F = typename V::F;
  const std::uint32_t first = v.start[static_cast<std::size_t>(t)], last = v.start[static_cast<std::size_t>(t) + 1];
  const std::int32_t* index = v.index.data();
  const float* weight = v.weight.data();
  std::size_t x = 0;
  for (; x + 4 * kLanes <= bytes; x += 4 * kLanes) {
    F a0 = V::Zero(), a1 = V::Zero(), a2 = V::Zero(), a3 = V::Zero();
    for (std::uint32_t n = first; n < last; ++n) {
      const F w = V::Set1(weight[n]);
      const std::uint8_t* p = mid + static_cast<std::size_t>(index[n]) * midStride + x;
      a0 = V::Add(a0, V::Mul(w, V::FromBytes(p)));
      a1 = V::Add(a1, V::Mul(w, V::FromBytes(p + kLanes)));
      a2 = V::Add(a2, V::Mul(w, V::FromBytes(p + 2 * kLanes)));
      a3 = V::Add(a3, V::Mul(w, V::FromBytes(p + 3 * kLanes)));
    }
    V::ToBytes(a0, out + x);
    V::ToBytes(a1, out + x + kLanes);
    V::ToBytes(a2, out + x + 2 * kLanes);
    V::ToBytes(a3, out + x + 3 * kLanes);
  }
  for (; x + kLanes <= bytes; x += kLanes) {
    F a = V::Zero();
    for (std::uint32_t n = first; n < last; ++n)
      a = V::Add(a, V::Mul(V::Set1(weight[n]), V::FromBytes(mid + static_cast<std::size_t>(index[n]) * midStride + x)));
    V::ToBytes(a, out + x);
  }
  if (x < bytes) {
    // The last few bytes of the row, copied out so that nothing past the row
    // (another thread's row, perhaps still being written) is ever read.
    const std::size_t n = bytes - x;
    F a = V::Zero();
    for (std::uint32_t k = first; k < last; ++k) {
      std::uint8_t part[kLanes] = {};
      std::memcpy(part, mid + static_cast<std::size_t>(index[k]) * midStride + x, n);
      a = V::Add(a, V::Mul(V::Set1(weight[k]), V::FromBytes(part)));
    }
    std::uint8_t tail[kLanes];
    V::ToBytes(a, tail);
    std::memcpy(out + x, tail, n);
  }
}

template <class V>
void Horizontal(const std::uint8_t* const* rows, int lanes, int srcWidth, const Contributions& h, float* scratch,
                std::uint8_t* const* out) {
  HorizontalKernel<V>(rows, lanes, srcWidth, h, scratch, out);
}

template <class V>
void Vertical(const Contributions& v, int t, const std::uint8_t* mid, std::size_t midStride, std::uint8_t* out,
              std::size_t bytes) {
  VerticalKernel<V>(v, t, mid, midStride, out, bytes);
}
