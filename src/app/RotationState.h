#pragma once
// What the rotation keeps in the settings file between changes and runs: the
// entry last made the wallpaper ("CurrentIndex"), when ("LastChange"), and with
// a picture on each monitor the rows the further monitors show
// ("MonitorIndexes"). Read afresh at every use, written only here. They are row
// numbers: when rows move (added, deleted) they are stored again, so that they
// keep naming the same files.
#include <optional>
#include <string>
#include <vector>

namespace toviwall {

class Settings;
class WallpaperList;

class RotationState {
 public:
  RotationState(Settings& settings, const WallpaperList& rows) : settings_(settings), rows_(rows) {}

  int CurrentIndex() const;
  // `now` when none is stored (or it does not read as a date-time).
  double LastChange(double now) const;
  std::vector<int> MonitorIndexes() const;

  // What one change stores, all in one write of the file.
  struct Change {
    std::optional<double> fellDue;  // the timer found the change due then
    int index = 0;                  // the entry made the wallpaper
    double at = 0;                  // when
    std::vector<int> others;        // the further monitors' rows; empty with one picture
    int interval = -1;              // the interval position the schedule was made from
  };
  void StoreChange(const Change& change);
  // The timer found a change due and none could be made.
  void StoreFellDue(double at);
  // The monitors changed without a change: the rows each of them keeps.
  void StoreMonitorIndexes(const std::vector<int>& rows);

  // Around rows being added or removed: the stored rows follow their files. A
  // row that was removed keeps its number.
  void RowsMoving();
  void RowsMoved();

 private:
  Settings& settings_;
  const WallpaperList& rows_;
  struct Remembered {
    int index = -1;
    std::string path;  // empty: the row is none of the rows
  };
  std::optional<Remembered> current_;
  std::vector<Remembered> others_;
};

}  // namespace toviwall
