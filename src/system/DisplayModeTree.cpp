#include "system/DisplayModeTree.h"

#include <cmath>

namespace toviwall {
namespace {

ModeItem& FindOrAppend(std::vector<ModeItem>& items, const std::string& caption) {
  for (ModeItem& item : items)
    if (item.caption == caption) return item;
  items.push_back(ModeItem{caption, -1, false, {}});
  return items.back();
}

ModeItem* Find(std::vector<ModeItem>& items, const std::string& caption) {
  for (ModeItem& item : items)
    if (item.caption == caption) return &item;
  return nullptr;
}

void ClearMarks(std::vector<ModeItem>& items) {
  for (ModeItem& item : items) {
    item.marked = false;
    ClearMarks(item.children);
  }
}

}  // namespace

bool ModeUsable(const DisplayModeRecord& mode) {
  return mode.width >= 640 && mode.height >= 480 && mode.bitsPerPixel > 7;
}

ModeTable EnumerateModes(const std::vector<DisplayModeRecord>& systemModes) {
  // Built afresh each time: the system's numbering changes when modes come and
  // go, so a record kept from an earlier round could name a mode that is gone.
  ModeTable table;
  for (std::size_t n = 0; n < systemModes.size(); ++n) {
    if (!ModeUsable(systemModes[n])) continue;
    table.resize(n + 1);
    table[n] = systemModes[n];
  }
  return table;
}

std::string ResolutionCaption(int width, int height) {
  return std::to_string(width) + " * " + std::to_string(height);
}
std::string DepthCaption(int bitsPerPixel) { return std::to_string(bitsPerPixel) + " bits"; }
std::string RefreshCaption(int hertz) { return std::to_string(hertz) + " Hz"; }

std::vector<ModeItem> BuildDisplayModeTree(const ModeTable& table, bool withRefreshRates) {
  std::vector<ModeItem> tree;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const DisplayModeRecord& mode = table[i];
    if (mode.width < 640 || mode.height < 480) continue;  // also the empty records
    ModeItem& resolution = FindOrAppend(tree, ResolutionCaption(mode.width, mode.height));
    std::vector<ModeItem>* parent = &resolution.children;
    std::string leaf = DepthCaption(mode.bitsPerPixel);
    if (withRefreshRates) {
      parent = &FindOrAppend(resolution.children, leaf).children;
      leaf = RefreshCaption(mode.refreshHz);
    }
    if (!Find(*parent, leaf)) parent->push_back(ModeItem{leaf, static_cast<int>(i), false, {}});
  }
  return tree;
}

int MarkCurrentMode(std::vector<ModeItem>& tree, const DisplayModeRecord& current) {
  ClearMarks(tree);
  int index = -1;
  ModeItem* resolution = Find(tree, ResolutionCaption(current.width, current.height));
  if (!resolution) return index;
  resolution->marked = true;
  ModeItem* depth = Find(resolution->children, DepthCaption(current.bitsPerPixel));
  if (!depth) return index;
  depth->marked = true;
  index = depth->tag;
  ModeItem* rate = Find(depth->children, RefreshCaption(current.refreshHz));
  if (!rate) return index;
  rate->marked = true;
  return rate->tag;
}

}  // namespace toviwall
