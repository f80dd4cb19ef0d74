#pragma once
// Painted rows on their way into a drawable on the X server, a strip at a time.
// Through shared memory (MIT-SHM) where the server maps our segment: it copies
// each strip from there while we paint the next. Otherwise over the
// connection, as a remote server, one without the extension or one that
// refuses our segment (another user's server, another IPC namespace) needs.
// For Xlib sources only: Xlib's macros break Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <memory>
#include <vector>

namespace toviwall::platform {

class StripUpload {
 public:
  // Strips of up to `rows` rows of `width` pixels for `target`, a drawable of
  // the screen's default depth.
  StripUpload(Display* dpy, int screen, Drawable target, int width, int rows);
  ~StripUpload();
  StripUpload(const StripUpload&) = delete;
  StripUpload& operator=(const StripUpload&) = delete;

  // The image to paint the next strip into, from row FirstRow() on.
  XImage& Image() { return *image_; }
  int FirstRow() const { return half_ * rows_; }
  // Sends the strip's first `rows` rows to row `y` of the target; the next
  // strip may be painted at once.
  void Send(int y, int rows);
  // Whether the strips go through shared memory.
  bool Shared() const { return attached_; }

 private:
  struct ImageDeleter {
    void operator()(XImage* image) const;
  };
  static constexpr XShmSegmentInfo kNoSegment{0, -1, nullptr, False};
  bool Attach(Visual* visual, int depth);
  void Release();

  Display* dpy_;
  Drawable target_;
  GC gc_;
  int width_, rows_;
  std::unique_ptr<XImage, ImageDeleter> image_;
  std::vector<char> buffer_;  // the strip sent over the connection
  XShmSegmentInfo segment_ = kNoSegment;
  bool attached_ = false;
  bool sent_ = false;  // a shared strip is on its way
  int half_ = 0;       // which of the segment's two strips is painted next
};

}  // namespace toviwall::platform
