#include "platform/x11/XlibStripUpload.h"

#include "platform/x11/XlibErrorTrap.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>

#include <stdexcept>
#include <utility>

namespace toviwall::platform {
namespace {

// Shared memory is the same memory only on this machine: a server reached
// over TCP (ssh's forwarding included) would map whatever its own segment
// of that number holds.
bool LocalConnection(Display* dpy) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  return getsockname(ConnectionNumber(dpy), reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
         address.ss_family == AF_UNIX;
}

struct ImageFreer {
  void operator()(XImage* image) const { XDestroyImage(image); }
};

}  // namespace

void StripUpload::ImageDeleter::operator()(XImage* image) const {
  image->data = nullptr;  // the pixels are the segment's or the buffer's
  XDestroyImage(image);
}

StripUpload::StripUpload(Display* dpy, int screen, Drawable target, int width, int rows)
    : dpy_(dpy), target_(target), gc_(XCreateGC(dpy, target, 0, nullptr)), width_(width), rows_(rows) {
  Visual* visual = DefaultVisual(dpy, screen);
  const int depth = DefaultDepth(dpy, screen);
  if (LocalConnection(dpy) && XShmQueryExtension(dpy) && Attach(visual, depth)) return;
  image_.reset(XCreateImage(dpy, visual, depth, ZPixmap, 0, nullptr, width, rows, 32, 0));
  if (!image_) {
    XFreeGC(dpy_, gc_);
    throw std::runtime_error("cannot create an X image");
  }
  buffer_.resize(static_cast<std::size_t>(image_->bytes_per_line) * rows);
  image_->data = buffer_.data();
}

StripUpload::~StripUpload() {
  // Nothing of ours may stay on the server: the painter's connection retains
  // its resources when it closes.
  Release();
  XFreeGC(dpy_, gc_);
}

// Two strips in one segment, so that one is painted while the server copies
// the other. The segment is removed as soon as the server has it mapped, so
// the kernel frees it with the last mapping even if we die.
bool StripUpload::Attach(Visual* visual, int depth) {
  image_.reset(XShmCreateImage(dpy_, visual, depth, ZPixmap, nullptr, &segment_, width_, 2 * rows_));
  if (!image_) return false;
  segment_.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image_->bytes_per_line) * image_->height,
                          IPC_CREAT | 0600);
  if (segment_.shmid >= 0) {
    void* address = shmat(segment_.shmid, nullptr, 0);
    if (address != reinterpret_cast<void*>(-1)) segment_.shmaddr = image_->data = static_cast<char*>(address);
  }
  if (segment_.shmaddr) {
    // A server that cannot map the segment answers BadAccess; one in another
    // IPC namespace may map another segment of that number. A pixel sent
    // through the segment and read back over the connection proves it is ours.
    ErrorTrap trap(dpy_);
    XShmAttach(dpy_, &segment_);
    attached_ = true;  // detached again even when refused
    const unsigned long probe = 0x5a3c96ul & (depth >= 32 ? ~0ul : (1ul << depth) - 1);
    XPutPixel(image_.get(), 0, 0, probe);
    XShmPutImage(dpy_, target_, gc_, image_.get(), 0, 0, 0, 0, 1, 1, False);
    std::unique_ptr<XImage, ImageFreer> back(XGetImage(dpy_, target_, 0, 0, 1, 1, AllPlanes, ZPixmap));
    if (!trap.Error() && back && XGetPixel(back.get(), 0, 0) == probe) {
      shmctl(std::exchange(segment_.shmid, -1), IPC_RMID, nullptr);
      return true;
    }
  }
  Release();
  return false;
}

void StripUpload::Release() {
  if (attached_) {
    ErrorTrap trap(dpy_);  // a refused segment: BadValue
    XShmDetach(dpy_, &segment_);
    attached_ = false;
  }
  if (segment_.shmaddr) shmdt(segment_.shmaddr);
  if (segment_.shmid >= 0) shmctl(segment_.shmid, IPC_RMID, nullptr);
  segment_ = kNoSegment;
  image_.reset();
}

void StripUpload::Send(int y, int rows) {
  if (!attached_) {
    XPutImage(dpy_, target_, gc_, image_.get(), 0, 0, 0, y, width_, rows);
    return;
  }
  // The strip sent before is in the target once the server answers: its half
  // of the segment may be painted again after this one is sent.
  if (sent_) XSync(dpy_, False);
  XShmPutImage(dpy_, target_, gc_, image_.get(), 0, FirstRow(), 0, y, width_, rows, False);
  XFlush(dpy_);
  sent_ = true;
  half_ ^= 1;
}

}  // namespace toviwall::platform
