// BMP reading of every variant and the one written form.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ImageTestSupport.h"
#include "base/AtomicFile.h"
#include "image/BitmapFile.h"

namespace toviwall {
namespace {

using imagetest::RandomBitmap;
using test::TempDir;

void Put16(std::string& s, std::size_t at, std::uint32_t v) {
  s[at] = static_cast<char>(v);
  s[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  Put16(s, at, v);
  Put16(s, at + 2, v >> 16);
}
std::uint32_t Get32(const std::string& s, std::size_t at) {
  return static_cast<std::uint8_t>(s[at]) | static_cast<std::uint8_t>(s[at + 1]) << 8 |
         static_cast<std::uint8_t>(s[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[at + 3])) << 24;
}

// A BMP file built field by field, so that every variant the format allows can
// be produced without trusting our own writer.
struct BmpBuilder {
  int width = 0, height = 0;
  int bpp = 24;
  std::uint32_t compression = 0;
  std::uint32_t infoSize = 40;
  bool topDown = false;
  std::vector<std::uint8_t> palette;  // blue, green, red per entry
  std::uint32_t masks[3] = {0, 0, 0};  // red, green, blue
  std::string pixels;                  // the pixel data exactly as stored

  std::string Build() const {
    bool core = infoSize == 12;
    bool maskAfterHeader = infoSize == 40 && compression == 3;
    std::string s(14 + infoSize + (maskAfterHeader ? 12 : 0), '\0');
    for (std::size_t i = 0; i < palette.size() / 3; ++i) {
      s.append(reinterpret_cast<const char*>(&palette[i * 3]), 3);
      if (!core) s.push_back('\0');
    }
    std::uint32_t offBits = static_cast<std::uint32_t>(s.size());
    s += pixels;
    s[0] = 'B';
    s[1] = 'M';
    Put32(s, 2, static_cast<std::uint32_t>(s.size()));
    Put32(s, 10, offBits);
    Put32(s, 14, infoSize);
    if (core) {
      Put16(s, 18, width);
      Put16(s, 20, height);
      Put16(s, 22, 1);
      Put16(s, 24, bpp);
    } else {
      Put32(s, 18, width);
      Put32(s, 22, static_cast<std::uint32_t>(topDown ? -height : height));
      Put16(s, 26, 1);
      Put16(s, 28, bpp);
      Put32(s, 30, compression);
      Put32(s, 34, static_cast<std::uint32_t>(pixels.size()));
      Put32(s, 46, static_cast<std::uint32_t>(palette.size() / 3));
      if (compression == 3)
        for (int i = 0; i < 3; ++i) Put32(s, 54 + 4 * i, masks[i]);
    }
    return s;
  }
};

std::size_t RowBytes(int w, int bpp) { return ((static_cast<std::size_t>(w) * bpp + 31) / 32) * 4; }

// Packs an image of palette indexes at 1, 4 or 8 bits, rows in file order.
std::string PackIndexes(const std::vector<int>& idx, int w, int h, int bpp, bool topDown) {
  std::string out;
  for (int fr = 0; fr < h; ++fr) {
    int y = topDown ? fr : h - 1 - fr;
    std::string row(RowBytes(w, bpp), '\0');
    for (int x = 0; x < w; ++x) {
      int v = idx[static_cast<std::size_t>(y) * w + x];
      int bit = x * bpp;
      row[bit / 8] = static_cast<char>(row[bit / 8] | v << (8 - bpp - bit % 8));
    }
    out += row;
  }
  return out;
}

Bitmap24 FromPalette(const std::vector<int>& idx, int w, int h, const std::vector<std::uint8_t>& pal) {
  Bitmap24 b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) std::memcpy(b.Row(y) + 3 * x, &pal[idx[static_cast<std::size_t>(y) * w + x] * 3], 3);
  return b;
}

Bitmap24 LoadBytes(const TempDir& dir, const std::string& bytes) {
  std::string path = dir / "in.bmp";
  WriteFileAtomically(path, bytes);
  return LoadBitmapFile(path);
}

std::string LoadError(const TempDir& dir, const std::string& bytes) {
  try {
    LoadBytes(dir, bytes);
  } catch (const ImageError& e) {
    return e.what();
  }
  return "no error";
}

TEST(BitmapFile, WritesTheOneFormAndReadsItBack) {
  TempDir dir;
  for (int w : {1, 2, 3, 4, 5, 7, 33}) {
    for (int h : {1, 3}) {
      Bitmap24 b = RandomBitmap(w, h, static_cast<std::uint32_t>(w * 10 + h));
      std::string path = dir / "out.bmp";
      SaveBitmapFile(b, path);
      std::string bytes = test::ReadFile(path);
      std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) / 4 * 4;
      ASSERT_EQ(bytes.size(), 54 + stride * h);
      EXPECT_EQ(bytes.substr(0, 2), "BM");
      EXPECT_EQ(Get32(bytes, 2), bytes.size());
      EXPECT_EQ(Get32(bytes, 10), 54u);
      EXPECT_EQ(Get32(bytes, 14), 40u);
      EXPECT_EQ(Get32(bytes, 18), static_cast<std::uint32_t>(w));
      EXPECT_EQ(Get32(bytes, 22), static_cast<std::uint32_t>(h));  // positive: bottom-up
      EXPECT_EQ(Get32(bytes, 26), 1u | 24u << 16);                 // one plane, 24 bits
      EXPECT_EQ(Get32(bytes, 30), 0u);                             // uncompressed
      EXPECT_EQ(Get32(bytes, 34), stride * h);
      // The first stored row is the bottom one; padding bytes are zero.
      EXPECT_EQ(std::memcmp(bytes.data() + 54, b.Row(h - 1), static_cast<std::size_t>(w) * 3), 0);
      for (int r = 0; r < h; ++r)
        for (std::size_t p = static_cast<std::size_t>(w) * 3; p < stride; ++p) EXPECT_EQ(bytes[54 + r * stride + p], 0);
      EXPECT_TRUE(LoadBitmapFile(path).SamePixels(b)) << w << "x" << h;
    }
  }
}

TEST(BitmapFile, ReadsPaletteImagesOfEveryDepthInBothRowOrders) {
  TempDir dir;
  const int w = 13, h = 5;
  std::mt19937 rng(7);
  for (int bpp : {1, 4, 8}) {
    for (bool topDown : {false, true}) {
      for (std::uint32_t infoSize : {12u, 40u, 124u}) {
        if (infoSize == 12 && topDown) continue;  // the core header has no sign
        int colours = 1 << bpp;
        std::vector<std::uint8_t> pal(static_cast<std::size_t>(colours) * 3);
        for (auto& v : pal) v = static_cast<std::uint8_t>(rng());
        std::vector<int> idx(static_cast<std::size_t>(w) * h);
        for (auto& v : idx) v = static_cast<int>(rng() % colours);
        BmpBuilder f;
        f.width = w;
        f.height = h;
        f.bpp = bpp;
        f.infoSize = infoSize;
        f.topDown = topDown;
        f.palette = pal;
        f.pixels = PackIndexes(idx, w, h, bpp, topDown);
        EXPECT_TRUE(LoadBytes(dir, f.Build()).SamePixels(FromPalette(idx, w, h, pal)))
            << bpp << " bits, header " << infoSize << (topDown ? ", top-down" : "");
      }
    }
  }
}

TEST(BitmapFile, ShortPaletteGivesBlackForMissingEntries) {
  TempDir dir;
  BmpBuilder f;
  f.width = 3;
  f.height = 1;
  f.bpp = 8;
  f.palette = {1, 2, 3, 4, 5, 6};  // two entries only
  f.pixels = std::string("\x00\x01\x07\x00", 4);
  Bitmap24 b = LoadBytes(dir, f.Build());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.Row(0)), 9), std::string("\1\2\3\4\5\6\0\0\0", 9));
}

