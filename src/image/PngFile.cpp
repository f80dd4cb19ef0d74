// PNG decoding with libpng: every colour type and bit depth, transparency laid
// over white by its alpha; the orientation of an eXIf chunk before the image data.
#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>

#include "image/ImageConvert.h"
#include "image/Orientation.h"

namespace toviwall {
namespace {

struct ErrorState {
  char message[256] = "PNG decoding failed";
};

[[noreturn]] void OnError(png_structp png, png_const_charp text) {
  auto* state = static_cast<ErrorState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", text ? text : "PNG decoding failed");
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// The read structures, released even when construction fails.
struct PngHandles {
  png_structp png = nullptr;
  png_infop info = nullptr;
  PngHandles() = default;
  PngHandles(const PngHandles&) = delete;
  PngHandles& operator=(const PngHandles&) = delete;
  ~PngHandles() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

class PngReader final : public ImageReader {
 public:
  PngReader(const std::string& path, const ImageLimits& limits) : path_(path) {
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (!file_) throw ImageError(path + ": " + std::strerror(errno));
    png_byte signature[8] = {};
    if (std::fread(signature, 1, 8, file_.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0)
      throw ImageError(path + ": not a PNG file");
    h_.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error_, OnError, OnWarning);
    if (!h_.png) throw ImageError(path + ": out of memory");
    h_.info = png_create_info_struct(h_.png);
    if (!h_.info) throw ImageError(path + ": out of memory");
    png_uint_32 maxDim = static_cast<png_uint_32>(limits.maxDimension);
    Guarded([this, maxDim] {
      png_set_user_limits(h_.png, maxDim, maxDim);
      png_init_io(h_.png, file_.get());
      png_set_sig_bytes(h_.png, 8);
      png_read_info(h_.png, h_.info);
    });
    CheckImageSize(png_get_image_width(h_.png, h_.info), png_get_image_height(h_.png, h_.info), limits);
    png_uint_32 exifSize = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(h_.png, h_.info, &exifSize, &exif) && exif) SetTurn(ExifOrientation(exif, exifSize));
    Guarded([this] {
      png_set_expand(h_.png);  // palette to RGB, low bit depths to 8, tRNS to alpha
      png_set_scale_16(h_.png);
      png_set_gray_to_rgb(h_.png);
      png_set_bgr(h_.png);
      passes_ = png_set_interlace_handling(h_.png);
      png_read_update_info(h_.png, h_.info);
      channels_ = png_get_channels(h_.png, h_.info);
    });
    if (channels_ != 3 && channels_ != 4) throw ImageError(path + ": unexpected PNG layout");
    SetSize(static_cast<int>(png_get_image_width(h_.png, h_.info)),
            static_cast<int>(png_get_image_height(h_.png, h_.info)));
    rowBytes_ = static_cast<std::size_t>(Width()) * static_cast<std::size_t>(channels_);
  }

 protected:
  void DecodeRows(std::uint8_t* const* rows, int count) override {
    const int first = RowsRead();
    if (passes_ > 1) {
      // Interlaced rows are only complete after the last pass: decode them all at once.
      if (!whole_) ReadWholeImage();
      for (int k = 0; k < count; ++k)
        Deliver(&whole_[rowBytes_ * static_cast<std::size_t>(first + k)], rows[k]);
      return;
    }
    if (channels_ == 3) {
      for (int k = 0; k < count; ++k) {
        png_bytep row = rows[k];
        Guarded([this, row] { png_read_row(h_.png, row, nullptr); });
      }
      if (first + count == Height()) Finish();
      return;
    }
    row_.resize(rowBytes_);
    for (int k = 0; k < count; ++k) {
      png_bytep row = row_.data();
      Guarded([this, row] { png_read_row(h_.png, row, nullptr); });
      Deliver(row, rows[k]);
    }
    if (first + count == Height()) Finish();
  }

 private:
  template <class F>
  void Guarded(F f) {
    if (setjmp(png_jmpbuf(h_.png))) throw ImageError(path_ + ": " + error_.message);
    f();
  }

  void ReadWholeImage() {
    whole_ = std::make_unique_for_overwrite<std::uint8_t[]>(rowBytes_ * static_cast<std::size_t>(Height()));
    pointers_.resize(static_cast<std::size_t>(Height()));
    for (int y = 0; y < Height(); ++y) pointers_[static_cast<std::size_t>(y)] = &whole_[rowBytes_ * static_cast<std::size_t>(y)];
    Guarded([this] { png_read_image(h_.png, pointers_.data()); });
    Finish();
  }

  // Reads to the end of the file, so that a damaged checksum of the last image
  // data is noticed too.
  void Finish() {
    Guarded([this] { png_read_end(h_.png, nullptr); });
  }

  // Opaque keeps the colour, fully transparent leaves white.
  void Deliver(const std::uint8_t* in, std::uint8_t* out) const {
    if (channels_ == 3) {
      std::memcpy(out, in, static_cast<std::size_t>(Width()) * 3);
      return;
    }
    for (int x = 0; x < Width(); ++x, in += 4, out += 3) {
      unsigned a = in[3];
      for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>((in[c] * a + 255 * (255 - a) + 127) / 255);
    }
  }

  std::string path_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  ErrorState error_;
  PngHandles h_;
  int passes_ = 1;
  int channels_ = 3;
  std::size_t rowBytes_ = 0;
  std::vector<std::uint8_t> row_;
  std::unique_ptr<std::uint8_t[]> whole_;
  std::vector<png_bytep> pointers_;
};

}  // namespace

std::unique_ptr<ImageReader> OpenPngFile(const std::string& file, const ImageLimits& limits) {
  return std::make_unique<PngReader>(file, limits);
}

}  // namespace toviwall
