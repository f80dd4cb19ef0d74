#pragma once
// The pixels a change hands a painting backend with the file they were made
// for, so its next reload need not read the file back: they serve that reload
// only, and only for that file.
#include <memory>
#include <string>
#include <utility>

#include "image/Bitmap.h"

namespace toviwall::platform {

class PictureInHand {
 public:
  void Take(const std::string& file, std::shared_ptr<const Bitmap24> picture) {
    file_ = file;
    picture_ = std::move(picture);
  }
  // The pixels when they were made for `file` (null: nothing is shown); given up either way.
  std::shared_ptr<const Bitmap24> GiveUp(const std::string* file) {
    std::shared_ptr<const Bitmap24> picture = std::exchange(picture_, nullptr);
    if (!picture || picture->Empty() || !file || *file != file_) return nullptr;
    return picture;
  }

 private:
  std::string file_;
  std::shared_ptr<const Bitmap24> picture_;
};

}  // namespace toviwall::platform
