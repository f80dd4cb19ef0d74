#pragma once
// "Move to Trash" for the current wallpaper: after a question, its file goes
// to the desktop's trash, its row leaves the list, and the row's next picture
// becomes the wallpaper. A failure says why and changes nothing.
#include <QObject>
#include <functional>

class QAction;
class QWidget;

namespace toviwall {

struct ProcessEnvironment;
struct RunState;
class ImageList;
class RotationState;

class TrashCommand final : public QObject {
  Q_OBJECT

 public:
  struct Parts {
    ImageList& list;
    RotationState& state;
    RunState& run;
    const ProcessEnvironment& env;
    std::function<void(int row)> show;  // makes the row the wallpaper
    std::function<void()> clear;        // the desktop shows no picture
    std::function<void()> saveList;     // writes a changed list
  };
  // The action belongs to `owner`'s window.
  TrashCommand(QWidget& owner, Parts parts);

  QAction* Action() const { return action_; }
  void ApplyCaptions();
  // Offered while there is a current entry.
  void UpdateAction();

 private:
  void MoveCurrentToTrash();

  Parts parts_;
  QAction* action_ = nullptr;
};

}  // namespace toviwall
