#include "app/ui/WallpaperRotation.h"

#include <QAction>
#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <random>

#include "app/ui/DesktopPage.h"
#include "app/ui/FormParts.h"
#include "app/ui/ImageListPage.h"
#include "app/ui/WallPaperMain.h"
#include "base/AppIdentity.h"
#include "base/DateTime.h"
#include "base/Settings.h"
#include "base/SettingsPaths.h"
#include "wallpaper/Composition.h"
#include "wallpaper/FillingType.h"
#include "wallpaper/UnitWallHelper.h"

namespace toviwall {

WallpaperRotation::WallpaperRotation(TMainForm& form) : form_(form) {
  ActionChange_ = NamedAction(&form, "ActionChange");
  TimerChange.setInterval(ChangeTimerIntervalMs());
  connect(&TimerChange, &QTimer::timeout, this, &WallpaperRotation::TimerChangeTimer);
  connect(ActionChange_, &QAction::triggered, this, Guarded(this, &WallpaperRotation::ActionChangeExecute));
  // The desktop's settings-change announcement reaches the window as the
  // system's broadcast would: on its own, its failures shown by themselves.
  form.Platform().desktopWallpaper().SetSettingsChangeListener(
      [this] { RunGuarded([this] { WMWinIniChange(); }); });
  screenSettle_.setSingleShot(true);
  screenSettle_.setInterval(250);
  connect(&screenSettle_, &QTimer::timeout, this, &WallpaperRotation::ScreenChanged);
  form.Platform().screen().SetLayoutChangeListener([this] { screenSettle_.start(); });
}

WallpaperRotation::~WallpaperRotation() {
  form_.Platform().screen().SetLayoutChangeListener({});
  form_.Platform().desktopWallpaper().SetSettingsChangeListener({});
  delete notice_;  // a window of its own, not owned by the main window
}

void WallpaperRotation::ApplyCaptions() { ActionChange_->setText(T(10015)); }

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
  randomSeed_ = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

RotationController& WallpaperRotation::Controller() {
  if (rotation_) return *rotation_;
  RotationController::Hooks h;
  h.now = [] { return NowLocal(); };
  auto generator = std::make_shared<std::mt19937_64>(randomSeed_);
  h.random = [generator](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(*generator); };
  h.applyWallpaper = [this](int index, const std::vector<int>& others) { ApplyWallpaper(index, others); };
  h.entriesPerChange = [this] { return EntriesPerChange(); };
  h.wallpaperDiffers = [this](int index) {
    return WallpaperDiffers(form_.ImageListTab().List().Rows().Path(index));
  };
  h.entrySkipped = [this](const std::string& path, const std::string& reason) { NoticeSkipped(path, reason); };
  h.reapplyIconText = [this] { form_.DesktopTab().ReapplyIconText(); };
  h.keepIconTextColor = [this] { form_.DesktopTab().KeepIconTextColor(); };
  h.switchTimer = [this](bool) { EnableChangeTimer(); };
  h.startup = [this] { return form_.StartupFlag; };
  h.autoChange = [this] { return form_.DesktopTab().AutoChange(); };
  h.randomize = [this] { return form_.DesktopTab().Randomize(); };
  h.intervalPosition = [this] { return form_.DesktopTab().IntervalPosition(); };
  rotation_ = std::make_unique<RotationController>(form_.ImageListTab().List(), form_.SettingsFile, std::move(h));
  return *rotation_;
}

void WallpaperRotation::EnableChangeTimer() {
  const bool on = !form_.StartupFlag && form_.DesktopTab().AutoChange();
  if (on && !TimerChange.isActive()) TimerChange.start();
  if (!on) TimerChange.stop();
}

void WallpaperRotation::Reschedule() { Controller().Reschedule(); }
void WallpaperRotation::RefillBag() { Controller().RefillBag(); }
void WallpaperRotation::ChangeWallpaperNow() { Controller().ChangeWallpaperNow(); }
void WallpaperRotation::ChangeToIndex(int index) { Controller().ChangeToIndex(index); }
void WallpaperRotation::Previous() { Controller().Previous(); }
void WallpaperRotation::Next() { Controller().Next(); }
double WallpaperRotation::NextChangeTime() { return Controller().NextChangeTime(); }

bool WallpaperRotation::DesktopShows(int index) {
  const WallpaperList& rows = form_.ImageListTab().List().Rows();
  return rows.Valid(index) && !WallpaperDiffers(rows.Path(index));
}

void WallpaperRotation::TimerChangeTimer() {
  inTick_ = true;
  try {
    Controller().TimerTick();
  } catch (const std::exception& e) {
    Notice(QString::fromUtf8(e.what()));
  } catch (...) {
    Notice(QStringLiteral("Unknown error"));
  }
  inTick_ = false;
}

void WallpaperRotation::Notice(const QString& text) {
  if (notice_) {
    if (!notice_->text().contains(text)) notice_->setText(notice_->text() + QStringLiteral("\n\n") + text);
    return;
  }
  // No parent: the main window is mostly hidden, and the box must show anyway.
  notice_ = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kTitle), text, QMessageBox::Ok);
  notice_->setObjectName(QStringLiteral("NoticeBox"));
  notice_->setTextFormat(Qt::PlainText);
  notice_->setWindowModality(Qt::NonModal);
  notice_->setAttribute(Qt::WA_DeleteOnClose);
  QApplication::beep();
  notice_->show();
}

