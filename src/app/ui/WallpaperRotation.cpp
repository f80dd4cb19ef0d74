#include "app/ui/WallpaperRotation.h"

#include <QAction>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>

#include "app/RotationState.h"
#include "app/ui/DesktopIconCaptions.h"
#include "app/ui/FormParts.h"
#include "app/ui/NoticeBox.h"
#include "app/ui/RunState.h"
#include "base/DateTime.h"
#include "base/Settings.h"
#include "base/SettingsPaths.h"
#include "imagelist/ImageList.h"
#include "wallpaper/FillingType.h"
#include "wallpaper/UnitWallHelper.h"

namespace toviwall {
namespace {

// A change holds tens of megabytes of pixels for a moment; the allocator would
// keep their pages once they are freed. They go back to the system, so the
// program idles small.
struct ReturnFreedPages {
  ~ReturnFreedPages() { malloc_trim(0); }
};

}  // namespace

WallpaperRotation::WallpaperRotation(QWidget& owner, Parts parts)
    : parts_(parts), controller_(parts.list, parts.settings, parts.state, Hooks()) {
  ActionChange_ = NamedAction(&owner, "ActionChange");
  TimerChange.setInterval(ChangeTimerIntervalMs());
  connect(&TimerChange, &QTimer::timeout, this, &WallpaperRotation::TimerChangeTimer);
  connect(ActionChange_, &QAction::triggered, this, Guarded(this, &WallpaperRotation::ChangeWallpaperNow));
  ActionNext_ = NamedAction(&owner, "ActionNextWallpaper");
  connect(ActionNext_, &QAction::triggered, this, [this] { RunGuarded([this] { Step(true); }); });
  ActionPrevious_ = NamedAction(&owner, "ActionPreviousWallpaper");
  connect(ActionPrevious_, &QAction::triggered, this, [this] { RunGuarded([this] { Step(false); }); });
  // The desktop's settings-change announcement reaches the window as the
  // system's broadcast would: on its own, its failures shown by themselves.
  parts_.desktop.SetSettingsChangeListener([this] { RunGuarded([this] { parts_.captions.ReapplyText(); }); });
  screenSettle_.setSingleShot(true);
  screenSettle_.setInterval(250);
  connect(&screenSettle_, &QTimer::timeout, this, &WallpaperRotation::ScreenChanged);
  parts_.screen.SetLayoutChangeListener([this] { screenSettle_.start(); });
}

WallpaperRotation::~WallpaperRotation() {
  parts_.screen.SetLayoutChangeListener({});
  parts_.desktop.SetSettingsChangeListener({});
}

void WallpaperRotation::ApplyCaptions() {
  ActionChange_->setText(T(10015));
  ActionNext_->setText(T(10160));
  ActionPrevious_->setText(T(10161));
}

// 30 seconds. TOVIWALL_TICK_MS (a positive number of milliseconds) shortens it
// for tests.
int WallpaperRotation::ChangeTimerIntervalMs() {
  if (const char* text = std::getenv("TOVIWALL_TICK_MS")) {
    char* end = nullptr;
    long ms = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && ms > 0 && ms <= 30000) return static_cast<int>(ms);
  }
  return 30000;
}

