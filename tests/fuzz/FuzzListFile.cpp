// Any bytes as an image list file: merged into a path set, written back and
// merged again, which must give the same set.
#include <cstdlib>

#include "FuzzSupport.h"
#include "imagelist/ListFile.h"
#include "imagelist/PathSet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace toviwall;
  fuzz::MemoryFile file(data, size);
  PathSet first;
  MergeListFile(file.Path(), first);
  const std::string copy = fuzz::ScratchFolder::Path() + "/list.lst";
  SaveImageList(copy, first.Items());
  PathSet second;
  MergeListFile(copy, second);
  // Empty lines are read as entries but a set holds one of them at most, and a
  // line cut at a NUL or CR may merge with another; the written set reads back
  // as at most what was written.
  if (second.Size() > first.Size()) std::abort();
  for (const std::string& path : second.Items())
    if (!first.Contains(path)) std::abort();
  return 0;
}
