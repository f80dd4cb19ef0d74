#include "app/ui/RemoteControl.h"

#include <QCoreApplication>
#include <cmath>
#include <ctime>
#include <exception>
#include <iterator>

#include "app/Intervals.h"
#include "app/RotationState.h"
#include "app/ui/MainWindowControl.h"
#include "app/ui/NoticeBox.h"
#include "app/ui/RunState.h"
#include "base/DateTime.h"
#include "base/AtomicFile.h"
#include "base/Settings.h"
#include "base/ui/Dialogs.h"
#include "imagelist/ImageList.h"
#include "imagelist/ListFile.h"
#include "wallpaper/FillingType.h"

namespace toviwall {
namespace {

using remote::Command;
using remote::Reply;
using remote::Status;

Reply Refused(std::string why) { return Reply{Status::Refused, {std::move(why)}}; }

// The About box holds the user's attention as it does for a second start.
Reply AboutBoxOpen() { return Refused("the About box is open; it was brought to the front"); }

// The answer's reason is one line; a message box's text may have several.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

std::string IsoLocal(double days) {
  std::tm tm = TmFromDateTime(days);
  char text[32];
  return std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm) ? text : "";
}

}  // namespace

RemoteControl::RemoteControl(Parts parts) : parts_(std::move(parts)) {
  // Only while something waits: idle, the program spends nothing on this.
  retry_.setInterval(200);
  connect(&retry_, &QTimer::timeout, this, [this] { RunWaiting(); });
}

RemoteControl::~RemoteControl() {
  for (Waiting& w : waiting_) w.answer(Refused("the program is ending"));
}

void RemoteControl::Request(const remote::Request& request, Answer answer) {
  if (parts_.run.endRequested) return answer(Refused("the program is ending"));
  // The window commands act at once, as a second start's message does. So do
  // an end, which closes whatever is open, and a status, which changes nothing:
  // a question of the start or of an earlier command must not hold them up.
  const Command c = request.command;
  if (c == Command::Show || c == Command::Hide || c == Command::Toggle || c == Command::Exit ||
      c == Command::Status)
    return Run(request, answer);
  waiting_.push_back({request, std::move(answer), std::chrono::steady_clock::now()});
  RunWaiting();
}

bool RemoteControl::CanRunNow(Command command) const {
  if (!parts_.run.created) return false;
  return command == Command::Status || !parts_.list.BatchRunning();
}

std::string RemoteControl::Busy() const {
  const std::string waited = " for " + std::to_string(kQueueWait.count()) + " s";
  if (running_) return "the program was busy with an earlier command" + waited + "; a question of it may be open";
  if (!parts_.run.created) return "the program was still starting" + waited + "; a message of its start may be open";
  return "the program was busy adding files to the list" + waited;
}

void RemoteControl::RunWaiting() {
  // One at a time: a command that shows a box or adds a batch lets events
  // through, and the next one waits for it.
  while (!running_ && !waiting_.empty() && !parts_.run.endRequested && CanRunNow(waiting_.front().request.command)) {
    Waiting next = std::move(waiting_.front());
    waiting_.pop_front();
    running_ = true;
    Run(next.request, next.answer);
    running_ = false;
  }
  const auto now = std::chrono::steady_clock::now();
  while (!waiting_.empty() && (parts_.run.endRequested || now - waiting_.front().since >= kQueueWait)) {
    Waiting w = std::move(waiting_.front());
    waiting_.pop_front();
    w.answer(Refused(parts_.run.endRequested ? "the program is ending" : Busy()));
  }
  if (waiting_.empty()) retry_.stop();
  else if (!retry_.isActive()) retry_.start();
}

void RemoteControl::Run(const remote::Request& request, const Answer& answer) {
  std::string failure;
  Reply reply;
  try {
    reply = Carry(request);
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "Unknown error";
  }
  if (failure.empty()) return answer(reply);
  answer(Reply{Status::Failed, {OneLine(failure)}});
  // Shown too, as the user's own commands show what went wrong; in the
  // non-modal notice, so that a key binding held down on a damaged picture
  // gathers its failures in one box instead of stacking modal ones.
  if (!parts_.run.endRequested) parts_.notice.Show(Q(failure));
}

Reply RemoteControl::Carry(const remote::Request& request) {
  WallpaperList& rows = parts_.list.Rows();
  switch (request.command) {
    case Command::Change:
      if (rows.Empty()) return Refused("the image list is empty");
      parts_.rotation.change();
      return Shown();
    case Command::Next: return Step(true);
    case Command::Previous: return Step(false);
    case Command::None: parts_.rotation.none(); return {};
    case Command::Show:
    case Command::Hide:
    case Command::Toggle:
      if (parts_.run.askingImageFolder) return Refused("the program is waiting for the answer to its first-run question");
      return request.command == Command::Toggle ? Toggle() : ShowWindow(request.command == Command::Show);
    case Command::Add: return Add(request.paths);
    case Command::Status: return Reply{Status::Ok, Status()};
    case Command::Exit: return Exit();
  }
  return Refused("an unknown command");
}

