// Any bytes as a translation file: loaded, then every string used as a format
// with the arguments the program passes.
#include "FuzzSupport.h"
#include "base/UnitLanguage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace toviwall;
  fuzz::MemoryFile file(data, size);
  LanguageTable table;
  table.LoadFile(file.Path());
  for (int n = kFirstString; n <= kLastString; ++n) {
    (void)FormatText(table[n], {"Tovi WallChanger", 300, "\r\n"});
    if (table[n].empty() != !LanguageTable::Known(n)) std::abort();  // a blank string keeps the English one
  }
  return 0;
}
