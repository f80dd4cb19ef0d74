#include "image/BitmapFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "base/AtomicFile.h"
#include "base/FileHandle.h"

namespace toviwall {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiJpeg = 4;
constexpr std::uint32_t kBiPng = 5;
constexpr std::uint32_t kBiAlphaBitfields = 6;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

// One colour channel of a 16- or 32-bit pixel, reduced to 8 bits.
class Channel {
 public:
  Channel() = default;
  explicit Channel(std::uint32_t mask) : mask_(mask) {
    if (mask == 0) return;
    shift_ = std::countr_zero(mask);
    bits_ = 32 - std::countl_zero(mask >> shift_);
    max_ = bits_ >= 32 ? 0xFFFFFFFFu : (1u << bits_) - 1;
  }
  std::uint8_t operator()(std::uint32_t pixel) const {
    if (bits_ == 0) return 0;
    std::uint32_t v = (pixel & mask_) >> shift_;
    if (bits_ >= 8) return static_cast<std::uint8_t>(v >> (bits_ - 8));
    return static_cast<std::uint8_t>((v * 255 + max_ / 2) / max_);
  }

 private:
  std::uint32_t mask_ = 0;
  int shift_ = 0;
  int bits_ = 0;
  std::uint32_t max_ = 1;
};

class BmpReader final : public ImageReader {
 public:
  BmpReader(const std::string& path, const ImageLimits& limits) : file_(path) {
    ParseHeaders(limits);
    if (compression_ == kBiRle8 || compression_ == kBiRle4) DecodeRle();
  }

 protected:
  void DecodeRows(std::uint8_t* const* rows, int count) override;

 private:
  void ParseHeaders(const ImageLimits& limits);
  void DecodeRle();
  void ConvertRow(const std::uint8_t* in, std::uint8_t* out) const;
  int FileRow(int y) const { return topDown_ ? y : Height() - 1 - y; }
  [[noreturn]] void Fail(const std::string& why) const { file_.Fail(why); }

