#pragma once
// TToviThumbnail: the thumbnail control of the preview window. It loads its
// picture by file name and keeps the image's own size; OnImgChanged follows
// every picture it shows. PNG files are decoded straight into memory, so no
// temporary file is written.
#include <functional>
#include <string>

#include "preview/ui/VantorThumbnails.h"

namespace toviwall {

class TToviThumbnail final : public TVantorThumbnail {
  Q_OBJECT
 public:
  explicit TToviThumbnail(QWidget* parent = nullptr);

  // The file last assigned; kept also when it fails to load.
  const std::string& ImgFileName() const { return imgFileName_; }
  // Loads and shows the file (see LoadGraphic). When it fails, the picture and
  // the sizes stay as they were and OnImgError gets the reason.
  void SetImgFileName(const std::string& file);
  int ImgWidth() const { return imgWidth_; }
  int ImgHeight() const { return imgHeight_; }

  std::function<void(TToviThumbnail* sender)> OnImgChanged;
  std::function<void(TToviThumbnail* sender, const std::string& message)> OnImgError;

 protected:
  void GraphicLoaded(const ThumbnailLoad& load) override;

 private:
  std::string imgFileName_;
  int imgWidth_ = 0;
  int imgHeight_ = 0;
};

}  // namespace toviwall
