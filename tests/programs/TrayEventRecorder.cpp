// A tray icon that prints every event it fires, one line each ("event: Click"),
// for tests that click it with real pointer events.
//   toviwall-tray-recorder [hint]
#include <QIcon>
#include <cstdio>
#include <string>

#include "base/ui/Dialogs.h"
#include "app/ui/WidgetMap.h"
#include "tray/ui/ToviTrayIcon.h"
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

}  // namespace

int main(int argc, char** argv) {
  ToviApplication app(argc, argv);
  auto widgetMap = WidgetMap::FromEnvironment();
  auto host = platform::CreateX11TrayHost();
  if (!host) {
    std::fprintf(stderr, "not an X11 display\n");
    return 2;
  }
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
  icon.SetIcon(QIcon(QStringLiteral(":/NMAIN006")));
  icon.SetHint(argc > 1 ? QString::fromUtf8(argv[1]) : QStringLiteral("Recorder"));
  icon.SetVisible(true);
  Print("Ready");
  return app.exec();
}
