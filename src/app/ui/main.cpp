// Program entry: one instance per user; the main window owns the rest of the run.
#include <QCoreApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "base/AppIdentity.h"
#include "base/ui/Dialogs.h"
#include "app/ui/OnlyOnce.h"
#include "base/SettingsPaths.h"
#include "app/ui/WallPaperMain.h"
#include "app/ui/WidgetMap.h"
#include "platform/LinuxPlatform.h"

namespace {

// The program runs on X11 unless Qt is told to use another platform (tests run
// offscreen) or the session is Wayland's.
bool QtPlatformChosen() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  return platform && *platform;
}

bool UsesX11() {
  if (QtPlatformChosen()) return std::string(std::getenv("QT_QPA_PLATFORM")).starts_with("xcb");
  return !toviwall::platform::WaylandSession();
}

bool UsesWayland() { return !QtPlatformChosen() && toviwall::platform::WaylandSession(); }

// A display for Qt; without one it aborts with advice that does not fit.
bool DisplayAvailable() {
  if (UsesWayland()) return toviwall::platform::WaylandDisplayAvailable() || toviwall::platform::X11DisplayAvailable();
  return !UsesX11() || toviwall::platform::X11DisplayAvailable();
}

// Help and version on stdout; a full disk or a closed output is a failure.
int Print(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace toviwall;
  ProcessEnvironment env = ProcessEnvironment::Current(argc, argv);

  // The switches come first: help, version and commands for the running
  // program touch nothing else and need no display.
  const CommandLine line = ParseCommandLine(env.args, env.workingDir);
  switch (line.action) {
    case CommandLine::Action::Help: return Print(UsageText());
    case CommandLine::Action::Version: return Print(VersionLine() + "\n");
    case CommandLine::Action::Wrong:
      std::fprintf(stderr, "toviwall: %s\nTry \"toviwall --help\" for more.\n", line.error.c_str());
      return kExitUsage;
    case CommandLine::Action::Command: {
      // Qt's local socket waits for room in a full queue of connections with a
      // timer and a socket notifier, which need an application object (no display).
      QCoreApplication client(argc, argv);
      // The settings file the program started for this command would run on.
      ProcessEnvironment start = env;
      start.args = line.runArgs;
      std::unique_ptr<platform::SingleInstance> instance = platform::CreateSingleInstance(SettingsFilePath(start));
      return RunCommand(line, env, *instance);
    }
    case CommandLine::Action::Run: break;
  }
  // A start made for a command ends quietly when another start got there first.
  const bool forCommand = std::getenv(kStartedForCommandVariable) != nullptr;
  ::unsetenv(kStartedForCommandVariable);  // not for the programs we start

  // A second start tells the first to show or hide its window, and ends; so
  // does one on the same settings file from another per-user folder. (The
  // settings folder is made here; the main window says when it cannot be.)
  std::unique_ptr<platform::SingleInstance> instance =
      platform::CreateSingleInstance(SettingsFileFor(env, MessageSink()));
  try {
    QCoreApplication client(argc, argv);  // for the socket, as above; gone before the program's own
    if (OnlyOnce(kTitle, *instance, !forCommand)) return 0;
  } catch (const platform::SingleInstanceError& e) {
    // Running anyway could mean two instances; say why not, in a box too when
    // there is a display to show it.
    std::fprintf(stderr, "toviwall: %s\n", e.what());
    if ((UsesX11() || UsesWayland()) && DisplayAvailable()) {
      ToviApplication app(argc, argv);
      ShowErrorBox(QString::fromLocal8Bit(e.what()));
    }
    return 1;
  }

  // Qt aborts without its display, with advice that does not fit; say what is missing.
  if (UsesWayland() && !DisplayAvailable()) {
    std::fprintf(stderr, "toviwall: no Wayland or X display is available (cannot connect to WAYLAND_DISPLAY \"%s\")\n",
                 std::getenv("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "wayland-0");
    return 1;
  }
  if (UsesX11() && !platform::X11DisplayAvailable()) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "toviwall: no X display is available (%s)\n",
                 display && *display ? ("cannot open DISPLAY \"" + std::string(display) + "\"").c_str()
                                     : "DISPLAY is not set");
    return 1;
  }

  // The application object; the main window stays hidden when the loop starts.
  // In a Wayland session Qt is told to run on Wayland whatever its own
  // default, on Xwayland only when the compositor cannot be reached; the
  // programs we start choose for themselves.
  const bool toldWayland = UsesWayland();
  if (toldWayland) ::setenv("QT_QPA_PLATFORM", "wayland;xcb", 1);
  ToviApplication app(argc, argv);
  if (toldWayland) ::unsetenv("QT_QPA_PLATFORM");

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
  if (!form->StartFailure().empty()) {
    // The start cannot go on; an end asked for meanwhile closes the box too.
    std::fprintf(stderr, "toviwall: cannot start: %s\n", form->StartFailure().c_str());
    if (!form->EndRequested())
      ShowErrorBox(Q(form->StartFailure()) + QStringLiteral("\n\n%1 cannot start.").arg(QString::fromUtf8(kTitle)));
    return 1;
  }

  int rc = form->EndRequested() ? 0 : app.exec();
  form->FormDestroy();
  return rc;
}