  ReadOnlyFile<ImageError> file_;
  int bpp_ = 0;
  std::uint32_t compression_ = kBiRgb;
  bool topDown_ = false;
  std::uint64_t dataOffset_ = 0;
  std::size_t fileRowBytes_ = 0;
  std::array<std::uint8_t, 256 * 3> palette_{};  // blue, green, red; missing entries black
  Channel red_, green_, blue_;
  bool plainBgrx_ = false;           // 32 bits with the usual masks
  std::vector<std::uint8_t> rle_;    // decoded palette indexes, one byte each, in file row order
  std::vector<std::uint8_t> staging_;
};

void BmpReader::ParseHeaders(const ImageLimits& limits) {
  std::uint8_t head[14 + 124 + 16] = {};
  std::size_t got = file_.ReadAt(0, head, sizeof head);
  if (got < 14 + 12 || head[0] != 'B' || head[1] != 'M') Fail("not a BMP file");
  std::uint32_t offBits = U32(head + 10);
  std::uint32_t infoSize = U32(head + 14);
  const std::uint8_t* info = head + 14;

  bool core = infoSize == 12;
  if (!core && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 64 && infoSize != 108 &&
      infoSize != 124)
    Fail("unsupported BMP header size " + std::to_string(infoSize));
  if (got < 14 + infoSize) Fail("BMP file is truncated");

  std::int64_t width, height;
  std::uint32_t clrUsed = 0;
  if (core) {
    width = U16(info + 4);
    height = U16(info + 6);
    bpp_ = U16(info + 10);
  } else {
    width = static_cast<std::int32_t>(U32(info + 4));
    height = static_cast<std::int32_t>(U32(info + 8));
    bpp_ = U16(info + 14);
    compression_ = U32(info + 16);
    clrUsed = U32(info + 32);
  }
  if (height < 0) {
    topDown_ = true;
    height = -height;
  }
  if (compression_ == kBiJpeg || compression_ == kBiPng)
    Fail("BMP files holding JPEG or PNG data are not supported");
  if (infoSize == 64 && compression_ > kBiRle4) Fail("unsupported OS/2 BMP compression");

  bool validDepth = false;
  switch (compression_) {
    case kBiRgb:
      validDepth = bpp_ == 1 || bpp_ == 4 || bpp_ == 8 || bpp_ == 16 || bpp_ == 24 || bpp_ == 32;
      break;
    case kBiRle8: validDepth = bpp_ == 8; break;
    case kBiRle4: validDepth = bpp_ == 4; break;
    case kBiBitfields:
    case kBiAlphaBitfields: validDepth = bpp_ == 16 || bpp_ == 32; break;
    default: Fail("unsupported BMP compression " + std::to_string(compression_));
  }
  if (core && bpp_ != 1 && bpp_ != 4 && bpp_ != 8 && bpp_ != 24) validDepth = false;
  if (!validDepth)
    Fail("unsupported BMP bit depth " + std::to_string(bpp_) + " for compression " +
         std::to_string(compression_));
  CheckImageSize(width, height, limits);
  SetSize(static_cast<int>(width), static_cast<int>(height));

  // Colour masks follow a 40-byte header, or sit inside the longer ones.
  std::uint64_t tableStart = 14 + std::uint64_t{infoSize};
  if (compression_ == kBiBitfields || compression_ == kBiAlphaBitfields) {
    const std::uint8_t* masks = info + 40;
    if (infoSize == 40) {
      std::size_t maskBytes = compression_ == kBiBitfields ? 12 : 16;
      if (got < tableStart + maskBytes) Fail("BMP file is truncated");
      tableStart += maskBytes;
    }
    std::uint32_t r = U32(masks), g = U32(masks + 4), b = U32(masks + 8);
    if (r == 0 && g == 0 && b == 0) {
      compression_ = kBiRgb;  // no masks given: the usual layout
    } else {
      red_ = Channel(r);
      green_ = Channel(g);
      blue_ = Channel(b);
      plainBgrx_ = bpp_ == 32 && r == 0x00FF0000 && g == 0x0000FF00 && b == 0x000000FF;
    }
  }
  if (compression_ == kBiRgb && bpp_ == 16) {
    red_ = Channel(0x7C00);
    green_ = Channel(0x03E0);
    blue_ = Channel(0x001F);
  }
  if (compression_ == kBiRgb && bpp_ == 32) plainBgrx_ = true;

  if (bpp_ <= 8) {
    std::uint64_t entryBytes = core ? 3 : 4;
    std::uint64_t entries = clrUsed == 0 || clrUsed > (1u << bpp_) ? (1u << bpp_) : clrUsed;
    // Some writers leave less room than the count says; the pixel offset wins.
    if (offBits > tableStart && offBits < tableStart + entries * entryBytes)
      entries = (offBits - tableStart) / entryBytes;
    std::vector<std::uint8_t> table(entries * entryBytes);
    std::size_t tableGot = file_.ReadAt(tableStart, table.data(), table.size());
    entries = std::min<std::uint64_t>(entries, tableGot / entryBytes);
    for (std::uint64_t i = 0; i < entries; ++i)
      std::memcpy(&palette_[i * 3], &table[i * entryBytes], 3);
    tableStart += entries * entryBytes;
  }

  dataOffset_ = offBits != 0 ? offBits : tableStart;
  fileRowBytes_ = ((static_cast<std::size_t>(Width()) * bpp_ + 31) / 32) * 4;
  if (compression_ != kBiRle8 && compression_ != kBiRle4) {
    // The last row may come without its padding.
    std::uint64_t need = dataOffset_ + fileRowBytes_ * static_cast<std::uint64_t>(Height() - 1) +
                         (static_cast<std::uint64_t>(Width()) * bpp_ + 7) / 8;
    if (need > file_.Size()) Fail("BMP file is truncated");
  } else if (dataOffset_ >= file_.Size()) {
    Fail("BMP file is truncated");
  }
}

// Run-length data: pixels a run or an escape does not reach keep index 0, as in a
// freshly cleared bitmap; runs past the right edge are cut off.
void BmpReader::DecodeRle() {
  std::vector<std::uint8_t> data(file_.Size() - dataOffset_);
  data.resize(file_.ReadAt(dataOffset_, data.data(), data.size()));
  const int w = Width(), h = Height();
  rle_.assign(static_cast<std::size_t>(w) * h, 0);
  const bool four = compression_ == kBiRle4;
  std::size_t pos = 0;
  long x = 0, y = 0;
  auto put = [&](int index) {
    if (x < w && y < h) rle_[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(index);
    ++x;
  };
  for (;;) {
    if (y >= h) return;
    if (pos + 2 > data.size()) Fail("BMP data is truncated");
    int count = data[pos], value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count && x < w; ++i) put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
      if (x >= w) x = w;
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // move
      if (pos + 2 > data.size()) Fail("BMP data is truncated");
      x += data[pos];
      y += data[pos + 1];
      pos += 2;
    } else {  // literal pixels, padded to a 16-bit boundary
      std::size_t bytes = four ? (static_cast<std::size_t>(value) + 1) / 2 : static_cast<std::size_t>(value);
      if (pos + bytes > data.size()) Fail("BMP data is truncated");
      for (int i = 0; i < value; ++i) {
        std::uint8_t b = data[pos + (four ? i / 2 : i)];
        if (x < w) put(four ? (i % 2 == 0 ? b >> 4 : b & 15) : b);
      }
      pos += (bytes + 1) & ~std::size_t{1};
    }
  }
}