void WallpaperRotation::NoticeSkipped(const std::string& path, const std::string& reason) {
  // The decoders name the file before their reason; the name is said apart.
  std::string why = reason.starts_with(path + ": ") ? reason.substr(path.size() + 2) : reason;
  std::string folder = ExtractFilePath(path);
  if (folder.size() > 1) folder.pop_back();
  Notice(QStringLiteral("The picture \"%1\" in %2 cannot be shown: %3\n"
                        "The automatic change passes over it.")
             .arg(Q(ExtractFileName(path)), Q(folder), Q(why)));
}

void WallpaperRotation::ActionChangeExecute() { ChangeWallpaperNow(); }
void WallpaperRotation::WMWinIniChange() { form_.DesktopTab().ReapplyIconText(); }

void WallpaperRotation::ApplyStoredIndex() {
  // An entry that cannot be applied is reported, and start-up goes on: the
  // change timer still starts, so the rotation moves past it. The program may
  // be starting with the session, with nobody there to answer a box.
  const WallpaperList& rows = form_.ImageListTab().List().Rows();
  const int stored = form_.SettingsStore().Get(keys::CurrentIndex);
  const std::string path = rows.Valid(stored) ? rows.Path(stored) : std::string();
  try {
    Controller().ApplyStoredIndex();
  } catch (const std::exception& e) {
    if (path.empty()) Notice(QString::fromUtf8(e.what()));
    else Controller().ReportSkipped(path, e.what());
  } catch (...) {
    Notice(QStringLiteral("Unknown error"));
  }
}

void WallpaperRotation::ComputeOutputWallpaperFile() { form_.OutputFile = OutputWallpaperFile(); }

std::string WallpaperRotation::OutputWallpaperFile() const {
  // Where the settings folder's name is no name for the desktop: our cache folder.
  const char* cache = std::getenv("XDG_CACHE_HOME");
  const std::string cacheHome = cache && *cache ? cache : form_.Environment().home + "/.cache";
  const std::string file =
      OutputWallpaperFileFor(form_.SettingsFile, cacheHome + "/toviwall", form_.Platform().desktopWallpaper());
  if (file != OutputWallpaperFileName(form_.SettingsFile)) {
    std::error_code ignored;  // a folder that cannot be made fails the write, which says so
    std::filesystem::create_directories(ExtractFilePath(file), ignored);
  }
  return file;
}

void WallpaperRotation::WarnIfActiveDesktop() {
  if (IsActiveDesktopOn(form_.Platform().desktopWallpaper()))
    ShowMessage(Q(ActiveDesktopWarningText()), QMessageBox::Warning);
}

void WallpaperRotation::ClearWallpaper() {
  form_.Platform().desktopWallpaper().SetBackgroundColour(form_.DesktopTab().BackgroundColour());
  toviwall::ClearWallpaper(form_.Platform().desktopWallpaper());
}

