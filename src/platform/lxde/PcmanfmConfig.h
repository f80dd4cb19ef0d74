#pragma once
// pcmanfm (LXDE) and pcmanfm-qt (LXQt) draw the desktop of their sessions (and
// of any window manager started with "pcmanfm --desktop"). Both take commands
// for the running desktop and keep their settings in a key file per profile.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/KeyFile.h"

namespace toviwall::platform {

enum class PcmanfmKind { Gtk, Qt };

struct PcmanfmDesktop {
  PcmanfmKind kind = PcmanfmKind::Gtk;
  std::string program;     // "pcmanfm" or "pcmanfm-qt"
  std::string configFile;  // the running profile's desktop settings
  std::string section;     // where the desktop keys are
  std::string profile;     // "default" unless its command line names one
  long pid = 0;            // the desktop's process; 0 when it is not running
};

// The running desktop of that program on the display (its profile from its
// command line), or its default profile's files with pid 0 when it is not running.
PcmanfmDesktop FindPcmanfmDesktop(PcmanfmKind kind, const std::string& display);

// The profile a command line names (--profile=X, --profile X, -p X); "default" without.
std::string ProfileFromArguments(const std::vector<std::string>& args);

// Key files as both write them, values unescaped (GLib's \s \n \t \\, Qt's
// quotes and \xHHHH).
using toviwall::KeyFile;
KeyFile ReadKeyFile(const std::string& path);
// Replaces (or adds) keys of one section, keeping every other line; a key
// without a value is removed. Written atomically. Values are written plain
// (colours, numbers, booleans; GKeyFileString escapes text for pcmanfm).
using KeyFileValues = std::map<std::string, std::optional<std::string>>;
void WriteKeyFileValues(const std::string& path, const std::string& section, const KeyFileValues& values);
// Text as GLib's key files keep it: backslash, line breaks, tabs and a leading
// blank escaped; and the way back (as ReadKeyFile reads values).
std::string GKeyFileString(const std::string& text);
std::string UnescapeKeyFileValue(const std::string& raw);

// "#rrggbb" and the colour value (red in the low byte), both ways.
std::optional<std::uint32_t> ColourValueFromHex(const std::string& text);
std::string HexFromColourValue(std::uint32_t value);

}  // namespace toviwall::platform
