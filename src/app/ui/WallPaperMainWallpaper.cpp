// Applying an entry to the desktop.
#include "app/ui/WallPaperMain.h"

#include <QComboBox>

#include "base/ui/Dialogs.h"
#include "wallpaper/Composition.h"
#include "wallpaper/UnitWallHelper.h"

namespace toviwall {

void TMainForm::ComputeOutputWallpaperFile() { OutputFile = OutputWallpaperFileName(SettingsFile); }

void TMainForm::WarnIfActiveDesktop() {
  if (platform_.desktopWallpaper && IsActiveDesktopOn(*platform_.desktopWallpaper))
    ShowMessage(Q(ActiveDesktopWarningText()), QMessageBox::Warning);
}

void TMainForm::ButtonNoneClick() {
  if (platform_.desktopWallpaper) ClearWallpaper(*platform_.desktopWallpaper);
}

void TMainForm::ApplyWallpaper(int index) {
  const WallpaperList& rows = imageList_.Rows();
  if (!rows.Valid(index) || !platform_.screen) return;
  WallpaperContext context{
      .imageFile = rows.Path(index),
      .index = index,
      .fillingType = FillingTypeFromStored(ComboBoxFilling->currentIndex()),
      .outputFile = OutputFile,
      .settingsFile = SettingsFile,
      .screen = *platform_.screen,
      .setDesktop =
          [this](const std::string& file, WallpaperStyle style) {
            if (platform_.desktopWallpaper) SetDesktopWallpaper(*platform_.desktopWallpaper, file, style);
          },
      .showCopyError = [](const std::string& message) { ShowErrorBox(Q(message)); },
      .now = {},
  };
  toviwall::ApplyWallpaper(context);
}

bool TMainForm::WallpaperDiffers(const std::string& imageFile) {
  if (!platform_.desktopWallpaper || !platform_.screen) return true;
  return toviwall::WallpaperDiffers(*platform_.desktopWallpaper, imageFile, OutputFile,
                                    FillingTypeFromStored(ComboBoxFilling->currentIndex()), *platform_.screen);
}

void TMainForm::WireWallpaperHandlers() {
  // The desktop's settings-change announcement reaches the window as the
  // system's broadcast would: on its own, its failures shown by themselves.
  if (platform_.desktopWallpaper)
    platform_.desktopWallpaper->SetSettingsChangeListener(
        [this] { RunHandler([this] { WMWinIniChange(); }); });
}

}  // namespace toviwall
