#pragma once
// A decoder that hands out an image's rows top-down in the 24-bit layout, a few
// at a time, so a large photograph never has to sit in memory whole on its way
// to a file or through the resampler. The rows come as the file stores them;
// Turn() says how they are turned to show the picture upright, and whatever
// places them (Placement, the resampler, thumbnails) turns them on the way.
#include <cstdint>
#include <memory>
#include <string>

#include "image/Bitmap.h"
#include "image/Orientation.h"

namespace toviwall {

class ImageReader {
 public:
  virtual ~ImageReader() = default;
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Rows handed out so far.
  int RowsRead() const { return next_; }
  // How the rows are turned to show upright (a JPEG's or PNG's EXIF orientation).
  Orientation Turn() const { return turn_; }
  // The rows still to come as a picture, shown upright.
  int UprightWidth() const { return SwapsSides(turn_) ? height_ - next_ : width_; }
  int UprightHeight() const { return SwapsSides(turn_) ? width_ : height_ - next_; }

  // Decodes the next `count` rows into rows[0..count-1] (each Width() * 3 bytes
  // of blue, green, red). Throws ImageError with the decoder's message.
  void ReadRows(std::uint8_t* const* rows, int count);

 protected:
  ImageReader() = default;
  void SetSize(int width, int height) {
    width_ = width;
    height_ = height;
  }
  void SetTurn(Orientation turn) { turn_ = turn; }
  virtual void DecodeRows(std::uint8_t* const* rows, int count) = 0;

 private:
  int width_ = 0;
  int height_ = 0;
  int next_ = 0;
  Orientation turn_ = Orientation::Upright;
};

// Every remaining row into a new bitmap, turned upright.
Bitmap24 ReadRemainingRows(ImageReader& reader);

}  // namespace toviwall