Reply RemoteControl::Step(bool forward) {
  WallpaperList& rows = parts_.list.Rows();
  if (rows.Empty()) return Refused("the image list is empty");
  // Next and Previous step from the selected row, else from the current wallpaper.
  if (forward) parts_.rotation.next();
  else parts_.rotation.previous();
  return Shown();
}

Reply RemoteControl::Shown() {
  // An entry whose file is gone becomes the current one and shows nothing, as
  // with the buttons; the caller hears of it.
  const WallpaperList& rows = parts_.list.Rows();
  const int current = parts_.state.CurrentIndex();
  if (rows.Valid(current) && !FileExists(rows.Path(current)))
    return Reply{Status::Failed, {rows.Path(current) + ": no such file"}};
  return {};
}

Reply RemoteControl::Toggle() {
  if (parts_.window.RaiseOtherFrontWindow()) return AboutBoxOpen();
  parts_.window.ShowHideMainWindow();
  return {};
}

Reply RemoteControl::ShowWindow(bool shown) {
  MainWindowControl& window = parts_.window;
  if (window.RaiseOtherFrontWindow()) return AboutBoxOpen();
  if (!shown) {
    if (window.MainWindowShowing()) window.HideMainWindow();
  } else if (!window.MainWindowShowing()) {
    window.ShowHideMainWindow();
  } else {
    window.BringWindowToFront(&window.Window());
  }
  return {};
}

Reply RemoteControl::Add(const std::vector<std::string>& paths) {
  // A drop passes such a name over; named on the command line, it is said why.
  for (const std::string& path : paths)
    if (!FitsListFile(path))
      return Refused("the image list cannot keep a name with a line break: \"" + remote::Printable(path, 4096) + "\"");
  const int before = parts_.list.Rows().Count();
  parts_.list.AddPaths(paths);
  parts_.run.listChanged = true;
  return Reply{Status::Ok, {"added=" + std::to_string(parts_.list.Rows().Count() - before)}};
}

Reply RemoteControl::Exit() {
  // Exit without its question; nobody may be there to answer a box that is open.
  EndDialogs();
  parts_.window.EndRun();
  if (parts_.window.EndFailures().empty()) return {};
  std::string text = "the program ended, but";
  const char* separator = ": ";
  for (const std::string& failure : parts_.window.EndFailures()) {
    text += separator + OneLine(failure);
    separator = "; ";
  }
  return Reply{Status::Failed, {text}};
}

std::vector<std::string> RemoteControl::Status() {
  // During the start (a question of it may be open) what is not known yet is
  // left empty: the list may be loading, nothing is shown nor scheduled yet.
  const bool started = parts_.run.created;
  const WallpaperList& rows = parts_.list.Rows();
  const int current = parts_.state.CurrentIndex();
  const bool valid = rows.Valid(current);
  std::string shown = started ? "no" : "unknown";
  if (valid && started) {
    try {
      shown = parts_.rotation.desktopShows(current) ? "yes" : "no";
    } catch (const std::exception&) {
      shown = "unknown";
    }
  }
  const bool automatic = parts_.settings.Get(keys::AutoChangeWallpaper);
  const bool scheduled = automatic && started;
  const double next = scheduled ? parts_.rotation.nextChangeTime() : 0;
  const long long seconds = std::max(0LL, std::llround((next - NowLocal()) * kSecondsPerDay));
  return {
      "wallpaper=" + (valid ? rows.Path(current) : std::string()),
      "row=" + std::to_string(valid ? current + 1 : 0),
      "rows=" + std::to_string(rows.Count()),
      "shown=" + shown,
      // The names are fixed, not the translated captions: scripts read them.
      "filling=" + std::string(FillingTypeName(FillingTypeFromStored(parts_.settings.Get(keys::Type)))),
      "auto_change=" + std::string(automatic ? "on" : "off"),
      "interval_minutes=" + std::to_string(IntervalMinutes(parts_.settings.Get(keys::Interval))),
      "next_change=" + (scheduled ? IsoLocal(next) : std::string()),
      "next_change_seconds=" + (scheduled ? std::to_string(seconds) : std::string()),
      "settings=" + parts_.paths.settingsFile,
      "pid=" + std::to_string(QCoreApplication::applicationPid()),
  };
}

}  // namespace toviwall