void WallpaperRotation::SeedRandomGenerator() {
  random_.seed(static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

RotationController::Hooks WallpaperRotation::Hooks() {
  RotationController::Hooks h;
  h.now = [] { return NowLocal(); };
  h.random = [this](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); };
  h.applyWallpaper = [this](int index, const std::vector<int>& others) { ApplyWallpaper(index, others); };
  h.entriesPerChange = [this] { return EntriesPerChange(); };
  h.wallpaperDiffers = [this](int index) { return WallpaperDiffers(parts_.list.Rows().Path(index)); };
  h.entrySkipped = [this](const std::string& path, const std::string& reason) { NoticeSkipped(path, reason); };
  h.reapplyIconText = [this] { parts_.captions.ReapplyText(); };
  h.keepIconTextColor = [this] { parts_.captions.KeepTextColour(); };
  h.switchTimer = [this](bool) { EnableChangeTimer(); };
  h.startup = [this] { return parts_.run.startupFlag; };
  h.autoChange = [this] { return parts_.settings.Get(keys::AutoChangeWallpaper); };
  h.randomize = [this] { return parts_.settings.Get(keys::Randomize); };
  h.intervalPosition = [this] { return parts_.settings.Get(keys::Interval); };
  return h;
}

void WallpaperRotation::EnableChangeTimer() {
  const bool on = !parts_.run.startupFlag && parts_.settings.Get(keys::AutoChangeWallpaper);
  if (on && !TimerChange.isActive()) TimerChange.start();
  if (!on) TimerChange.stop();
  emit scheduleChanged();
}

void WallpaperRotation::Reschedule() { controller_.Reschedule(); }
void WallpaperRotation::IntervalChosen() { controller_.Reschedule(false); }
void WallpaperRotation::RefillBag() { controller_.RefillBag(); }
void WallpaperRotation::ChangeWallpaperNow() { controller_.ChangeWallpaperNow(); }
void WallpaperRotation::ChangeToIndex(int index) { controller_.ChangeToIndex(index); }
void WallpaperRotation::Previous() { controller_.Previous(); }
void WallpaperRotation::Next() { controller_.Next(); }

void WallpaperRotation::Step(bool forward) {
  WallpaperList& rows = parts_.list.Rows();
  if (rows.FirstSelected() < 0 && !rows.Empty()) {
    const int current = parts_.state.CurrentIndex();
    rows.Select(rows.Valid(current) ? current : 0, true);
  }
  if (forward) Next();
  else Previous();
}

std::optional<double> WallpaperRotation::ScheduledChange() const {
  if (!TimerChange.isActive()) return std::nullopt;
  return controller_.NextChangeTime();
}

std::string WallpaperRotation::CurrentFileName() const {
  const WallpaperList& rows = parts_.list.Rows();
  const int current = parts_.state.CurrentIndex();
  return rows.Valid(current) ? ExtractFileName(rows.Path(current)) : std::string();
}

bool WallpaperRotation::DesktopShows(int index) {
  const WallpaperList& rows = parts_.list.Rows();
  return rows.Valid(index) && !WallpaperDiffers(rows.Path(index));
}

MonitorMode WallpaperRotation::Monitors() const {
  if (!parts_.desktop.SpansMonitors()) return MonitorMode::OnePicture;
  return MonitorModeFromStored(parts_.settings.Get(keys::Monitors));
}

void WallpaperRotation::TimerChangeTimer() {
  inTick_ = true;
  try {
    controller_.TimerTick();
  } catch (const std::exception& e) {
    parts_.notice.Show(QString::fromUtf8(e.what()));
  } catch (...) {
    parts_.notice.Show(QStringLiteral("Unknown error"));
  }
  inTick_ = false;
}

void WallpaperRotation::NoticeSkipped(const std::string& path, const std::string& reason) {
  // The decoders name the file before their reason; the name is said apart.
  std::string why = reason.starts_with(path + ": ") ? reason.substr(path.size() + 2) : reason;
  std::string folder = ExtractFilePath(path);
  if (folder.size() > 1) folder.pop_back();
  parts_.notice.Show(Q(FormatText(S(10114), {ExtractFileName(path), folder, why, "\n"})));
}

void WallpaperRotation::ApplyStoredIndex() {
  // An entry that cannot be applied is reported, and start-up goes on: the
  // change timer still starts, so the rotation moves past it. The program may
  // be starting with the session, with nobody there to answer a box.
  const WallpaperList& rows = parts_.list.Rows();
  const int stored = parts_.state.CurrentIndex();
  const std::string path = rows.Valid(stored) ? rows.Path(stored) : std::string();
  try {
    controller_.ApplyStoredIndex();
  } catch (const std::exception& e) {
    if (path.empty()) parts_.notice.Show(QString::fromUtf8(e.what()));
    else controller_.ReportSkipped(path, e.what());
  } catch (...) {
    parts_.notice.Show(QStringLiteral("Unknown error"));
  }
}

std::string WallpaperRotation::OutputWallpaperFile() const {
  // Where the settings folder's name is no name for the desktop: our cache folder.
  const std::string file =
      OutputWallpaperFileFor(parts_.paths.settingsFile, parts_.env.cacheHome + "/toviwall", parts_.desktop);
  if (file != OutputWallpaperFileName(parts_.paths.settingsFile)) {
    std::error_code ignored;  // a folder that cannot be made fails the write, which says so
    std::filesystem::create_directories(ExtractFilePath(file), ignored);
  }
  return file;
}

void WallpaperRotation::ClearWallpaper() {
  parts_.desktop.SetBackgroundColour(static_cast<std::uint32_t>(parts_.settings.Get(keys::BackgroundColor)));
  toviwall::ClearWallpaper(parts_.desktop);
}

int WallpaperRotation::EntriesPerChange() {
  if (Monitors() != MonitorMode::EachMonitor) return 1;
  return std::max<int>(1, static_cast<int>(parts_.screen.Layout().monitors.size()));
}

void WallpaperRotation::ScreenChanged() {
  if (parts_.run.startupFlag) return screenSettle_.start();  // once the stored entry is shown
  RunGuarded([this] {
    const WallpaperList& rows = parts_.list.Rows();
    const int current = parts_.state.CurrentIndex();
    // Only what is ours and still shown is composed again; the watchdog sees to the rest.
    if (!rows.Valid(current) || WallpaperDiffers(rows.Path(current))) return;
    const std::vector<int> others = controller_.CurrentOthers();
    const ReturnFreedPages trim;
    toviwall::ApplyWallpaper(Context(current, others));
    // A monitor that went keeps its entry for when it comes back.
    const std::vector<int> stored = parts_.state.MonitorIndexes();
    std::vector<int> kept = others;
    if (stored.size() > kept.size()) kept.insert(kept.end(), stored.begin() + kept.size(), stored.end());
    if (Monitors() == MonitorMode::EachMonitor) parts_.state.StoreMonitorIndexes(kept);
  });
}

void WallpaperRotation::ApplyWallpaper(int index, const std::vector<int>& others) {
  if (!parts_.list.Rows().Valid(index)) return;
  const ReturnFreedPages trim;
  toviwall::ApplyWallpaper(Context(index, others));
}

WallpaperContext WallpaperRotation::Context(int index, const std::vector<int>& others) {
  const WallpaperList& rows = parts_.list.Rows();
  WallpaperContext context{
      .imageFile = rows.Path(index),
      .fillingType = FillingTypeFromStored(parts_.settings.Get(keys::Type)),
      .outputFile = parts_.paths.outputFile,
      .screen = parts_.screen,
      .desktop = &parts_.desktop,
      .showCopyError =
          [this](const std::string& message) {
            if (inTick_) parts_.notice.Show(Q(message));
            else ShowErrorBox(Q(message));
          },
      .monitors = Monitors(),
      .otherImageFiles = {},
      .background = static_cast<std::uint32_t>(parts_.settings.Get(keys::BackgroundColor)),
  };
  if (context.monitors == MonitorMode::EachMonitor)
    for (int other : others)
      if (rows.Valid(other)) context.otherImageFiles.push_back(rows.Path(other));
  return context;
}

bool WallpaperRotation::WallpaperDiffers(const std::string& imageFile) {
  return toviwall::WallpaperDiffers(parts_.desktop, imageFile, parts_.paths.outputFile,
                                    FillingTypeFromStored(parts_.settings.Get(keys::Type)), parts_.screen, Monitors());
}

}  // namespace toviwall
