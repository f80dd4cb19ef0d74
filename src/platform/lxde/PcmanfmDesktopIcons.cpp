#include "platform/lxde/PcmanfmDesktopIcons.h"

#include <signal.h>

#include <QProcess>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/local/FoundSettings.h"
#include "platform/local/RunTool.h"

namespace toviwall::platform {
namespace {

// An ended process its parent has not reaped yet counts as ended.
bool ProcessRunning(long pid) {
  if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0) return false;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');
  return close == std::string::npos || close + 2 >= text.size() || (text[close + 2] != 'Z' && text[close + 2] != 'X');
}

bool WaitForEnd(long pid, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    if (!ProcessRunning(pid)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return !ProcessRunning(pid);
}

// The keys that hide the icons, and their values when hidden.
std::map<std::string, std::string> HiddenValues(PcmanfmKind kind) {
  if (kind == PcmanfmKind::Qt) return {{"HideItems", "true"}};
  return {{"show_documents", "0"}, {"show_trash", "0"}, {"show_mounts", "0"}};
}

// pcmanfm's own defaults for keys a settings file lacks.
std::string DefaultOf(const std::string& key) {
  if (key == "HideItems") return "false";
  if (key == "show_trash") return "1";
  return "0";
}

// pcmanfm also draws the files of its desktop folder (~/Desktop unless "folder"
// names another): while hidden it is shown this empty folder of ours instead.
constexpr const char* kFolderKey = "folder";
std::string EmptyDesktopFolder() { return StateFolder() + "/empty-desktop"; }

}  // namespace

std::uint32_t ShadowFor(std::uint32_t colour) {
  const unsigned r = colour & 0xff, g = colour >> 8 & 0xff, b = colour >> 16 & 0xff;
  return r * 299 + g * 587 + b * 114 >= 128000 ? 0x000000 : 0xFFFFFF;
}

PcmanfmDesktop PcmanfmDesktopIcons::Desktop() {
  PcmanfmDesktop desktop = FindPcmanfmDesktop(kind_, display_);
  if (desktop.pid) {
    last_ = desktop;
  } else if (last_) {
    desktop.configFile = last_->configFile;
    desktop.profile = last_->profile;
  }
  return desktop;
}

void PcmanfmDesktopIcons::SetHidden(bool hidden) {
  const PcmanfmDesktop desktop = Desktop();
  const auto file = ReadKeyFile(desktop.configFile);
  const auto section = file.count(desktop.section) ? file.at(desktop.section) : std::map<std::string, std::string>{};
  const std::map<std::string, std::string> hiddenValues = HiddenValues(kind_);
  std::map<std::string, std::string> current;
  bool allHidden = true;
  for (const auto& [key, value] : hiddenValues) {
    auto it = section.find(key);
    current[key] = it == section.end() ? DefaultOf(key) : it->second;
    allHidden = allHidden && current[key] == value;
  }
  const bool gtk = kind_ == PcmanfmKind::Gtk;
  const std::optional<std::string> folder =
      section.count(kFolderKey) ? std::optional<std::string>(section.at(kFolderKey)) : std::nullopt;
  const bool folderHidden = !gtk || folder == EmptyDesktopFolder();
  const std::string found = desktop.program + "/" + desktop.profile + "/icons";
  const std::string foundFolder = desktop.program + "/" + desktop.profile + "/folder";
  if (hidden) {
    if (allHidden && folderHidden) return;
    KeyFileValues values(hiddenValues.begin(), hiddenValues.end());
    if (!allHidden) {
      std::ostringstream before;
      for (const auto& [key, value] : current) before << key << ':' << value << ' ';
      RememberFoundSetting(found, before.str());
    }
    if (!folderHidden) {
      // As it was: a folder of the user's own, or none.
      RememberFoundSetting(foundFolder, folder ? "set:" + GKeyFileString(*folder) : "unset");
      std::filesystem::create_directories(EmptyDesktopFolder());
      values[kFolderKey] = EmptyDesktopFolder();
    }
    Apply(values);
    return;
  }
  KeyFileValues shown;
  // Icons the user turned off in the desktop's own settings stay off.
  const std::optional<std::string> remembered = RecallFoundSetting(found);
  if (allHidden && remembered) {
    for (const auto& [key, value] : hiddenValues) shown[key] = key == "HideItems" ? "false" : DefaultOf(key);
    if (gtk) shown["show_trash"] = "1";
    std::istringstream before(*remembered);
    for (std::string pair; before >> pair;) {
      const std::size_t colon = pair.find(':');
      if (colon != std::string::npos && shown.count(pair.substr(0, colon)))
        shown[pair.substr(0, colon)] = pair.substr(colon + 1);
    }
    // Whatever was found, showing must show something.
    if (KeyFileValues(hiddenValues.begin(), hiddenValues.end()) == shown)
      shown = gtk ? KeyFileValues{{"show_trash", "1"}} : KeyFileValues{{"HideItems", "false"}};
  }
  // Only our empty folder is replaced, by the one it replaced (or none, pcmanfm's default).
  if (gtk && folderHidden) {
    const std::string was = RecallFoundSetting(foundFolder).value_or("unset");
    shown[kFolderKey] = was.starts_with("set:") ? std::optional<std::string>(UnescapeKeyFileValue(was.substr(4)))
                                                : std::nullopt;
  }
  if (shown.empty()) return;
  Apply(shown);
  ForgetFoundSetting(found);
  ForgetFoundSetting(foundFolder);
}

std::uint32_t PcmanfmDesktopIcons::TextColor() {
  const PcmanfmDesktop desktop = Desktop();
  const auto file = ReadKeyFile(desktop.configFile);
  auto section = file.find(desktop.section);
  if (section == file.end()) return kWhiteColour;
  auto fg = section->second.find(kind_ == PcmanfmKind::Qt ? "FgColor" : "desktop_fg");
  if (fg == section->second.end()) return kWhiteColour;
  return ColourValueFromHex(fg->second).value_or(kWhiteColour);
}

void PcmanfmDesktopIcons::ApplyTextColor(std::uint32_t colour, bool transparentBack) {
  const bool qt = kind_ == PcmanfmKind::Qt;
  KeyFileValues values{{qt ? "FgColor" : "desktop_fg", HexFromColourValue(colour)}};
  if (transparentBack) values[qt ? "ShadowColor" : "desktop_shadow"] = HexFromColourValue(ShadowFor(colour));
  Apply(values);
}

void PcmanfmDesktopIcons::Apply(const KeyFileValues& values) {
  const PcmanfmDesktop desktop = Desktop();
  const auto file = ReadKeyFile(desktop.configFile);
  const auto section = file.count(desktop.section) ? file.at(desktop.section) : std::map<std::string, std::string>{};
  bool same = true;
  KeyFileValues written;
  for (const auto& [key, value] : values) {
    auto it = section.find(key);
    same = same && (it == section.end() ? !value : value == it->second);
    // Text as pcmanfm's key file keeps it; pcmanfm-qt's values here are plain words.
    written[key] = value && kind_ == PcmanfmKind::Gtk ? std::optional<std::string>(GKeyFileString(*value)) : value;
  }
  if (same) return;
  std::filesystem::create_directories(std::filesystem::path(desktop.configFile).parent_path());
  if (!desktop.pid) {  // not running: it reads them when it starts
    WriteKeyFileValues(desktop.configFile, desktop.section, written);
    return;
  }
  // It saves its settings as it ends: the file is written after that.
  ToolResult off = RunTool(desktop.program, {"--desktop-off"});
  if (!off.ok) throw std::runtime_error("Cannot change the " + desktop.program + " desktop: " + TrimLine(off.err));
  if (!WaitForEnd(desktop.pid, 5000)) {
    RunTool(desktop.program, {"--desktop"});
    throw std::runtime_error(desktop.program +
                             " applies desktop icon settings when it starts again; close its file manager "
                             "windows and try once more.");
  }
  WriteKeyFileValues(desktop.configFile, desktop.section, written);
  QStringList args{QStringLiteral("--desktop"), QStringLiteral("--profile=") + QString::fromStdString(desktop.profile)};
  if (!QProcess::startDetached(QString::fromStdString(desktop.program), args))
    throw std::runtime_error("Cannot start " + desktop.program + " --desktop again");
}

}  // namespace toviwall::platform
