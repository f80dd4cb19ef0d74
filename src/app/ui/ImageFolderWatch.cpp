#include "app/ui/ImageFolderWatch.h"

#include <QTimer>
#include <chrono>

#include "app/ui/FormParts.h"
#include "app/ui/RunState.h"
#include "base/AtomicFile.h"
#include "base/Settings.h"
#include "imagelist/ImageFiles.h"
#include "imagelist/ImageList.h"
#include "imagelist/ui/DirMon.h"

namespace toviwall {
namespace {

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

ImageFolderWatch::ImageFolderWatch(Parts parts) : parts_(parts), schedule_(SteadySeconds) {
  DirMonImageFolder = new TDirMon(parts_.watches, this);
  DirMonImageFolder->setObjectName(QStringLiteral("DirMonImageFolder"));
  DirMonImageFolder->SetNotifyFilter(dmcFileName | dmcDirName);
  DirMonImageFolder->OnDirChange = [this](QObject*) { DirMonImageFolderDirChange(); };
  TimerImageFolder = Named(new QTimer(this), "TimerImageFolder");
  TimerImageFolder->setInterval(RescanSchedule::kTickMs);
  connect(TimerImageFolder, &QTimer::timeout, this, Guarded(this, &ImageFolderWatch::TimerImageFolderTimer));
}

ImageFolderWatch::~ImageFolderWatch() = default;

void ImageFolderWatch::StartMonitor(const std::string& folder) {
  TDirMon& monitor = *DirMonImageFolder;
  if (monitor.Running()) monitor.Stop();
  monitor.SetDirectory(folder);
  monitor.Nested = true;
  monitor.IgnoredFiles = {parts_.paths.settingsFile, parts_.paths.imageListFile, parts_.paths.outputFile};
  // A hidden file matters only as a picture the scan would take.
  monitor.HiddenFileCounts = [](std::string_view name) { return ImageGroupOf(std::string(name)) != ImageGroup::None; };
  monitor.Start();
}

void ImageFolderWatch::WatchOnly(const std::string& folder) {
  ++choice_;
  StartMonitor(folder);
}

bool ImageFolderWatch::WatchFolder(const std::string& folder) {
  const std::uint64_t mine = ++choice_;  // a scan of an older choice ends
  // Watched before it is scanned: what arrives during the scan is not lost.
  StartMonitor(folder);
  Scan(folder, mine);
  if (choice_ != mine) return false;
  parts_.settings.Set(keys::ImageFolder, folder);
  return true;
}

void ImageFolderWatch::Scan(const std::string& folder, std::uint64_t choice) {
  parts_.list.AddPaths(DirectoryExists(folder) ? std::vector<std::string>{folder} : std::vector<std::string>{},
                       [this, choice] { return choice_ != choice; });
  parts_.run.listChanged = true;
}

void ImageFolderWatch::DirMonImageFolderDirChange() {
  schedule_.Notice();
  // A running timer goes on at its pace: the deadline is tested once a second.
  if (!TimerImageFolder->isActive()) TimerImageFolder->start();
}

void ImageFolderWatch::TimerImageFolderTimer() {
  // A rescan still running (a large tree) takes the notice's turn when it ends.
  if (rescanning_ || !schedule_.Tick(parts_.run.startupFlag)) return;
  TimerImageFolder->stop();
  RescanImageFolder();
}

void ImageFolderWatch::RescanImageFolder() {
  // The folder being watched, not what the field may hold half typed.
  const std::string folder = DirMonImageFolder->Directory();
  const std::uint64_t mine = choice_;
  rescanning_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{rescanning_};
  Scan(folder, mine);
}

}  // namespace toviwall
