#include "wallpaper/UnitWallHelper.h"

#include <algorithm>
#include <stdexcept>

#include "base/AppIdentity.h"
#include "base/AtomicFile.h"
#include "base/SettingsPaths.h"
#include "base/UnitLanguage.h"
#include "wallpaper/Composition.h"
#include "image/ImageConvert.h"

namespace toviwall {
namespace {

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  });
  return s;
}

// The file applying `imageFile` hands to the desktop.
std::string ExpectedWallpaperFile(const platform::DesktopWallpaper& desktop, const std::string& imageFile,
                                  const std::string& outputFile, FillingType fillingType, MonitorMode monitors,
                                  platform::Screen& screen) {
  std::string expected = WallpaperFileFor(imageFile, outputFile);
  if (expected == outputFile || monitors != MonitorMode::OnePicture) return outputFile;
  if (((fillingType == FillingType::ResizeToFit || fillingType == FillingType::Zoom ||
        fillingType == FillingType::FitBlurred) &&
       NeedsResizeToFit(imageFile, screen)) ||
      (fillingType == FillingType::ShrinkToFit && NeedsShrinkToFit(imageFile, screen)))
    return outputFile;
  // A name the desktop cannot take: a copy under ours.
  return desktop.TakesFileName(imageFile) ? imageFile : outputFile;
}

}  // namespace

std::string OutputWallpaperFileName(const std::string& settingsFile) {
  return ExtractFilePath(settingsFile) + kOutputWallpaperName;
}

std::string OutputWallpaperFileFor(const std::string& settingsFile, const std::string& otherFolder,
                                   const platform::DesktopWallpaper& desktop) {
  const std::string beside = OutputWallpaperFileName(settingsFile);
  const std::string other = otherFolder + "/" + kOutputWallpaperName;
  return desktop.TakesFileName(beside) || !desktop.TakesFileName(other) ? beside : other;
}

void WriteDesktopWallpaperValues(platform::DesktopWallpaper& desktop, const std::string& file, WallpaperStyle style) {
  desktop.WriteValues(file, style);
}

void SetDesktopWallpaper(platform::DesktopWallpaper& desktop, const std::string& file, WallpaperStyle style,
                         std::shared_ptr<const Bitmap24> picture) {
  if (!desktop.TakesFileName(file))
    throw std::runtime_error("The desktop takes file names as UTF-8 text, and \"" + file +
                             "\" is not: it would show another file.");
  // Withdrawn again whatever happens: pixels must never outlive the call that
  // made them, nor be shown for a later write of the same file.
  struct Withdraw {
    platform::DesktopWallpaper& desktop;
    bool armed;
    ~Withdraw() {
      if (armed) desktop.TakePicture({}, nullptr);
    }
  } withdraw{desktop, picture && desktop.TakesPictures()};
  if (withdraw.armed) desktop.TakePicture(file, std::move(picture));
  WriteDesktopWallpaperValues(desktop, file, style);
  desktop.Reload();
}

void ClearWallpaper(platform::DesktopWallpaper& desktop) { SetDesktopWallpaper(desktop, "", WallpaperStyle::Stretched); }

bool WallpaperDiffers(platform::DesktopWallpaper& desktop, const std::string& imageFile, const std::string& outputFile,
                      FillingType fillingType, platform::Screen& screen, MonitorMode monitors) {
  if (!FileExists(imageFile)) return true;
  const std::string expected = ExpectedWallpaperFile(desktop, imageFile, outputFile, fillingType, monitors, screen);
  const std::optional<std::string> shown = desktop.ReadWallpaper();
  return !shown || Upper(*shown) != Upper(expected);
}

}  // namespace toviwall