TEST(BitmapFile, ReadsTrueColourDepthsAndBitFields) {
  TempDir dir;
  const int w = 5, h = 3;
  Bitmap24 src = RandomBitmap(w, h, 3);
  struct Case {
    int bpp;
    std::uint32_t compression, r, g, b;
  };
  for (Case c : {Case{16, 0, 0x7C00, 0x03E0, 0x001F}, Case{16, 3, 0xF800, 0x07E0, 0x001F},
                 Case{16, 3, 0x0F00, 0x00F0, 0x000F}, Case{24, 0, 0, 0, 0}, Case{32, 0, 0xFF0000, 0xFF00, 0xFF},
                 Case{32, 3, 0xFF0000, 0xFF00, 0xFF}, Case{32, 3, 0xFF000000, 0x00FF0000, 0x0000FF00},
                 Case{32, 3, 0x3FF00000, 0x000FFC00, 0x000003FF}}) {
    for (bool topDown : {false, true}) {
      BmpBuilder f;
      f.width = w;
      f.height = h;
      f.bpp = c.bpp;
      f.compression = c.compression;
      f.topDown = topDown;
      f.masks[0] = c.r;
      f.masks[1] = c.g;
      f.masks[2] = c.b;
      Bitmap24 expected(w, h);
      for (int fr = 0; fr < h; ++fr) {
        int y = topDown ? fr : h - 1 - fr;
        std::string row(RowBytes(w, c.bpp), '\0');
        for (int x = 0; x < w; ++x) {
          const std::uint8_t* p = src.Row(y) + 3 * x;
          std::uint8_t* e = expected.Row(y) + 3 * x;
          if (c.bpp == 24) {
            std::memcpy(&row[3 * x], p, 3);
            std::memcpy(e, p, 3);
            continue;
          }
          // Keep the channel's top bits, then expect them scaled back to 0..255.
          std::uint32_t value = 0;
          std::uint32_t masks[3] = {c.b, c.g, c.r};
          for (int ch = 0; ch < 3; ++ch) {
            std::uint32_t m = masks[ch];
            int shift = std::countr_zero(m), bits = std::popcount(m);
            std::uint32_t v = bits >= 8 ? std::uint32_t{p[ch]} << (bits - 8) : p[ch] >> (8 - bits);
            value |= v << shift;
            std::uint32_t max = (1u << bits) - 1;
            e[ch] = static_cast<std::uint8_t>(bits >= 8 ? p[ch] : (v * 255 + max / 2) / max);
          }
          for (int k = 0; k < c.bpp / 8; ++k) row[static_cast<std::size_t>(x * c.bpp / 8 + k)] = static_cast<char>(value >> (8 * k));
        }
        f.pixels += row;
      }
      EXPECT_TRUE(LoadBytes(dir, f.Build()).SamePixels(expected))
          << c.bpp << " bits, compression " << c.compression << ", masks " << std::hex << c.r;
    }
  }
}

