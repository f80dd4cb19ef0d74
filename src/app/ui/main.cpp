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

int main(int argc, char** argv) {
  using namespace toviwall;
  ProcessEnvironment env = ProcessEnvironment::Current(argc, argv);

  // A second start tells the first to show or hide its window, and ends.
  std::unique_ptr<platform::SingleInstance> instance = platform::CreateSingleInstance();
  if (OnlyOnce(kTitle, *instance)) return 0;

  // The application object; the main window stays hidden when the loop starts.
  ToviApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  QApplication::setApplicationName(QStringLiteral("toviwall"));
  QApplication::setDesktopFileName(QStringLiteral("toviwall"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/toviwall.png")));
  // Without a desktop session Qt knows only the bare hicolor theme, which has no
  // file-type icons; Adwaita (installed with the program) fills the gaps.
  QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

  auto widgetMap = WidgetMap::FromEnvironment();  // only for tests that drive the program

  auto platform = platform::CreateLinuxPlatform(std::move(instance), env.configHome);
  auto form = std::make_unique<TMainForm>(env, *platform);

  int rc = form->EndRequested() ? 0 : app.exec();
  form->FormDestroy();
  return rc;
}
