#include "imagelist/ImageList.h"

#include <algorithm>
#include <exception>

#include "base/AtomicFile.h"
#include "base/SettingsPaths.h"
#include "base/UnitLanguage.h"
#include "imagelist/ListFile.h"
#include "imagelist/PathCollation.h"
#include "imagelist/ScanFolder.h"

namespace toviwall {
namespace {

// Marks a batch as running for as long as it lives.
class RunningFlag {
 public:
  explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunningFlag() { flag_ = false; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;

 private:
  bool& flag_;
};

}  // namespace

bool ImageList::LoadImageList(const std::string& settingsFile) {
  bool loaded = false;
  {
    RunningFlag running(running_);
    known_.Clear();
    declined_.clear();
    MigrateImagesSection(settingsFile, listFile_, known_);
    MergeListFile(listFile_, known_);
    if (known_.Size() <= kManyImages || !hooks_.confirmMany || hooks_.confirmMany(known_.Size())) {
      AddEntries(known_.Items());
      RefillBag();
      SaveDefault();
      // Without clearing first: the lines that did not become rows stay known.
      MergeListFile(listFile_, known_);
      loaded = true;
    } else {
      // Not loaded in this run, but kept: they stay known, so no batch adds
      // them as rows meanwhile, and go back into every write of the file.
      declined_ = known_.Items();
      std::erase(declined_, std::string());  // an empty line names no file
    }
  }
  // Batches that arrived meanwhile.
  if (!queued_.empty()) AddPaths({});
  return loaded;
}

void ImageList::AddPaths(const std::vector<std::string>& paths, Cancelled cancelled) {
  if (hooks_.ending) cancelled = [this, own = std::move(cancelled)] { return hooks_.ending() || (own && own()); };
  if (running_) {
    if (!paths.empty()) queued_.push_back({paths, std::move(cancelled)});
    return;
  }
  RunningFlag running(running_);
  std::exception_ptr failure;
  auto run = [&](const Batch& batch) {
    try {
      RunBatch(batch);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  };
  run({paths, std::move(cancelled)});
  while (!queued_.empty()) {
    Batch next = std::move(queued_.front());
    queued_.erase(queued_.begin());
    run(next);
  }
  if (failure) std::rethrow_exception(failure);
}

void ImageList::RunBatch(const Batch& batch) {
  const std::vector<std::string>& paths = batch.paths;
  auto cancelled = [&] { return batch.cancelled && batch.cancelled(); };
  if (paths.empty() || cancelled()) return;
  // Files as they are, list files by their lines, folders with their sub-tree.
  candidates_.Clear();
  for (const std::string& path : paths) {
    std::string ext = LowerExtension(path);
    if (!FitsListFile(path)) continue;  // the list file could not keep it
    if (!ext.empty()) {
      if (ext != ".lst") {
        if (FileExists(path)) candidates_.Add(path);
      } else {
        MergeListFile(path, candidates_);
      }
    } else if (DirectoryExists(path)) {
      ScanFolder(path + (path.back() == '/' ? "*.*" : "/*.*"), candidates_, hooks_.pump, batch.cancelled);
    }
    if (cancelled()) return;
  }
  DropKnownCandidates();
  Pump();  // long lists: the steps after the scan take their time too
  // The current wallpaper's entry stays marked wherever it moves.
  std::string marked = MarkedEntryPath();
  if (candidates_.Size() > kManyImages && hooks_.confirmMany && !hooks_.confirmMany(candidates_.Size())) return;
  if (cancelled()) return;  // the question let the user choose anew meanwhile
  AddEntries(candidates_.Items());
  SelectPath(marked);
  RefillBag();
  SaveDefault();
  Pump();
  // What the list file now holds is what is known.
  known_.Clear();
  MergeListFile(listFile_, known_);
}

template <class F>
void ImageList::MoveRows(F&& move) {
  if (followers_.rowsMoving) followers_.rowsMoving();
  move();
  if (followers_.rowsMoved) followers_.rowsMoved();
}

void ImageList::AddEntries(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  const std::size_t n = paths.size();
  if (hooks_.batchRunning) hooks_.batchRunning(true);
  rows_.BeginBatch();
  // The rows move only when the batch ends; a change of the wallpaper while
  // the batch lets the interface work still counts in the old rows.
  auto endBatch = [this] { MoveRows([this] { rows_.EndBatch(); }); };
  try {
    for (std::size_t i = 0; i < n; ++i) {
      AddEntryIfImage(paths[i]);
      Pump();
      if (hooks_.progress) hooks_.progress(i, n);
    }
  } catch (...) {
    endBatch();
    if (hooks_.batchRunning) hooks_.batchRunning(false);
    throw;
  }
  endBatch();
  if (hooks_.batchRunning) hooks_.batchRunning(false);
}

void ImageList::AddEntryIfImage(const std::string& path) {
  ImageGroup group = ImageGroupOf(path);
  if (group == ImageGroup::None || !FitsListFile(path) || !FileExists(path)) return;
  rows_.Append(path, IconOfExisting(group, path));
}

void ImageList::DropKnownCandidates() { candidates_.RemoveAll(known_); }

std::string ImageList::MarkedEntryPath() const {
  for (const WallpaperList::Row& row : rows_.Rows())
    if (row.icon == WallpaperList::kMarkerIcon) return row.path;
  return {};
}

void ImageList::SelectPath(const std::string& path) {
  int index = path.empty() ? -1 : rows_.IndexOf(path);
  SelectEntry(index < 0 ? 0 : index);
}

void ImageList::SelectEntry(int index) {
  int first = rows_.FirstSelected();
  if (first >= 0) rows_.Select(first, false);
  if (rows_.Empty()) return;
  if (!rows_.Valid(index)) index = 0;
  rows_.Select(index, true);
  rows_.ScrollIntoView(index);
  rows_.SetFocus(index);
}

void ImageList::ResetIcons() {
  for (int g = 0; g < kImageGroupCount; ++g) {
    groupIcon_[g] = -1;
    groupAsked_[g] = false;
  }
}

int ImageList::IconOfExisting(ImageGroup group, const std::string& path) {
  int g = static_cast<int>(group);
  // Asked once per group: a desktop without an icon for the type is not asked
  // again for every file of a large batch.
  if (!groupAsked_[g]) {
    groupAsked_[g] = true;
    groupIcon_[g] = hooks_.fetchTypeIcon ? hooks_.fetchTypeIcon(path) : -1;
  }
  return groupIcon_[g];
}

int ImageList::FileTypeIcon(const std::string& path) {
  ImageGroup group = ImageGroupOf(path);
  if (group == ImageGroup::None || !FileExists(path)) return -1;
  return IconOfExisting(group, path);
}

int ImageList::CachedTypeIcon(const std::string& path) const {
  ImageGroup group = ImageGroupOf(path);
  if (group == ImageGroup::None || !FileExists(path)) return -1;
  return groupIcon_[static_cast<int>(group)];
}

bool ImageList::DeleteSelected(const std::function<bool(const std::string& question)>& ask) {
  bool removed = false;
  int n = rows_.SelectedCount();
  if (n > 0 && !rows_.InBatch()) {
    int first = rows_.FirstSelected();
    std::string question = n == 1 ? FormatText(S(10066), {ExtractFileName(rows_.Path(first))}) : S(10067);
    if (ask(question)) {
      MoveRows([this] { rows_.RemoveSelected(); });
      SelectEntry(first);
      removed = true;
    }
  }
  RefillBag();
  return removed;
}

bool ImageList::RemoveEntry(const std::string& path) {
  const int index = rows_.IndexOf(path);
  if (index < 0 || rows_.InBatch()) return false;
  MoveRows([&] { rows_.Remove(index); });
  RefillBag();
  return true;
}

bool ImageList::DropSelectedWithinList() {
  if (rows_.InBatch()) return false;
  bool any = false;
  int focus = rows_.Focus();
  for (int i : rows_.SelectedRows()) {
    rows_.Select(i, false);
    if (i == focus) rows_.SetFocus(-1);
    any = true;
  }
  return any;
}

void ImageList::SaveDefault() const {
  if (declined_.empty()) {
    SaveTo(listFile_);
    return;
  }
  std::vector<std::string> lines = declined_;
  for (const WallpaperList::Row& row : rows_.Rows()) lines.push_back(row.path);
  std::sort(lines.begin(), lines.end(), PathLess());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  SaveImageList(listFile_, lines);
}

void ImageList::SaveTo(const std::string& path) const {
  SaveImageList(path, static_cast<std::size_t>(rows_.Count()),
                [&](std::size_t i) { return std::string_view(rows_.Path(static_cast<int>(i))); });
}

}  // namespace toviwall
