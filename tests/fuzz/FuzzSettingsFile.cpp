// Any bytes as a settings file: every kind of read, the legacy section's text,
// then a write and an erase on a copy, after which the written value must
// still read back, and what the reads never saw (from a NUL on) and a leading
// byte-order mark must still be there.
#include <cstdlib>

#include "FuzzSupport.h"
#include "base/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace toviwall;
  fuzz::MemoryFile file(data, size);
  const std::string& f = file.Path();
  (void)IniReadBool(f, "Option", "AutoChangeWallpaper", true);
  (void)IniReadInteger(f, "option", "INTERVAL", 9);
  (void)IniReadString(f, "Option", "Image Folder", "x");
  (void)IniReadDateTime(f, "WallPaper", "LastChange", 1.0);
  (void)IniSectionExists(f, "Images");
  (void)IniReadSectionText(f, "Images");

  const std::string copy = fuzz::ScratchFolder::Path() + "/settings.ini";
  WriteFileAtomically(copy, std::string_view(reinterpret_cast<const char*>(data), size));
  IniWriteString(copy, "Option", "Image Folder", "/fuzz/pictures");
  if (IniReadString(copy, "Option", "Image Folder", "") != "/fuzz/pictures") std::abort();
  IniEraseSection(copy, "Images");
  if (IniReadString(copy, "Option", "Image Folder", "") != "/fuzz/pictures") std::abort();
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  std::string out;
  if (!ReadWholeFile(copy, out)) std::abort();
  if (auto nul = in.find('\0'); nul != std::string_view::npos && !out.ends_with(in.substr(nul))) std::abort();
  if (in.starts_with("\xEF\xBB\xBF") && !out.starts_with("\xEF\xBB\xBF")) std::abort();
  return 0;
}