void BmpReader::ConvertRow(const std::uint8_t* in, std::uint8_t* out) const {
  const int w = Width();
  auto fromPalette = [&](int x, unsigned index) { std::memcpy(out + 3 * x, &palette_[index * 3], 3); };
  switch (bpp_) {
    case 1:
      for (int x = 0; x < w; ++x) fromPalette(x, (in[x >> 3] >> (7 - (x & 7))) & 1);
      break;
    case 4:
      for (int x = 0; x < w; ++x) fromPalette(x, (x & 1) ? in[x >> 1] & 15 : in[x >> 1] >> 4);
      break;
    case 8:
      for (int x = 0; x < w; ++x) fromPalette(x, in[x]);
      break;
    case 16:
      for (int x = 0; x < w; ++x) {
        std::uint32_t p = U16(in + 2 * x);
        out[3 * x] = blue_(p);
        out[3 * x + 1] = green_(p);
        out[3 * x + 2] = red_(p);
      }
      break;
    case 24:
      std::memcpy(out, in, static_cast<std::size_t>(w) * 3);
      break;
    case 32:
      if (plainBgrx_) {
        for (int x = 0; x < w; ++x) std::memcpy(out + 3 * x, in + 4 * x, 3);
      } else {
        for (int x = 0; x < w; ++x) {
          std::uint32_t p = U32(in + 4 * x);
          out[3 * x] = blue_(p);
          out[3 * x + 1] = green_(p);
          out[3 * x + 2] = red_(p);
        }
      }
      break;
  }
}

void BmpReader::DecodeRows(std::uint8_t* const* rows, int count) {
  const int first = RowsRead();
  if (!rle_.empty()) {
    const std::size_t w = static_cast<std::size_t>(Width());
    for (int k = 0; k < count; ++k) {
      const std::uint8_t* idx = &rle_[static_cast<std::size_t>(FileRow(first + k)) * w];
      for (std::size_t x = 0; x < w; ++x) std::memcpy(rows[k] + 3 * x, &palette_[idx[x] * 3], 3);
    }
    return;
  }
  // The rows asked for lie next to each other in the file, in one order or the other.
  int lowRow = std::min(FileRow(first), FileRow(first + count - 1));
  staging_.resize(fileRowBytes_ * static_cast<std::size_t>(count));
  file_.ReadAt(dataOffset_ + fileRowBytes_ * static_cast<std::uint64_t>(lowRow), staging_.data(),
               staging_.size());
  for (int k = 0; k < count; ++k)
    ConvertRow(&staging_[fileRowBytes_ * static_cast<std::size_t>(FileRow(first + k) - lowRow)], rows[k]);
}

}  // namespace

