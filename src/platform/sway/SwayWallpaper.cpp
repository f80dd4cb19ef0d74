#include "platform/sway/SwayWallpaper.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/AtomicFile.h"
#include "image/BitmapFile.h"
#include "image/PngWrite.h"
#include "platform/sway/OutputPicture.h"

namespace toviwall::platform {
namespace {

constexpr char kPicturePrefix[] = "wallpaper-";
constexpr char kPictureSuffix[] = ".png";

// sway expands a background's path as a shell would ($, `, * and quotes
// work), so it gets only paths of letters, digits and "/._-", quoted.
bool SafeForSway(const std::string& path) {
  if (path.empty() || path.front() != '/') return false;
  for (unsigned char c : path)
    if (!(std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-')) return false;
  return true;
}

// Output names come from sway; one that would end our quotes is left alone.
bool SafeOutputName(const std::string& name) {
  return !name.empty() && name.find_first_of("\"'\\;,\n") == std::string::npos;
}

void EnsureFolder(const std::string& folder) {
  if (!SafeForSway(folder))
    throw std::runtime_error("The wallpaper cannot be handed to sway from the folder \"" + folder +
                             "\": sway would read its name as a shell command line. Only letters, digits "
                             "and \"/._-\" are safe there.");
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    throw std::runtime_error("Cannot make the folder " + folder + ": " + std::strerror(errno));
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
    throw std::runtime_error("The folder " + folder + " for the wallpaper pictures is not a folder of this user's.");
}

std::string Hex(std::uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06x", rgb & 0xffffff);
  return text;
}

// Our pictures the commands no longer name.
void RemoveOldPictures(const std::string& folder, const std::vector<std::string>& keep) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (!name.starts_with(kPicturePrefix) || !name.ends_with(kPictureSuffix)) continue;
    const std::string path = folder + "/" + name;
    if (std::find(keep.begin(), keep.end(), path) == keep.end()) ::unlink(path.c_str());
  }
}

}  // namespace

std::string SwayPictureFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || !*runtime) return {};
  std::string folder = runtime;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder + "/toviwall";
}

SwayWallpaper::SwayWallpaper(std::shared_ptr<SwaySession> session, std::string folder)
    : session_(std::move(session)), folder_(std::move(folder)) {
  connect(session_.get(), &SwaySession::Reloaded, this, &SwayWallpaper::Reapply);
  connect(session_.get(), &SwaySession::OutputsChanged, this, &SwayWallpaper::Reapply);
}

void SwayWallpaper::WriteValues(const std::string& file, WallpaperStyle style) { written_ = Values{file, style}; }

void SwayWallpaper::TakePicture(const std::string& file, std::shared_ptr<const Bitmap24> picture) {
  pictureFile_ = file;
  picture_ = std::move(picture);
}

void SwayWallpaper::Reload() {
  // Pixels in hand serve this reload only, and only for the file they were made for.
  const std::shared_ptr<const Bitmap24> picture = std::exchange(picture_, nullptr);
  if (written_) {
    const bool inHand = picture && !picture->Empty() && pictureFile_ == written_->file;
    Show(*written_, inHand ? picture.get() : nullptr);
  }
  AnnounceSettingsChange();
}

void SwayWallpaper::Show(const Values& values, const Bitmap24* inHand) {
  EnsureFolder(folder_);  // also for None: a refusal says why at the first change
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

  std::vector<std::pair<std::string, std::string>> commands(outputs.size());
  std::vector<std::string> files;
  if (picture) {
    ++serial_;
    for (std::size_t i = 0; i < outputs.size(); ++i)
      files.push_back(folder_ + "/" + kPicturePrefix + std::to_string(::getpid()) + "-" + std::to_string(serial_) + "-" +
                      std::to_string(i) + kPictureSuffix);
    // Each output's picture on a thread of its own: two outputs, two cores.
    std::vector<std::exception_ptr> errors(outputs.size());
    auto make = [&](std::size_t i) {
      try {
        SavePngFile(OutputPicture(picture, values.style, outputs[i].rect, background_), files[i]);
      } catch (...) {
        errors[i] = std::current_exception();
      }
    };
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < outputs.size(); ++i) {
      try {
        helpers.emplace_back(make, i);
      } catch (const std::system_error&) {
        make(i);
      }
    }
    if (!outputs.empty()) make(0);
    for (auto& t : helpers) t.join();
    for (const auto& e : errors)
      if (e) std::rethrow_exception(e);
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
      command += "'" + Hex(background_) + "' solid_color";
    }
    commands[i] = {outputs[i].name, command};
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
    for (const SwayOutput& output : outputs) {
      auto known = std::find_if(commands_.begin(), commands_.end(), [&](const auto& c) { return c.first == output.name; });
      whole = whole && known != commands_.end();
      if (known != commands_.end()) all += (all.empty() ? "" : "; ") + known->second;
    }
    // A new output, or one whose place changed, needs its picture composed.
    if (!whole || outputs.size() != commands_.size()) return Show(*applied_, nullptr);
    if (!all.empty()) session_->Command(all);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "toviwall: cannot set the wallpaper again: %s\n", e.what());
  }
}

}  // namespace toviwall::platform
