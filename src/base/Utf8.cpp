#include "base/Utf8.h"

namespace toviwall {

char32_t Utf8Decoder::Next() {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s_[i]); };
  unsigned char b0 = byte(pos_);
  if (b0 < 0x80) {
    ++pos_;
    return b0;
  }
  int len = b0 >= 0xF0 && b0 <= 0xF4 ? 4 : b0 >= 0xE0 && b0 <= 0xEF ? 3 : b0 >= 0xC2 && b0 <= 0xDF ? 2 : 0;
  if (len == 0 || pos_ + len > s_.size()) return Raw(b0);
  char32_t c = b0 & (0x7F >> len);
  for (int i = 1; i < len; ++i) {
    unsigned char b = byte(pos_ + i);
    if ((b & 0xC0) != 0x80) return Raw(b0);
    c = (c << 6) | (b & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return Raw(b0);
  pos_ += len;
  return c;
}

bool IsValidUtf8(std::string_view text) {
  for (Utf8Decoder d(text); !d.AtEnd();)
    if (d.Next() >= kRawByte) return false;
  return true;
}

}  // namespace toviwall