TEST(BitmapFile, DecodesRunLengthData) {
  TempDir dir;
  std::vector<std::uint8_t> pal;
  for (int i = 0; i < 16; ++i) pal.insert(pal.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 2), static_cast<std::uint8_t>(i * 3)});
  auto colour = [&](int i) { return std::string(reinterpret_cast<const char*>(&pal[i * 3]), 3); };
  auto row = [&](std::initializer_list<int> idx) {
    std::string s;
    for (int i : idx) s += colour(i);
    return s + std::string(2, '\0');  // 6 pixels: 18 bytes, padded to 20
  };
  BmpBuilder f;
  f.width = 6;
  f.height = 3;
  f.palette = pal;

  // RLE8, bottom row first: a run, a literal, end of line; then a move that skips
  // the rest of the second row and two pixels of the third; a run cut at the edge.
  f.bpp = 8;
  f.compression = 1;
  f.pixels = std::string("\x02\x05" "\x00\x03\x07\x08\x09\x00" "\x00\x00"
                         "\x01\x0A" "\x00\x02\x01\x01" "\x09\x04" "\x00\x01", 20);
  Bitmap24 b = LoadBytes(dir, f.Build());
  ASSERT_EQ(b.Width(), 6);
  std::string rows = std::string(reinterpret_cast<const char*>(b.Row(0)), 60);
  EXPECT_EQ(rows, row({0, 0, 4, 4, 4, 4}) + row({10, 0, 0, 0, 0, 0}) + row({5, 5, 7, 8, 9, 0}));

  // RLE4: runs alternate their two indexes; literals of odd length are word-padded.
  f.bpp = 4;
  f.compression = 2;
  f.pixels = std::string("\x05\x12" "\x00\x00" "\x00\x03\x34\x50" "\x00\x00" "\x06\x77" "\x00\x01", 14);
  b = LoadBytes(dir, f.Build());
  rows = std::string(reinterpret_cast<const char*>(b.Row(0)), 60);
  EXPECT_EQ(rows, row({7, 7, 7, 7, 7, 7}) + row({3, 4, 5, 0, 0, 0}) + row({1, 2, 1, 2, 1, 0}));

  // Data that ends before the end-of-bitmap mark is damaged.
  f.pixels = std::string("\x05\x12" "\x00\x00", 4);
  EXPECT_NE(LoadError(dir, f.Build()).find("truncated"), std::string::npos);
}

