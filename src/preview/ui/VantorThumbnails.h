#pragma once
// TVantorThumbnail: a small picture control that shows an image file scaled
// into its client area, centred, with an optional one-pixel frame. The picture
// is rendered once per assignment, off the main thread (a large photograph
// must not stall the window), into a cached image; painting only copies it.
#include <QColor>
#include <QImage>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "preview/ThumbnailGeometry.h"

template <class T>
class QFutureWatcher;

namespace toviwall {

// How a load ended.
struct ThumbnailLoad {
  std::string file;
  bool ok = false;
  std::string error;  // the decoder's message when it failed
  PixelSize image;    // the image's own size
  PixelSize decoded;  // the size it was decoded at
  QImage picture;     // the rendered picture
};

class TVantorThumbnail : public QWidget {
  Q_OBJECT
 public:
  explicit TVantorThumbnail(QWidget* parent = nullptr);
  ~TVantorThumbnail() override;

  // Option, quality, border and padding changes repaint; the cached picture
  // keeps its rendering until the next assignment.
  ThumbnailOptions Options() const { return look_.options; }
  void SetOptions(ThumbnailOptions options);
  ThumbnailQuality Quality() const { return look_.quality; }
  void SetQuality(ThumbnailQuality quality);
  ThumbnailBorder Border() const { return look_.border; }
  void SetBorder(ThumbnailBorder border);
  int Padding() const { return look_.padding; }
  // Clamped to 0..10.
  void SetPadding(int padding);
  // What surrounds the picture; the window colour of the palette until set.
  QColor Color() const;
  void SetColor(const QColor& color);

  // The cached picture; null when there is none.
  const QImage& Graphic() const { return picture_; }
  // Assigns the picture of `file` (BMP, JPEG, PNG): rendered for the control's
  // present size and look on a worker thread. Only the newest assignment's
  // result is taken; older ones still running are dropped when they end.
  void LoadGraphic(const std::string& file);
  // Empties the picture; loads under way are dropped.
  void ClearGraphic();
  // An assignment is still being rendered.
  bool Loading() const { return busy_ || next_.has_value(); }

  // After the newest assignment has ended; its picture is in place when it succeeded.
  std::function<void(TVantorThumbnail* sender, const ThumbnailLoad& load)> OnGraphicLoaded;

 protected:
  void paintEvent(QPaintEvent* event) override;
  virtual void GraphicLoaded(const ThumbnailLoad& load);

 private:
  struct Request {
    std::string file;
    PixelSize client;
    ThumbnailLook look;
    unsigned number;  // of this assignment
    std::shared_ptr<const std::atomic<unsigned>> newest;
  };
  static ThumbnailLoad Render(const Request& request);
  void StartNext();
  void Finished();

  ThumbnailLook look_;
  QColor color_;
  QImage picture_;
  std::optional<Request> next_;
  bool busy_ = false;
  // The number of the newest assignment, shared with the worker, which gives up
  // a render that is no longer the newest (also once the control is gone).
  std::shared_ptr<std::atomic<unsigned>> newest_ = std::make_shared<std::atomic<unsigned>>(0);
  unsigned running_ = 0;  // the number of the one on the worker
  std::unique_ptr<QFutureWatcher<ThumbnailLoad>> watcher_;
};

}  // namespace toviwall
