#include "platform/local/XdgAutoStart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/AtomicFile.h"

namespace toviwall::platform {

std::string XdgAutoStart::EntryFile(const std::string& name) const {
  return configHome_ + "/autostart/" + name + ".desktop";
}

std::optional<std::string> XdgAutoStart::ReadEntry(const std::string& name) {
  if (configHome_.empty()) return std::nullopt;
  const std::string file = EntryFile(name);
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  std::string text;
  if (!ReadWholeFile(file, text)) text.clear();
  return text;
}

bool XdgAutoStart::WriteEntry(const std::string& name, const std::string& text) {
  if (configHome_.empty()) return false;
  // A new account may have neither folder yet.
  ::mkdir(configHome_.c_str(), 0700);
  ::mkdir((configHome_ + "/autostart").c_str(), 0755);
  try {
    WriteFileAtomically(EntryFile(name), text);
    return true;
  } catch (const FileWriteError&) {
    return false;
  }
}

bool XdgAutoStart::RemoveEntry(const std::string& name) {
  if (configHome_.empty()) return true;
  return ::unlink(EntryFile(name).c_str()) == 0 || errno == ENOENT;
}

}  // namespace toviwall::platform
