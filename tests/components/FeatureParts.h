#pragma once
// What the main window hands its features, made by a test without the window:
// the settings, the list, the rotation's stored state, the run, the paths,
// recording doubles of the platform and a main window that writes down what
// it is asked. A feature under test is built on these alone.
#include <QCoreApplication>
#include <QWidget>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/RotationState.h"
#include "app/ui/DesktopIconCaptions.h"
#include "app/ui/MainWindowControl.h"
#include "app/ui/NoticeBox.h"
#include "app/ui/RunState.h"
#include "app/ui/WallpaperRotation.h"
#include "base/Settings.h"
#include "imagelist/ImageList.h"
#include "support/FakePlatform.h"
#include "support/TestSession.h"

namespace toviwall::test {

class FakeMainWindow final : public MainWindowControl {
 public:
  QWidget& Window() override { return window; }
  bool MainWindowShowing() const override { return showing; }
  void ShowHideMainWindow() override { showing = !showing; }
  void HideMainWindow() override { showing = false; }
  void BringWindowToFront(QWidget*) override {}
  bool RaiseOtherFrontWindow() override { return false; }
  void EndRun() override {
    ++endRuns;
    if (onEndRun) onEndRun();
  }
  const std::vector<std::string>& EndFailures() const override { return failures; }

  QWidget window;
  bool showing = false;
  int endRuns = 0;
  std::function<void()> onEndRun;  // runs as the end is asked for
  std::vector<std::string> failures;
};

struct FeatureParts {
  TempDir dir;
  ProcessEnvironment env = EnvironmentIn(dir.Path(), dir / "toviwall.ini");
  FakePlatform fake;
  Settings settings{dir / "toviwall.ini"};
  AppPaths paths{settings.File(), dir / "toviwall.lst", dir.Path(), dir / "Tovi Wallpaper.bmp"};
  RunState run{.startupFlag = false, .created = true};
  ImageList list;
  RotationState state{settings, list.Rows()};
  DesktopIconCaptions captions{*fake.icons, settings};
  NoticeBox notice;
  FakeMainWindow window;

  FeatureParts() {
    list.SetListFile(paths.imageListFile);
    // A batch lets events through, as the page's hooks let it.
    ImageList::Hooks hooks;
    hooks.pump = [] { QCoreApplication::processEvents(); };
    list.SetHooks(hooks);
    list.SetFollowers({.refillBag = {}, .rowsMoving = [this] { state.RowsMoving(); },
                       .rowsMoved = [this] { state.RowsMoved(); }});
  }
  // The settings file holds `text`.
  void Store(const std::string& text) { std::ofstream(settings.File()) << text; }
  // The list holds `pictures`, as a start loads it.
  void Load(const std::vector<std::string>& pictures) {
    std::ofstream file(paths.imageListFile);
    for (const std::string& p : pictures) file << p << "\r\n";
    file.close();
    list.LoadImageList(settings.File());
  }
  std::unique_ptr<WallpaperRotation> Rotation() {
    auto rotation = std::make_unique<WallpaperRotation>(
        window.window, WallpaperRotation::Parts{settings, list, state, run, paths, env, *fake.desktop, *fake.screen,
                                                captions, notice});
    WallpaperRotation* r = rotation.get();
    list.SetFollowers({.refillBag = [r] { r->RefillBag(); }, .rowsMoving = [this] { state.RowsMoving(); },
                       .rowsMoved = [this] { state.RowsMoved(); }});
    return rotation;
  }
  std::string Ini(const char* section, const char* key) { return IniReadString(settings.File(), section, key, "<none>"); }
};

}  // namespace toviwall::test