TEST(BitmapFile, RefusesDamagedAndUnsupportedFiles) {
  TempDir dir;
  BmpBuilder f;
  f.width = 4;
  f.height = 4;
  f.pixels = std::string(4 * 12, '\x40');
  std::string good = f.Build();
  ASSERT_NO_THROW(LoadBytes(dir, good));

  EXPECT_NE(LoadError(dir, "").find("not a BMP file"), std::string::npos);
  EXPECT_NE(LoadError(dir, "GIF89a" + good.substr(6)).find("not a BMP file"), std::string::npos);
  EXPECT_NE(LoadError(dir, good.substr(0, good.size() - 13)).find("truncated"), std::string::npos);
  // The last row may lack its padding, nothing more.
  f.width = 3;
  f.pixels = std::string(3 * 12 + 9, '\x40');
  EXPECT_NO_THROW(LoadBytes(dir, f.Build()));

  std::string bad = good;
  Put16(bad, 28, 2);  // two bits a pixel
  EXPECT_NE(LoadError(dir, bad).find("bit depth"), std::string::npos);
  bad = good;
  Put32(bad, 30, 4);  // embedded JPEG
  EXPECT_NE(LoadError(dir, bad).find("not supported"), std::string::npos);
  bad = good;
  Put32(bad, 14, 20);
  EXPECT_NE(LoadError(dir, bad).find("header size"), std::string::npos);
  bad = good;
  Put32(bad, 18, 0);
  EXPECT_NE(LoadError(dir, bad).find("Invalid image size"), std::string::npos);

  // Sizes beyond the limits are refused from the header, before any pixel is held.
  for (auto [w, h] : {std::pair{70000, 1}, std::pair{1, -70000}, std::pair{40000, 40000}, std::pair{1, INT32_MIN}}) {
    bad = good;
    Put32(bad, 18, static_cast<std::uint32_t>(w));
    Put32(bad, 22, static_cast<std::uint32_t>(h));
    EXPECT_NE(LoadError(dir, bad).find("too large"), std::string::npos) << w << "x" << h;
  }
  bad = good;
  Put32(bad, 18, 10000);
  Put32(bad, 22, 10000);
  EXPECT_NE(LoadError(dir, bad).find("truncated"), std::string::npos);

  EXPECT_THROW(LoadBitmapFile(dir / "missing.bmp"), ImageError);
  EXPECT_THROW(LoadBitmapFile(dir.Path()), ImageError);
}

TEST(BitmapFile, ReadsWhatImageMagickWrites) {
  imagetest::RequireTool(imagetest::kConvert);
  TempDir dir;
  std::string src = imagetest::PngSuite("basn2c08.png");  // 32 x 32, every colour distinct
  struct Variant {
    const char* name;
    std::vector<std::string> options;
    int tolerance;
  };
  for (const Variant& v : {Variant{"BMP3:", {}, 0}, Variant{"BMP2:", {}, 0},
                           Variant{"BMP3:", {"-colors", "200", "-type", "Palette", "-compress", "None"}, 0},
                           Variant{"BMP3:", {"-colors", "200", "-type", "Palette", "-compress", "RLE"}, 0},
                           Variant{"BMP3:", {"-colors", "14", "-depth", "4", "-type", "Palette"}, 0},
                           Variant{"BMP3:", {"-colors", "2", "-type", "Palette"}, 0},
                           Variant{"BMP:", {"-define", "bmp:subtype=RGB565"}, 1},
                           Variant{"BMP:", {"-define", "bmp:subtype=RGB555"}, 1},
                           Variant{"BMP:", {"-alpha", "set", "-channel", "A", "-evaluate", "set", "100%"}, 0}}) {
    std::string out = dir / "im.bmp";
    std::vector<std::string> argv{imagetest::kConvert, src};
    argv.insert(argv.end(), v.options.begin(), v.options.end());
    argv.push_back(v.name + out);
    imagetest::MustRun(argv);
    Bitmap24 ours = LoadBitmapFile(out);
    Bitmap24 theirs = imagetest::DecodedByImageMagick(out, 32, 32);
    EXPECT_LE(imagetest::MaxDifference(ours, theirs), v.tolerance) << v.name << " " << ::testing::PrintToString(v.options);
  }
}

}  // namespace
}  // namespace toviwall
