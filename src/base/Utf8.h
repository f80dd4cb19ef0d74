#pragma once
// UTF-8 as the desktops take it: file names are bytes, but settings, D-Bus
// strings and desktop entries hold valid UTF-8 only.
#include <string_view>

namespace toviwall {

// A byte that is not part of a valid UTF-8 sequence decodes to this plus the byte.
inline constexpr char32_t kRawByte = 0x110000;

// Decodes UTF-8 one character at a time. Overlong forms, surrogates and values
// beyond U+10FFFF are not valid, so every character has exactly one byte form.
class Utf8Decoder {
 public:
  explicit Utf8Decoder(std::string_view s) : s_(s) {}
  bool AtEnd() const { return pos_ >= s_.size(); }
  char32_t Next();

 private:
  char32_t Raw(unsigned char b) {
    ++pos_;
    return kRawByte + b;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

bool IsValidUtf8(std::string_view text);

}  // namespace toviwall
