#pragma once
// The rows of the image list: path, icon and selection of each, and the focused
// row. Rows always stand in ComparePaths order and no two have the same path;
// paths that differ only in case are two files, so two rows.
// Every other part reads the entries, their order and their selection here; the
// list control on the screen is a view of it (see Observer).
#include <string>
#include <vector>

namespace toviwall {

class WallpaperList {
 public:
  WallpaperList() = default;
  ~WallpaperList();
  WallpaperList(const WallpaperList&) = delete;
  WallpaperList& operator=(const WallpaperList&) = delete;

  static constexpr int kMarkerIcon = 0;  // the row that is the current wallpaper
  static constexpr int kNoIcon = -1;

  struct Row {
    std::string path;
    int icon = kNoIcon;
    bool selected = false;
  };

  // What a view needs to follow the rows. Changes made while a batch runs are
  // reported too; rows added by the batch appear only at its end.
  class Observer {
   public:
    virtual ~Observer() = default;
    virtual void RowsReset() = 0;              // rows added, removed or moved
    virtual void RowChanged(int index) = 0;    // the icon or selection of one row
    virtual void SelectionReset() = 0;         // the selection of many rows
    virtual void FocusChanged(int index) = 0;     // -1: no row has the focus
    virtual void ScrollIntoView(int index) = 0;
    virtual void ListGone() = 0;               // the rows are being destroyed
  };
  void SetObserver(Observer* observer) { observer_ = observer; }

  int Count() const { return static_cast<int>(rows_.size()); }
  bool Empty() const { return rows_.empty(); }
  bool Valid(int index) const { return index >= 0 && index < Count(); }
  const Row& At(int index) const { return rows_[static_cast<std::size_t>(index)]; }
  const std::string& Path(int index) const { return At(index).path; }
  const std::vector<Row>& Rows() const { return rows_; }

  // A batch: rows appended meanwhile are sorted in once, at its end.
  void BeginBatch();
  void Append(std::string path, int icon);
  void EndBatch();
  bool InBatch() const { return inBatch_; }

  // The first row, in row order, whose path is byte for byte `path`; -1 if none.
  int IndexOf(const std::string& path) const;

  void SetIcon(int index, int icon);
  void Select(int index, bool selected);
  void SelectAll();
  int FirstSelected() const;  // -1 when no row is selected
  int SelectedCount() const;
  std::vector<int> SelectedRows() const;

  int Focus() const { return focus_; }  // -1 when no row has the focus
  void SetFocus(int index);
  // Brings a row fully into view.
  void ScrollIntoView(int index);

  // Removes the selected rows (not possible while a batch runs).
  void RemoveSelected();
  // Removes one row (not while a batch runs).
  void Remove(int index);

  // A view reports the user's own selection and focus changes here; they are
  // not echoed back to the observer.
  void ViewSelected(int index, bool selected);
  void ViewFocused(int index);

 private:
  void RowsChanged();

  std::vector<Row> rows_;
  std::vector<Row> added_;  // appended during the batch
  int focus_ = -1;
  bool inBatch_ = false;
  Observer* observer_ = nullptr;
};

}  // namespace toviwall
