#pragma once
// The modes of the primary display: the list to choose from, the mode on screen,
// the switch to another, and the news that the display's configuration changed
// (by us or by any other program).
#include <functional>
#include <optional>
#include <vector>

#include "base/DisplayMode.h"

namespace toviwall::platform {

// The answer to a switch, in the kinds the program has messages for.
enum class DisplayChange {
  Successful,
  Restart,     // takes effect only after the computer restarts
  Failed,      // the display refused the configuration
  BadMode,     // the display does not offer the mode
  NotUpdated,  // switched, but could not be kept as the default
  BadFlags,
};

class DisplayModes {
 public:
  virtual ~DisplayModes() = default;
  // Every mode of the display in the system's order; empty when it tells none.
  virtual std::vector<DisplayModeRecord> Modes() = 0;
  // The mode on screen now; nullopt when there is none to tell.
  virtual std::optional<DisplayModeRecord> CurrentMode() = 0;
  // Switches the display to one of its modes; other displays keep theirs.
  virtual DisplayChange ChangeMode(const DisplayModeRecord& mode) = 0;
  // True when the modes carry refresh rates (then the menu has a third level).
  virtual bool ReportsRefreshRates() { return true; }
  // Why there are no modes to choose from, for the user; empty where there are.
  virtual std::string WhyNot() const { return {}; }

  // Runs on the main thread after every change of the display's configuration.
  void SetDisplayChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

 protected:
  void AnnounceDisplayChange() {
    if (listener_) listener_();
  }

 private:
  std::function<void()> listener_;
};

}  // namespace toviwall::platform