int WallpaperRotation::EntriesPerChange() {
  if (form_.DesktopTab().Monitors() != MonitorMode::EachMonitor) return 1;
  return std::max<int>(1, static_cast<int>(form_.Platform().screen().Layout().monitors.size()));
}

namespace {

// A change holds tens of megabytes of pixels for a moment; the allocator would
// keep their pages once they are freed. They go back to the system, so the
// program idles small.
struct ReturnFreedPages {
  ~ReturnFreedPages() { malloc_trim(0); }
};

}  // namespace

void WallpaperRotation::ScreenChanged() {
  if (form_.StartupFlag) return screenSettle_.start();  // once the stored entry is shown
  RunGuarded([this] {
    const WallpaperList& rows = form_.ImageListTab().List().Rows();
    const int current = form_.SettingsStore().Get(keys::CurrentIndex);
    // Only what is ours and still shown is composed again; the watchdog sees to the rest.
    if (!rows.Valid(current) || WallpaperDiffers(rows.Path(current))) return;
    const std::vector<int> others = Controller().CurrentOthers();
    form_.Platform().desktopWallpaper().SetBackgroundColour(form_.DesktopTab().BackgroundColour());
    const ReturnFreedPages trim;
    ShowWallpaper(Context(current, others));
    // A monitor that went keeps its entry for when it comes back.
    const std::vector<int> stored = form_.SettingsStore().GetNumbers(keys::MonitorIndexes);
    std::vector<int> kept = others;
    if (stored.size() > kept.size()) kept.insert(kept.end(), stored.begin() + kept.size(), stored.end());
    if (form_.DesktopTab().Monitors() == MonitorMode::EachMonitor && kept != stored)
      form_.SettingsStore().SetNumbers(keys::MonitorIndexes, kept);
  });
}

void WallpaperRotation::ApplyWallpaper(int index, const std::vector<int>& others) {
  const WallpaperList& rows = form_.ImageListTab().List().Rows();
  if (!rows.Valid(index)) return;
  form_.Platform().desktopWallpaper().SetBackgroundColour(form_.DesktopTab().BackgroundColour());
  const ReturnFreedPages trim;
  toviwall::ApplyWallpaper(Context(index, others));
}

WallpaperContext WallpaperRotation::Context(int index, const std::vector<int>& others) {
  const WallpaperList& rows = form_.ImageListTab().List().Rows();
  WallpaperContext context{
      .imageFile = rows.Path(index),
      .index = index,
      .fillingType = form_.DesktopTab().Filling(),
      .outputFile = form_.OutputFile,
      .settingsFile = form_.SettingsFile,
      .screen = form_.Platform().screen(),
      .setDesktop =
          [this](const PreparedWallpaper& p) {
            SetDesktopWallpaper(form_.Platform().desktopWallpaper(), p.file, p.style, p.picture);
          },
      .showCopyError =
          [this](const std::string& message) {
            if (inTick_) Notice(Q(message));
            else ShowErrorBox(Q(message));
          },
      .now = {},
      .monitors = form_.DesktopTab().Monitors(),
      .otherImageFiles = {},
      .otherIndexes = {},
      .background = form_.DesktopTab().BackgroundColour(),
      .desktopTakesPicture = form_.Platform().desktopWallpaper().TakesPictures(),
      .desktopTakesName = [this](const std::string& file) {
        return form_.Platform().desktopWallpaper().TakesFileName(file);
      },
  };
  if (context.monitors == MonitorMode::EachMonitor)
    for (int other : others)
      if (rows.Valid(other)) {
        context.otherImageFiles.push_back(rows.Path(other));
        context.otherIndexes.push_back(other);
      }
  return context;
}

bool WallpaperRotation::WallpaperDiffers(const std::string& imageFile) {
  return toviwall::WallpaperDiffers(form_.Platform().desktopWallpaper(), imageFile, form_.OutputFile,
                                    form_.DesktopTab().Filling(), form_.Platform().screen(),
                                    form_.DesktopTab().Monitors());
}

}  // namespace toviwall
