#pragma once
// What the features may ask of the main window without seeing it: its
// showing and hiding, which window has the user's attention, and the end of
// the run.
#include <string>
#include <vector>

class QWidget;

namespace toviwall {

class MainWindowControl {
 public:
  virtual ~MainWindowControl() = default;
  virtual QWidget& Window() = 0;
  virtual bool MainWindowShowing() const = 0;
  virtual void ShowHideMainWindow() = 0;
  virtual void HideMainWindow() = 0;
  virtual void BringWindowToFront(QWidget* w) = 0;
  // When another window of ours takes the user's interaction (the About box),
  // brings it to the front and answers true: commands wait until it closes.
  virtual bool RaiseOtherFrontWindow() = 0;
  // The end of the run, in order; then the event loop ends.
  virtual void EndRun() = 0;
  // What the end of the run could not do (saving the list, ...), so far.
  virtual const std::vector<std::string>& EndFailures() const = 0;
};

}  // namespace toviwall
