#include "preview/ui/ToviThumbnail.h"

namespace toviwall {

TToviThumbnail::TToviThumbnail(QWidget* parent) : TVantorThumbnail(parent) {}

void TToviThumbnail::SetImgFileName(const std::string& file) {
  if (!file.empty()) imgFileName_ = file;
  LoadGraphic(file);
}

void TToviThumbnail::GraphicLoaded(const ThumbnailLoad& load) {
  if (load.ok) {
    imgWidth_ = load.image.width;
    imgHeight_ = load.image.height;
    if (OnImgChanged) OnImgChanged(this);
  } else if (OnImgError) {
    OnImgError(this, load.error);
  }
  TVantorThumbnail::GraphicLoaded(load);
}

}  // namespace toviwall
