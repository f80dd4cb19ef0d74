#pragma once
// The watched image folder: the directory monitor on it and every folder below
// it, the rescan one to two seconds after its last notice, and the change of
// folder itself (the monitor moved to the new folder, which is scanned into
// the list). A start with pictures in the list watches the folder without a
// scan. The monitor keeps watching while the list is scanned: a picture that
// arrives meanwhile is a notice for the next rescan, and the program's own
// list file is no change. A newer choice of folder ends a scan an older one
// still runs. The folder of a choice that stands is stored as "Image Folder".
#include <QObject>
#include <cstdint>
#include <string>

#include "imagelist/RescanSchedule.h"

class QTimer;

namespace toviwall {
namespace platform {
class DirectoryWatch;
}

struct AppPaths;
struct RunState;
class ImageList;
class Settings;
class TDirMon;

class ImageFolderWatch final : public QObject {
  Q_OBJECT

 public:
  struct Parts {
    ImageList& list;
    Settings& settings;
    RunState& run;
    AppPaths& paths;
    platform::DirectoryWatch& watches;
  };
  explicit ImageFolderWatch(Parts parts);
  ~ImageFolderWatch() override;

  // `folder` (an existing folder) is the image folder from now on: scanned
  // into the list, then watched, and stored. False when a newer choice came
  // while it was scanned: that one has taken over (and stores its own).
  bool WatchFolder(const std::string& folder);
  // `folder` is watched from now on, without a scan (its pictures are in the
  // list from an earlier run); a change there rescans it.
  void WatchOnly(const std::string& folder);

 private:
  void StartMonitor(const std::string& folder);
  void DirMonImageFolderDirChange();
  void TimerImageFolderTimer();
  void RescanImageFolder();
  void Scan(const std::string& folder, std::uint64_t choice);

  Parts parts_;
  TDirMon* DirMonImageFolder = nullptr;
  QTimer* TimerImageFolder = nullptr;
  RescanSchedule schedule_;  // holds RescanDeadline
  std::uint64_t choice_ = 0;  // the latest choice of folder
  bool rescanning_ = false;
};

}  // namespace toviwall
