// Program entry: one instance per user; the main window owns the rest of the run.
#include <QIcon>
#include <memory>

#include "base/AppIdentity.h"
#include "base/ui/Dialogs.h"
#include "app/ui/OnlyOnce.h"
#include "base/SettingsPaths.h"
#include "app/ui/WallPaperMain.h"
#include "app/ui/WidgetMap.h"
#include "platform/Platform.h"
#include "platform/local/LocalSingleInstance.h"

int main(int argc, char** argv) {
  using namespace toviwall;
  ProcessEnvironment env = ProcessEnvironment::Current(argc, argv);

  // 1. A second start tells the first to show or hide its window, and ends.
  platform::LocalSingleInstance instance;
  if (OnlyOnce(kTitle, instance)) return 0;

  // 2. The application object; the main window stays hidden when the loop starts.
  ToviApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  // 3.
  QApplication::setApplicationName(QStringLiteral("toviwall"));
  QApplication::setDesktopFileName(QStringLiteral("toviwall"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/toviwall.png")));
  // Without a desktop session Qt knows only the bare hicolor theme, which has no
  // file-type icons; Adwaita (installed with the program) fills the gaps.
  QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

  auto widgetMap = WidgetMap::FromEnvironment();  // only for tests that drive the program

  // 4.
  auto platform = platform::CreateLinuxPlatform(&instance);
  auto form = std::make_unique<TMainForm>(env, *platform);

  // 6.
  int rc = form->EndRequested() ? 0 : app.exec();
  form->FormDestroy();
  return rc;
}
