// Applying an entry to the desktop.
#include "app/WallPaperMain.h"

namespace toviwall {

void TMainForm::ComputeOutputWallpaperFile() {}  // not built yet: the output wallpaper file
void TMainForm::WarnIfActiveDesktop() {}         // not built yet: the desktop backends
void TMainForm::ButtonNoneClick() {}             // not built yet: clearing the wallpaper
void TMainForm::ApplyWallpaper(int) {}           // not built yet: applying an entry

}  // namespace toviwall
