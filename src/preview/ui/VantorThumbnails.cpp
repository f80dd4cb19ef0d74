#include "preview/ui/VantorThumbnails.h"

#include <QFutureWatcher>
#include <QPainter>
#include <QtConcurrent/QtConcurrentRun>
#include <bit>

#include "image/MyStretch.h"
#include "preview/ThumbnailRender.h"

namespace toviwall {

// The cached picture's bytes (blue, green, red, 255) are QImage's RGB32 only here.
static_assert(std::endian::native == std::endian::little);

TVantorThumbnail::TVantorThumbnail(QWidget* parent)
    : QWidget(parent), watcher_(std::make_unique<QFutureWatcher<ThumbnailLoad>>()) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted
  connect(watcher_.get(), &QFutureWatcher<ThumbnailLoad>::finished, this, &TVantorThumbnail::Finished);
}

// A render still running stops at its next rows and is dropped.
TVantorThumbnail::~TVantorThumbnail() { ++*newest_; }

void TVantorThumbnail::SetOptions(ThumbnailOptions options) {
  if (options == look_.options) return;
  look_.options = options;
  update();
}

void TVantorThumbnail::SetQuality(ThumbnailQuality quality) {
  if (quality == look_.quality) return;
  look_.quality = quality;
  update();
}

void TVantorThumbnail::SetBorder(ThumbnailBorder border) {
  if (border == look_.border) return;
  look_.border = border;
  update();
}

void TVantorThumbnail::SetPadding(int padding) {
  padding = ClampThumbnailPadding(padding);
  if (padding == look_.padding) return;
  look_.padding = padding;
  update();
}

QColor TVantorThumbnail::Color() const { return color_.isValid() ? color_ : palette().color(QPalette::Window); }

void TVantorThumbnail::SetColor(const QColor& color) {
  color_ = color;
  update();
}

void TVantorThumbnail::LoadGraphic(const std::string& file) {
  next_ = Request{file, {width(), height()}, look_, ++*newest_, newest_};
  if (!busy_) StartNext();
}

void TVantorThumbnail::ClearGraphic() {
  ++*newest_;
  next_.reset();
  picture_ = QImage();
  update();
}

ThumbnailLoad TVantorThumbnail::Render(const Request& request) {
  ThumbnailLoad load;
  load.file = request.file;
  try {
    RenderedThumbnail rendered =
        RenderThumbnail(request.file, request.client, request.look, (CpuFlags() & kCpuHasMmx) != 0,
                        [&request] { return request.newest->load(std::memory_order_relaxed) != request.number; });
    load.image = rendered.image;
    load.decoded = rendered.decoded;
    const int w = rendered.pixels.Width(), h = rendered.pixels.Height();
    const auto stride = static_cast<qsizetype>(rendered.pixels.Stride());
    std::uint8_t* bytes = rendered.pixels.Release();
    // The image takes the buffer over and frees it with its last copy.
    load.picture = QImage(bytes, w, h, stride, QImage::Format_RGB32,
                          [](void* p) { delete[] static_cast<std::uint8_t*>(p); }, bytes);
    load.ok = true;
  } catch (const std::exception& e) {
    load.error = e.what();
  } catch (const ThumbnailCancelled&) {
    load.error = "cancelled";  // no longer wanted: never shown
  }
  return load;
}

void TVantorThumbnail::StartNext() {
  Request request = std::move(*next_);
  next_.reset();
  busy_ = true;
  running_ = request.number;
  watcher_->setFuture(QtConcurrent::run(&TVantorThumbnail::Render, std::move(request)));
}

void TVantorThumbnail::Finished() {
  busy_ = false;
  const bool newest = running_ == newest_->load();
  ThumbnailLoad load = newest ? watcher_->result() : ThumbnailLoad{};
  if (next_) StartNext();
  if (!newest) return;
  if (load.ok) {
    picture_ = load.picture;
    update();
  }
  GraphicLoaded(load);
}

void TVantorThumbnail::GraphicLoaded(const ThumbnailLoad& load) {
  if (OnGraphicLoaded) OnGraphicLoaded(this, load);
}

void TVantorThumbnail::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QColor brush = Color();
  const ThumbnailPaint plan =
      PlanThumbnailPaint({width(), height()}, {picture_.width(), picture_.height()}, look_);
  auto rect = [](const PixelRect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); };
  for (const PixelRect& band : plan.bands)
    if (band.right > band.left && band.bottom > band.top) painter.fillRect(rect(band), brush);
  if (plan.framed) {
    painter.fillRect(rect(plan.frame), Qt::black);
    painter.fillRect(rect(plan.frame).adjusted(1, 1, -1, -1), brush);
  }
  if (plan.hasPicture) {
    const QRect target = rect(plan.picture);
    if (target.size() == picture_.size())
      painter.drawImage(target.topLeft(), picture_);
    else
      painter.drawImage(target, picture_);
  }
}

}  // namespace toviwall
