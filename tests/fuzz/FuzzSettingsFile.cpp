// Any bytes as a settings file: every kind of read, the legacy section's text,
// then a write and an erase on a copy, after which the written value must
// still read back.
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
  return 0;
}
