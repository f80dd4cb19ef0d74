#pragma once
// The image list's operations: filling it at start-up, adding batches of paths
// (files, folders, list files), deleting, selecting, and the working lists
// `Candidates` and `KnownSet`. Plain logic; the window supplies what needs the
// user or the desktop through Hooks.
#include <functional>
#include <string>
#include <vector>

#include "imagelist/ImageFiles.h"
#include "imagelist/PathSet.h"
#include "imagelist/WallpaperList.h"

namespace toviwall {

// More new paths than this in one batch need the user's consent.
inline constexpr std::size_t kManyImages = 300;

class ImageList {
 public:
  struct Hooks {
    // ConfirmManyImages: may a batch of this many paths go on?
    std::function<bool(std::size_t count)> confirmMany;
    // The desktop's small icon for the file, added to the row icons: its slot, or -1.
    std::function<int(const std::string& path)> fetchTypeIcon;
    // Lets the user interface handle what is pending; runs after every path.
    std::function<void()> pump;
    // AddEntries begins (true) or ends (false) its work on a non-empty batch.
    std::function<void(bool running)> batchRunning;
    // Path i of n is being added.
    std::function<void(std::size_t i, std::size_t n)> progress;
    // The run is ending: every batch stops at its next step, as a cancelled one.
    std::function<bool()> ending;
  };
  // What the rotation keeps about the rows.
  struct Followers {
    // The shuffle bag must follow the rows.
    std::function<void()> refillBag;
    // Rows are about to be added or removed, and have been: stored row
    // numbers (the current wallpaper's) follow their files.
    std::function<void()> rowsMoving;
    std::function<void()> rowsMoved;
  };

  ImageList() = default;
  ImageList(const ImageList&) = delete;
  ImageList& operator=(const ImageList&) = delete;

  void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }
  void SetFollowers(Followers followers) { followers_ = std::move(followers); }
  // The default list file, beside the settings file.
  void SetListFile(std::string path) { listFile_ = std::move(path); }
  const std::string& ListFile() const { return listFile_; }

  WallpaperList& Rows() { return rows_; }
  const WallpaperList& Rows() const { return rows_; }
  PathSet& Candidates() { return candidates_; }
  PathSet& KnownSet() { return known_; }

  // Start-up: the legacy settings section and the list file become rows; the
  // file is then rewritten with the rows. False when the user declined a large
  // list: the list starts empty, and the declined lines are kept for the run
  // and written back with the rows whenever the list file is written, so
  // neither they nor what the run adds are lost.
  bool LoadImageList(const std::string& settingsFile);
  // Writes the rows (and the lines of a declined start-up) to the default list file.
  void SaveDefault() const;

  // A batch of files, folders and list files. A batch that arrives while another
  // runs (the first one lets the user interface work) waits in a queue and runs
  // right after it. Once `cancelled` answers true while the batch still looks
  // for files (or waits in the queue), it ends as a declined batch does:
  // nothing is added, the list file and KnownSet stay as they were.
  using Cancelled = std::function<bool()>;
  void AddPaths(const std::vector<std::string>& paths, Cancelled cancelled = {});
  bool BatchRunning() const { return running_; }

  void AddEntries(const std::vector<std::string>& paths);
  void AddEntryIfImage(const std::string& path);
  void DropKnownCandidates();
  std::string MarkedEntryPath() const;
  void SelectPath(const std::string& path);
  void SelectEntry(int index);

  // Row icons by type group: fetched once per group and run; ResetIcons forgets them.
  void ResetIcons();
  int FileTypeIcon(const std::string& path);
  // The cached slot of the file's group without fetching: -1 when the file is
  // gone or no icon of its group was fetched yet.
  int CachedTypeIcon(const std::string& path) const;

  // Delete: when rows are selected and `ask` answers the question with yes, they
  // are removed and the row then at the first one's index is selected. Answers
  // whether rows were removed. The shuffle bag is refilled in every case.
  bool DeleteSelected(const std::function<bool(const std::string& question)>& ask);

  // Removes the row of `path` (the file went to the trash). False when there
  // is none, or while a batch runs.
  bool RemoveEntry(const std::string& path);

  // The selected rows were dropped on the list itself: they keep their places
  // (the list stays in path order) and end up not selected.
  bool DropSelectedWithinList();

  // Writes the rows to `path`; an empty path writes nothing.
  void SaveTo(const std::string& path) const;

 private:
  struct Batch {
    std::vector<std::string> paths;
    Cancelled cancelled;
  };
  void RunBatch(const Batch& batch);
  void RefillBag() {
    if (followers_.refillBag) followers_.refillBag();
  }
  void Pump() {
    if (hooks_.pump) hooks_.pump();
  }
  int IconOfExisting(ImageGroup group, const std::string& path);
  // Runs `move`, telling the hooks before and after.
  template <class F>
  void MoveRows(F&& move);

  Hooks hooks_;
  Followers followers_;
  std::string listFile_;
  WallpaperList rows_;
  PathSet candidates_;
  PathSet known_;
  int groupIcon_[kImageGroupCount] = {-1, -1, -1};
  bool groupAsked_[kImageGroupCount] = {false, false, false};
  bool running_ = false;
  std::vector<std::string> declined_;  // the stored lines not loaded at start-up
  std::vector<Batch> queued_;
};

}  // namespace toviwall
