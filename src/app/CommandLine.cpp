#include "app/CommandLine.h"

#include <filesystem>

#include "base/AppIdentity.h"
#include "base/SettingsPaths.h"
#include "base/Version.h"

namespace toviwall {

CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& workingDir) {
  CommandLine result;
  bool help = false, version = false, adding = false, pathsOnly = false;
  std::string first, second;  // the switches of the first two commands, for the message
  std::vector<std::string> paths;
  for (const std::string& arg : args) {
    if (pathsOnly || (adding && (arg.empty() || arg[0] != '-'))) {
      paths.push_back(arg);
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else if (adding && arg == "--") {
      pathsOnly = true;
    } else if (auto command = arg.starts_with("--") ? remote::CommandNamed(std::string_view(arg).substr(2))
                                                     : std::nullopt) {
      if (first.empty()) {
        first = arg;
        result.request.command = *command;
        adding = *command == remote::Command::Add;
      } else if (second.empty()) {
        second = arg;
      }
    } else {
      result.runArgs.push_back(arg);
    }
  }

  if (help) result.action = CommandLine::Action::Help;
  else if (version) result.action = CommandLine::Action::Version;
  else if (!second.empty()) result.error = "one command at a time, not both " + first + " and " + second;
  else if (adding && paths.empty()) result.error = "--add needs at least one file, folder or list file";
  else if (!first.empty()) result.action = CommandLine::Action::Command;
  if (result.action == CommandLine::Action::Command) {
    for (const std::string& path : paths) {
      if (path.empty()) {
        result.error = "--add was given an empty path";
        break;
      }
      std::filesystem::path p(path);
      if (p.is_relative()) {
        if (workingDir.empty()) {
          result.error = "the current folder cannot be found, so \"" + path + "\" cannot: give its full path";
          break;
        }
        p = std::filesystem::path(workingDir) / p;
      }
      result.request.paths.push_back(p.lexically_normal().string());
    }
  }
  if (!result.error.empty()) result.action = CommandLine::Action::Wrong;
  return result;
}

bool StartsProgram(remote::Command command) {
  using remote::Command;
  return command == Command::Change || command == Command::Next || command == Command::Previous ||
         command == Command::None || command == Command::Add;
}

std::string VersionLine() {
  return std::string(kTitle) + " " + VersionText(kVersionMajor, kVersionMinor, kVersionRelease, kVersionBuild);
}

std::string UsageText() {
  return "Usage: toviwall [SETTINGS] [COMMAND]\n"
         "       toviwall --help | --version\n"
         "\n" +
         std::string(kTitle) +
         " changes the desktop wallpaper from a list of pictures. It\n"
         "lives in the notification area, and one instance runs per user: started\n"
         "again without a command, it shows or hides the main window of the one that\n"
         "runs.\n"
         "\n"
         "Commands for the running program (the command ends once it is carried out):\n"
         "  --change        change the wallpaper now, as the Change button does\n"
         "  --next          make the row after the selected one the wallpaper (Next);\n"
         "                  with no row selected, the row after the current wallpaper\n"
         "  --previous      the same with the row before it (Previous)\n"
         "  --none          clear the desktop wallpaper (None)\n"
         "  --add PATH...   add pictures, folders (with their sub-folders) and list files\n"
         "                  (.lst) to the list, as dropping them onto it does; relative\n"
         "                  paths are taken from the current folder; put -- before paths\n"
         "                  that begin with \"-\"\n"
         "  --show          show the main window\n"
         "  --hide          hide the main window\n"
         "  --toggle        show or hide the main window, as a second start does\n"
         "  --status        print the current wallpaper and the schedule as key=value\n"
         "                  lines: wallpaper, row, rows, shown, filling, auto_change,\n"
         "                  interval_minutes, next_change, next_change_seconds,\n"
         "                  settings, pid\n"
         "  --exit          end the program in order (the list saved), without asking\n"
         "When the program is not running, --change, --next, --previous, --none and\n"
         "--add start it first (with SETTINGS when given) and then carry the command\n"
         "out; the other commands end with status 3.\n"
         "\n"
         "Other switches:\n"
         "  -h, --help      print this help and end\n"
         "  --version       print the version and end\n"
         "Any other argument that begins with \"-\" is skipped.\n"
         "\n"
         "SETTINGS names the settings file, with .ini for its extension: a bare name is\n"
         "taken from the program's folder (toviwall work: work.ini there), a path as\n"
         "given (toviwall ~/profiles/home.cfg: ~/profiles/home.ini).\n"
         "\n"
         "Exit status: 0 done; 1 the command was refused, failed or got no answer in\n"
         "time, or the program could not start; 2 a wrong command line; 3 the program\n"
         "is not running.\n"
         "\n"
         "Files:\n"
         "  $XDG_CONFIG_HOME/Tovi Solution/Tovi WallChanger/toviwall.ini\n"
         "                  the settings (XDG_CONFIG_HOME is ~/.config by default)\n"
         "  the settings file with .lst for .ini: the image list\n"
         "  .toviwall.ini.lock beside the settings file: held by the program running on it\n"
         "  Tovi Wallpaper.bmp beside the settings file: the picture made for the desktop\n"
         "  $XDG_CONFIG_HOME/Tovi Solution/registry.ini: the version record\n"
         "  $XDG_RUNTIME_DIR/Tovi_WallChanger and Tovi_WallChanger.lock: the single\n"
         "                  instance's socket and lock\n"
         "  WallLang.lng in the current folder: a translation\n"
         "  toviwall.html beside the program, or in share/toviwall of its prefix: the help\n"
         "\n"
         "Environment:\n"
         "  DISPLAY              the X display (a command needs none)\n"
         "  XDG_CONFIG_HOME      where the settings live (default ~/.config)\n"
         "  XDG_RUNTIME_DIR      the single instance's socket; else $TMPDIR/toviwall-UID\n"
         "  TMPDIR, XDG_CACHE_HOME  the fallbacks (/tmp, ~/.cache/toviwall)\n"
         "  XDG_STATE_HOME       the desktop settings kept while icons are hidden\n"
         "  XDG_DATA_HOME        the trash of Move to Trash (default ~/.local/share)\n"
         "  XDG_CURRENT_DESKTOP, DESKTOP_SESSION  which desktop sets the wallpaper\n"
         "  TOVIWALL_DESKTOP     that choice forced: x11, gnome, cinnamon, xfce, mate,\n"
         "                       lxde, lxqt, kde\n"
         "  TOVIWALL_SERVER      the maker's web server (About box, update check)\n"
         "\n"
         "See toviwall(1) for more.\n";
}

}  // namespace toviwall
