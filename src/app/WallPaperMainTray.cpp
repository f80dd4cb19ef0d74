// The tray icon and its menu.
#include "app/WallPaperMain.h"

namespace toviwall {

void TMainForm::RefreshTrayIcon() {}  // not built yet: the tray icon
void TMainForm::ReAddIcon() {}
void TMainForm::RemoveTrayIcon() {}

}  // namespace toviwall
