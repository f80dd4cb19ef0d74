#include "platform/sway/SwayWallpaper.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <utility>

#include "base/AtomicFile.h"
#include "image/BitmapFile.h"
#include "platform/sway/OutputPicture.h"

namespace toviwall::platform {
namespace {

// Output names come from sway; one that would end our quotes is left alone.
bool SafeOutputName(const std::string& name) {
  return !name.empty() && name.find_first_of("\"'\\;,\n") == std::string::npos;
}

}  // namespace

SwayWallpaper::SwayWallpaper(std::shared_ptr<SwaySession> session, std::string folder)
    : session_(std::move(session)), folder_(std::move(folder)) {
  connect(session_.get(), &SwaySession::Reloaded, this, &SwayWallpaper::Reapply);
  connect(session_.get(), &SwaySession::OutputsChanged, this, &SwayWallpaper::Reapply);
}

void SwayWallpaper::WriteValues(const std::string& file, WallpaperStyle style) { written_ = Values{file, style}; }

void SwayWallpaper::TakePicture(const std::string& file, std::shared_ptr<const Bitmap24> picture) {
  inHand_.Take(file, std::move(picture));
}

void SwayWallpaper::Reload() {
  const std::shared_ptr<const Bitmap24> picture = inHand_.GiveUp(written_ ? &written_->file : nullptr);
  if (written_) {
    Show(*written_, picture.get());
  }
  AnnounceSettingsChange();
}

void SwayWallpaper::Show(const Values& values, const Bitmap24* inHand) {
  EnsurePictureFolder(folder_);  // also for None: a refusal says why at the first change
  const std::vector<SwayOutput> outputs = session_->Outputs();
  std::optional<Bitmap24> loaded;
  if (!values.file.empty() && !inHand) {
    try {
      loaded = LoadBitmapFile(values.file);
    } catch (const std::exception&) {
      // shown as the colour alone
    }
  }
  const Bitmap24* picture = inHand ? inHand : loaded ? &*loaded : nullptr;

  std::vector<std::pair<std::string, std::string>> commands;
  std::vector<std::string> files;
  if (picture) {
    std::vector<MonitorRect> rects;
    for (const SwayOutput& o : outputs) rects.push_back(o.rect);
    files = WriteOutputPictures(folder_, ++serial_, *picture, values.style, rects, background_);
  }
  std::string all;
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    if (!SafeOutputName(outputs[i].name)) continue;
    std::string command = "output \"" + outputs[i].name + "\" bg ";
    if (picture) {
      // sway takes a missing file as success and keeps the old background.
      if (!FileExists(files[i])) throw std::runtime_error("The wallpaper picture " + files[i] + " has gone.");
      command += "'" + files[i] + "' stretch";
    } else {
      command += "'" + HexColour(background_) + "' solid_color";
    }
    commands.emplace_back(outputs[i].name, command);
    all += (all.empty() ? "" : "; ") + command;
  }
  if (!all.empty()) session_->Command(all);
  commands_ = std::move(commands);
  applied_ = values;
  shown_ = values.file;
  RemoveOldPictures(folder_, files);
}

void SwayWallpaper::Reapply() {
  if (!applied_) return;
  try {
    const std::vector<SwayOutput> outputs = session_->Outputs();
    std::string all;
    bool whole = true;
    std::size_t named = 0;
    for (const SwayOutput& output : outputs) {
      if (!SafeOutputName(output.name)) continue;
      ++named;
      auto known = std::find_if(commands_.begin(), commands_.end(), [&](const auto& c) { return c.first == output.name; });
      whole = whole && known != commands_.end();
      if (known != commands_.end()) all += (all.empty() ? "" : "; ") + known->second;
    }
    // A new output needs its picture composed; one whose size changed gets
    // it when the program composes again for the new layout.
    if (!whole || named != commands_.size()) return Show(*applied_, nullptr);
    if (!all.empty()) session_->Command(all);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "toviwall: cannot set the wallpaper again: %s\n", e.what());
  }
}

}  // namespace toviwall::platform
