// SSE2 pieces shared by the x86 kernel sets (included inside their unnamed namespace).

// TransposeBytesPlain for 8 byte positions at a time: an 8 x 8 byte transpose
// in registers, then each position's 8 rows widened to floats.
template <class V>
void TransposeBytesSse2(const std::uint8_t* const* rows, int lanes, std::size_t bytes, float* scratch) {
  const std::uint8_t* r[kLanes];
  for (int l = 0; l < kLanes; ++l) r[l] = rows[l < lanes ? l : lanes - 1];
  std::size_t p = 0;
  for (; p + 8 <= bytes; p += 8) {
    __m128i x[kLanes];
    for (int l = 0; l < kLanes; ++l) x[l] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r[l] + p));
    const __m128i a01 = _mm_unpacklo_epi8(x[0], x[1]), a23 = _mm_unpacklo_epi8(x[2], x[3]);
    const __m128i a45 = _mm_unpacklo_epi8(x[4], x[5]), a67 = _mm_unpacklo_epi8(x[6], x[7]);
    const __m128i b0 = _mm_unpacklo_epi16(a01, a23), b1 = _mm_unpackhi_epi16(a01, a23);
    const __m128i b2 = _mm_unpacklo_epi16(a45, a67), b3 = _mm_unpackhi_epi16(a45, a67);
    const __m128i c[4] = {_mm_unpacklo_epi32(b0, b2), _mm_unpackhi_epi32(b0, b2), _mm_unpacklo_epi32(b1, b3),
                          _mm_unpackhi_epi32(b1, b3)};
    float* out = scratch + p * kLanes;
    for (int q = 0; q < 4; ++q) {
      V::StoreF(out + (2 * q) * kLanes, V::FromLow8(c[q]));
      V::StoreF(out + (2 * q + 1) * kLanes, V::FromLow8(_mm_srli_si128(c[q], 8)));
    }
  }
  TransposeBytesPlain<V>(rows, lanes, p, bytes, scratch);
}
