#include "imagelist/ListFile.h"

#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "base/SettingsKeys.h"
#include "imagelist/PathSet.h"

namespace toviwall {

std::vector<std::string> SplitListText(std::string_view text) {
  if (auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

void MergeListFile(const std::string& path, PathSet& into) {
  if (!FileExists(path)) return;
  std::string text;
  if (!ReadWholeFile(path, text)) throw ListFileError("Cannot open file " + path);
  for (std::string& line : SplitListText(text)) into.Add(std::move(line));
}

void SaveImageList(const std::string& path, std::size_t count,
                   const std::function<std::string_view(std::size_t)>& pathAt) {
  if (path.empty()) return;
  try {
    AtomicFileWriter writer(path);
    for (std::size_t i = 0; i < count; ++i) {
      writer.Write(pathAt(i));
      writer.Write("\r\n");
    }
    writer.Commit();
  } catch (const FileWriteError&) {
    throw ListFileError("Cannot create file " + path);
  }
}

void SaveImageList(const std::string& path, const std::vector<std::string>& paths) {
  SaveImageList(path, paths.size(), [&](std::size_t i) { return std::string_view(paths[i]); });
}

bool FitsListFile(std::string_view path) { return path.find_first_of("\r\n") == std::string_view::npos; }

void MigrateImagesSection(const std::string& settingsFile, const std::string& listFile, PathSet& into) {
  if (!IniSectionExists(settingsFile, keys::kImages)) return;
  const std::vector<std::string> lines = SplitListText(IniReadSectionText(settingsFile, keys::kImages));
  // Written to the list file before the section goes: a refused write, a large
  // list declined later or a crash meanwhile leaves them in one place or both.
  if (!listFile.empty()) {
    PathSet all;
    MergeListFile(listFile, all);
    for (const std::string& line : lines) all.Add(line);
    std::vector<std::string> stored = all.Items();
    std::erase(stored, std::string());  // an empty line names no file
    SaveImageList(listFile, stored);
    IniEraseSection(settingsFile, keys::kImages);
  }
  for (const std::string& line : lines) into.Add(line);
}

}  // namespace toviwall
