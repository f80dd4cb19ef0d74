#pragma once
// Commands from the command line (toviwall --next, --add, --status, ...), handed
// over by later starts: each is carried out as the control it stands for does
// it, and answered once done. Commands on the list and the wallpaper wait, in
// the order they came, while the program starts or a batch of files is added,
// as those controls are off then; not longer than kQueueWait. An end and a
// status are answered at once, whatever question or box is open.
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/RemoteProtocol.h"

namespace toviwall {

struct AppPaths;
struct RunState;
class ImageList;
class MainWindowControl;
class NoticeBox;
class RotationState;
class Settings;

class RemoteControl final : public QObject {
  Q_OBJECT

 public:
  using Answer = std::function<void(const remote::Reply&)>;

  // The rotation's commands, as its buttons run them.
  struct Rotation {
    std::function<void()> change, next, previous, none;
    std::function<bool(int index)> desktopShows;  // the desktop shows entry `index` as we handed it over
    std::function<double()> nextChangeTime;
  };
  struct Parts {
    ImageList& list;
    Settings& settings;
    RotationState& state;
    RunState& run;
    AppPaths& paths;
    MainWindowControl& window;
    NoticeBox& notice;
    Rotation rotation;
  };
  explicit RemoteControl(Parts parts);
  // What still waits is refused: the program is ending.
  ~RemoteControl() override;

  void Request(const remote::Request& request, Answer answer);

 private:
  struct Waiting {
    remote::Request request;
    Answer answer;
    std::chrono::steady_clock::time_point since;
  };
  // A command that could not even begin in this time is refused: a box of the
  // start or of an earlier command may wait for someone who is not there.
  static constexpr std::chrono::seconds kQueueWait{30};
  bool CanRunNow(remote::Command command) const;
  std::string Busy() const;
  void RunWaiting();
  void Run(const remote::Request& request, const Answer& answer);
  remote::Reply Carry(const remote::Request& request);
  remote::Reply Step(bool forward);
  remote::Reply Shown();
  remote::Reply ShowWindow(bool shown);
  remote::Reply Toggle();
  remote::Reply Add(const std::vector<std::string>& paths);
  remote::Reply Exit();
  std::vector<std::string> Status();

  Parts parts_;
  std::deque<Waiting> waiting_;
  QTimer retry_;
  bool running_ = false;
};

}  // namespace toviwall
