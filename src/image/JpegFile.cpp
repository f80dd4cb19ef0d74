// JPEG decoding with libjpeg at best quality: at full size for the wallpaper,
// or at 1/2, 1/4 or 1/8 of it for thumbnails (libjpeg's scaled decoding skips
// most of the work, so a photograph's thumbnail never decodes it whole). The
// EXIF orientation comes from the APP1 segment libjpeg keeps while it reads the
// header, so the file is read once.
#include <csetjmp>
#include <cstdio>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "image/ImageConvert.h"
#include "image/Orientation.h"

namespace toviwall {
namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->pub.format_message(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// libjpeg only warns about damaged entropy data and decodes grey blocks in its
// place; a wallpaper with holes in it is a failed decode. Harmless oddities
// (stray bytes between markers, unknown versions) are let through.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level != -1) return;
  switch (cinfo->err->msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
      ErrorExit(cinfo);
    default:
      ++cinfo->err->num_warnings;
  }
}

// The decompressor and its error manager, released even when construction fails.
struct Decompressor {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  bool created = false;
  Decompressor() = default;
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;
  ~Decompressor() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

class JpegReader final : public ImageReader {
 public:
  JpegReader(const std::string& path, const ImageLimits& limits, const JpegScaleChoice& chooseScale) : path_(path) {
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (!file_) throw ImageError(path + ": " + std::strerror(errno));
    cinfo_.err = jpeg_std_error(&err_.pub);
    err_.pub.error_exit = ErrorExit;
    err_.pub.emit_message = EmitMessage;
    Guarded([this] {
      jpeg_create_decompress(&cinfo_);
      jpeg_.created = true;
      jpeg_stdio_src(&cinfo_, file_.get());
      jpeg_save_markers(&cinfo_, JPEG_APP0 + 1, 0xFFFF);
      jpeg_read_header(&cinfo_, TRUE);
    });
    CheckImageSize(cinfo_.image_width, cinfo_.image_height, limits);
    SetTurn(SavedOrientation());
    cmyk_ = cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
    inverted_ = cmyk_ && cinfo_.saw_Adobe_marker;
    int denominator = 1;
    if (chooseScale) {
      const int w = static_cast<int>(cinfo_.image_width), h = static_cast<int>(cinfo_.image_height);
      denominator = SwapsSides(Turn()) ? chooseScale(h, w) : chooseScale(w, h);
    }
    if (denominator != 2 && denominator != 4 && denominator != 8) denominator = 1;
    Guarded([this, denominator] {
      cinfo_.scale_num = 1;
      cinfo_.scale_denom = static_cast<unsigned>(denominator);
      cinfo_.out_color_space = cmyk_ ? JCS_CMYK : JCS_EXT_BGR;
      cinfo_.dct_method = JDCT_ISLOW;
      cinfo_.do_fancy_upsampling = TRUE;
      jpeg_start_decompress(&cinfo_);
    });
    SetSize(static_cast<int>(cinfo_.output_width), static_cast<int>(cinfo_.output_height));
    if (cmyk_) cmykRows_.resize(static_cast<std::size_t>(Width()) * 4 * kCmykBatch);
  }

 protected:
  void DecodeRows(std::uint8_t* const* rows, int count) override {
    if (!cmyk_) {
      Guarded([this, rows, count] { ReadScanlines(const_cast<JSAMPARRAY>(rows), count); });
      return;
    }
    for (int done = 0; done < count; done += kCmykBatch) {
      int n = std::min(kCmykBatch, count - done);
      JSAMPROW cmyk[kCmykBatch];
      for (int k = 0; k < n; ++k) cmyk[k] = &cmykRows_[static_cast<std::size_t>(Width()) * 4 * k];
      Guarded([this, &cmyk, n] { ReadScanlines(cmyk, n); });
      for (int k = 0; k < n; ++k) CmykToBgr(cmyk[k], rows[done + k]);
    }
  }

 private:
  static constexpr int kCmykBatch = 8;

  // Runs libjpeg calls; its errors come back here and leave as ImageError. Only
  // trivially destructible state may live in `f`, which a long jump abandons.
  template <class F>
  void Guarded(F f) {
    if (setjmp(err_.jump)) throw ImageError(path_ + ": " + err_.message);
    f();
  }

  // The first APP1 segment that holds EXIF data (XMP comes in APP1 too).
  Orientation SavedOrientation() const {
    static constexpr char kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    for (jpeg_saved_marker_ptr m = cinfo_.marker_list; m; m = m->next)
      if (m->marker == JPEG_APP0 + 1 && m->data_length >= sizeof kExif && std::memcmp(m->data, kExif, sizeof kExif) == 0)
        return ExifOrientation(m->data, m->data_length);
    return Orientation::Upright;
  }

  void ReadScanlines(JSAMPARRAY rows, int count) {
    int done = 0;
    while (done < count)
      done += static_cast<int>(jpeg_read_scanlines(&cinfo_, rows + done, static_cast<JDIMENSION>(count - done)));
  }

  // Adobe's files store the inks inverted (0 = full ink).
  void CmykToBgr(const std::uint8_t* in, std::uint8_t* out) const {
    for (int x = 0; x < Width(); ++x, in += 4, out += 3) {
      unsigned c = in[0], m = in[1], y = in[2], k = in[3];
      if (!inverted_) {
        c = 255 - c;
        m = 255 - m;
        y = 255 - y;
        k = 255 - k;
      }
      out[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
      out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
      out[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
  }

  std::string path_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  Decompressor jpeg_;
  jpeg_decompress_struct& cinfo_ = jpeg_.cinfo;
  ErrorManager& err_ = jpeg_.err;
  bool cmyk_ = false;
  bool inverted_ = false;
  std::vector<std::uint8_t> cmykRows_;
};

}  // namespace

std::unique_ptr<ImageReader> OpenJpegFile(const std::string& file, const ImageLimits& limits) {
  return std::make_unique<JpegReader>(file, limits, JpegScaleChoice{});
}

std::unique_ptr<ImageReader> OpenScaledJpegFile(const std::string& file, const JpegScaleChoice& chooseScale,
                                                const ImageLimits& limits) {
  return std::make_unique<JpegReader>(file, limits, chooseScale);
}

}  // namespace toviwall
