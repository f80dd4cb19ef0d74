// A tray icon that prints every event it fires, one line each ("event: Click"),
// for tests that click it with real pointer events or through its tray.
//   toviwall-tray-recorder [--menu] [hint]
// It goes to the tray the program would use: a StatusNotifierItem tray where
// one runs, else the XEmbed tray. With --menu it hands the icon a small menu
// (an item per kind: default, check mark, disabled, sub-menu) and prints the
// items triggered ("event: Menu Change") and each opening ("event: AboutToShow").
#include <QActionGroup>
#include <QIcon>
#include <QMenu>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/ui/Dialogs.h"
#include "app/ui/WidgetMap.h"
#include "tray/ui/ToviTrayIcon.h"
#include "platform/freedesktop/StatusNotifierTray.h"
#include "platform/x11/X11TrayHost.h"

namespace {

using namespace toviwall;

void Print(const std::string& line) {
  std::printf("event: %s\n", line.c_str());
  std::fflush(stdout);
}

std::string Describe(TMouseButton button, TShiftState shift) {
  std::string text = button == TMouseButton::mbLeft ? "Left" : button == TMouseButton::mbRight ? "Right" : "Middle";
  if (shift & ssShift) text += " Shift";
  if (shift & ssCtrl) text += " Ctrl";
  if (shift & ssAlt) text += " Alt";
  if (shift & ssDouble) text += " Double";
  return text;
}

void AddMenu(QMenu& menu) {
  auto item = [&](QMenu& into, const QString& caption, const char* name) {
    QAction* a = into.addAction(caption);
    QObject::connect(a, &QAction::triggered, [name] { Print(std::string("Menu ") + name); });
    return a;
  };
  menu.setDefaultAction(item(menu, QStringLiteral("&Change Wallpaper"), "Change"));
  QAction* opened = item(menu, QStringLiteral("Opened 0 times"), "Opened");
  QAction* autoChange = item(menu, QStringLiteral("Auto_Change"), "AutoChange");
  autoChange->setCheckable(true);
  autoChange->setChecked(true);
  item(menu, QStringLiteral("Disabled"), "Disabled")->setEnabled(false);
  menu.addSeparator();
  QMenu* modes = menu.addMenu(QStringLiteral("Display Mode"));
  auto* group = new QActionGroup(modes);
  for (const char* mode : {"640x480", "800x600"}) {
    QAction* a = item(*modes, QString::fromLatin1(mode), mode);
    a->setCheckable(true);
    group->addAction(a);
  }
  group->actions().back()->setChecked(true);
  item(menu, QStringLiteral("E&xit && Quit"), "Exit")->setIcon(QIcon(QStringLiteral(":/NMAIN007")));
  QObject::connect(&menu, &QMenu::aboutToShow, [opened, count = 0]() mutable {
    opened->setText(QStringLiteral("Opened %1 times").arg(++count));
    Print("AboutToShow");
  });
}

}  // namespace

int main(int argc, char** argv) {
  ToviApplication app(argc, argv);
  auto widgetMap = WidgetMap::FromEnvironment();
  const bool withMenu = argc > 1 && std::strcmp(argv[1], "--menu") == 0;
  const char* hint = argc > 1 + withMenu ? argv[1 + withMenu] : "Recorder";
  auto host = platform::CreateStatusNotifierTray(platform::CreateX11TrayHost());
  if (!host) {
    std::fprintf(stderr, "neither an X11 display nor a session bus\n");
    return 2;
  }
  QMenu menu;
  TToviTrayIcon icon(*host, QStringLiteral("ToviTrayRecorder"));
  icon.OnClick = [](QObject*) { Print("Click"); };
  icon.OnDblClick = [](QObject*) { Print("DblClick"); };
  icon.OnMouseDown = [](QObject*, TMouseButton b, TShiftState s, int, int) { Print("MouseDown " + Describe(b, s)); };
  icon.OnMouseUp = [](QObject*, TMouseButton b, TShiftState s, int, int) { Print("MouseUp " + Describe(b, s)); };
  icon.OnMouseMove = [](QObject*, TShiftState, int, int) { Print("MouseMove"); };
  host->SetTrayCreatedListener([&icon] {
    icon.ReAddIcon();
    Print("TrayCreated");
  });
  if (withMenu) {
    AddMenu(menu);
    icon.SetMenu(&menu);
  }
  icon.SetIcon(QIcon(QStringLiteral(":/NMAIN006")));
  icon.SetHint(QString::fromUtf8(hint));
  icon.SetVisible(true);
  Print("Ready");
  return app.exec();
}
