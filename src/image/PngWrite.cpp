#include "image/PngWrite.h"

#include <csetjmp>
#include <cstdio>
#include <exception>

#include <png.h>

#include "base/AtomicFile.h"

namespace toviwall {
namespace {

struct WriteState {
  AtomicFileWriter* out = nullptr;
  char message[256] = "PNG encoding failed";
};

[[noreturn]] void OnError(png_structp png, png_const_charp text) {
  auto* state = static_cast<WriteState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", text ? text : "PNG encoding failed");
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// A write error must not unwind through libpng: it leaves the way libpng's own do.
void OnWrite(png_structp png, png_bytep data, png_size_t size) {
  auto* state = static_cast<WriteState*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    state->out->Write(data, size);
  } catch (const std::exception& e) {
    std::snprintf(state->message, sizeof state->message, "%s", e.what());
    failed = true;
  }
  if (failed) png_longjmp(png, 1);
}

void OnFlush(png_structp) {}

struct WriteHandles {
  png_structp png = nullptr;
  png_infop info = nullptr;
  WriteHandles() = default;
  WriteHandles(const WriteHandles&) = delete;
  WriteHandles& operator=(const WriteHandles&) = delete;
  ~WriteHandles() {
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
  }
};

// The libpng calls; false after a libpng error (the message is in `state`).
// No C++ object with a destructor lives in here: libpng leaves by longjmp.
bool Encode(WriteHandles& h, WriteState& state, const Bitmap24& bitmap) {
  if (setjmp(png_jmpbuf(h.png))) return false;
  png_set_write_fn(h.png, &state, OnWrite, OnFlush);
  // Stored, unfiltered: a photograph shrinks little even at level 1, which
  // takes ten times as long as the copy (170 against 17 ms for 1920 x 1080),
  // and the file is read once, from memory.
  png_set_compression_level(h.png, 0);
  png_set_filter(h.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_IHDR(h.png, h.info, static_cast<png_uint_32>(bitmap.Width()), static_cast<png_uint_32>(bitmap.Height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  png_write_info(h.png, h.info);
  png_set_bgr(h.png);  // our rows are blue, green, red
  for (int y = 0; y < bitmap.Height(); ++y) png_write_row(h.png, const_cast<png_bytep>(bitmap.Row(y)));
  png_write_end(h.png, nullptr);
  return true;
}

}  // namespace

void SavePngFile(const Bitmap24& bitmap, const std::string& file) {
  if (bitmap.Empty()) throw ImageError("Cannot save an empty bitmap");
  AtomicFileWriter out(file);
  WriteState state{&out};
  WriteHandles h;
  h.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  if (!h.png) throw ImageError(file + ": out of memory");
  h.info = png_create_info_struct(h.png);
  if (!h.info) throw ImageError(file + ": out of memory");
  if (!Encode(h, state, bitmap)) throw ImageError(file + ": " + state.message);
  out.Commit();
}

}  // namespace toviwall