void FillBmpHeader(std::uint8_t (&h)[kBmpHeaderBytes], int width, int height) {
  std::memset(h, 0, sizeof h);
  std::uint64_t image = RowBytes24(width) * static_cast<std::uint64_t>(height);
  if (image + kBmpHeaderBytes > 0xFFFFFFFFu) throw ImageError("Bitmap too large for a BMP file");
  h[0] = 'B';
  h[1] = 'M';
  Put32(h + 2, static_cast<std::uint32_t>(image + kBmpHeaderBytes));
  Put32(h + 10, kBmpHeaderBytes);
  Put32(h + 14, 40);
  Put32(h + 18, static_cast<std::uint32_t>(width));
  Put32(h + 22, static_cast<std::uint32_t>(height));
  Put16(h + 26, 1);
  Put16(h + 28, 24);
  Put32(h + 34, static_cast<std::uint32_t>(image));
  // Compression, resolution and colour counts stay 0.
}

std::unique_ptr<ImageReader> OpenBitmapFile(const std::string& file, const ImageLimits& limits) {
  return std::make_unique<BmpReader>(file, limits);
}

Bitmap24 LoadBitmapFile(const std::string& file, const ImageLimits& limits) {
  auto reader = OpenBitmapFile(file, limits);
  return ReadRemainingRows(*reader);
}

void SaveBitmapFile(const Bitmap24& bitmap, const std::string& file) {
  if (bitmap.Empty()) throw ImageError("Cannot save an empty bitmap");
  AtomicFileWriter out(file);
  SaveBitmapFile(bitmap, out);
}

void SaveBitmapFile(const Bitmap24& bitmap, AtomicFileWriter& out) {
  if (bitmap.Empty()) throw ImageError("Cannot save an empty bitmap");
  std::uint8_t header[kBmpHeaderBytes];
  FillBmpHeader(header, bitmap.Width(), bitmap.Height());
  out.Write(header, sizeof header);
  for (int y = bitmap.Height() - 1; y >= 0; --y) out.Write(bitmap.Row(y), bitmap.Stride());
  out.Commit();
}

void SaveBitmapFile(ImageReader& reader, const std::string& file) {
  // A turned picture's file rows come from all its stored rows: it is turned in memory first.
  if (reader.Turn() != Orientation::Upright) return SaveBitmapFile(ReadRemainingRows(reader), file);
  const int w = reader.Width(), h = reader.Height() - reader.RowsRead();
  if (w < 1 || h < 1) throw ImageError("Cannot save an empty bitmap");
  std::uint8_t header[kBmpHeaderBytes];
  FillBmpHeader(header, w, h);
  const std::size_t stride = RowBytes24(w);
  // Rows arrive top-down and are stored bottom-up: each batch fills one stretch
  // of the file, in reverse order.
  const int batch = static_cast<int>(std::clamp<std::size_t>((1u << 20) / stride, 1, 256));
  std::vector<std::uint8_t> buffer(stride * static_cast<std::size_t>(batch), 0);
  std::vector<std::uint8_t*> rows(static_cast<std::size_t>(batch));
  AtomicFileWriter out(file);
  out.Write(header, sizeof header);
  for (int y = 0; y < h; y += batch) {
    int n = std::min(batch, h - y);
    for (int k = 0; k < n; ++k) rows[static_cast<std::size_t>(k)] = &buffer[stride * static_cast<std::size_t>(n - 1 - k)];
    reader.ReadRows(rows.data(), n);
    out.WriteAt(kBmpHeaderBytes + stride * static_cast<std::uint64_t>(h - y - n), buffer.data(),
                stride * static_cast<std::size_t>(n));
  }
  out.Commit();
}

}  // namespace toviwall
