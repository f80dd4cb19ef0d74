#pragma once
// When the watched image folder is scanned again: a burst of change notices
// (a copy of many files) becomes one rescan, between one and two seconds
// after the last notice, by a timer that tests the deadline once a second.
// Notices that never stop (a program rewriting a file there every second)
// hold it back no longer than kMaxWaitSeconds after the first of them.
#include <functional>

namespace toviwall {

class RescanSchedule {
 public:
  static constexpr double kDelaySeconds = 1.0;    // after the last notice
  static constexpr double kMaxWaitSeconds = 5.0;  // after the first notice, at most
  static constexpr int kTickMs = 1000;            // the timer's period

  // `now`: seconds on a clock that never goes back, so a change of the
  // system's time neither holds the rescan back nor brings it forward.
  explicit RescanSchedule(std::function<double()> now) : now_(std::move(now)) {}

  // A change notice: RescanDeadline becomes now + one second, but no later
  // than kMaxWaitSeconds after the first notice since the last rescan.
  // Answers true when the timer must be started (it is not running yet; a
  // running one goes on at its own pace).
  bool Notice();
  // A tick of the timer: true when the rescan runs now, which stops the timer.
  // Nothing runs while the program is starting.
  bool Tick(bool startup);
  bool Pending() const { return pending_; }
  double RescanDeadline() const { return deadline_; }

 private:
  std::function<double()> now_;
  double first_ = 0;  // the first notice the coming rescan answers
  double deadline_ = 0;
  bool pending_ = false;
};

}  // namespace toviwall
