#pragma once
// The start-up entry: its name and command, and its text as an XDG autostart
// desktop entry ($XDG_CONFIG_HOME/autostart/<name>.desktop), which the session
// parses and runs at logon.
#include <string>
#include <vector>

namespace toviwall {

struct AutoRunEntry {
  std::string name;                  // also the file's name without ".desktop"
  std::vector<std::string> command;  // the program, then the settings file of a profile
};

// A profile is in use when the settings file was named on the command line (an
// argument that is no switch) and exists.
bool ProfileInUse(const std::vector<std::string>& args, bool settingsFileExists);

// No profile: the title and the program alone. A profile: the title, a blank and
// the settings file's name without its folder and its last four characters
// (".ini"); the command passes the settings file on.
AutoRunEntry AutoRunEntryFor(const std::string& title, const std::string& programFile,
                             const std::string& settingsFile, bool profileInUse);

// The path in the entry (program or settings file) that a desktop entry cannot
// hold, as entries are UTF-8 text; empty when there is none.
std::string PathNoEntryCanHold(const AutoRunEntry& entry);

// The command as a desktop entry's Exec value: every argument in double quotes
// with '"', '`', '$' and '\' escaped, '%' doubled, then the value escaped as a
// string. A program path holding '%' is started through sh: GLib looks the
// program up before it undoes the doubling, and would not find it.
std::string DesktopEntryExec(const std::vector<std::string>& command);

// The whole entry file.
std::string DesktopEntryText(const AutoRunEntry& entry, const std::string& comment, const std::string& icon);

// False when the entry is switched off: Hidden=true, or X-GNOME-Autostart-enabled=false
// as the desktops' session settings write it.
bool DesktopEntryEnabled(const std::string& text);

// The entry switched on again: the lines that switch it off are left out, all
// else stays as it was.
std::string EnableDesktopEntry(const std::string& text);

}  // namespace toviwall
