#include "app/ui/RemoteControl.h"

#include <QCoreApplication>
#include <cmath>
#include <ctime>
#include <exception>
#include <iterator>

#include "app/Intervals.h"
#include "app/ui/DesktopPage.h"
#include "app/ui/ImageListPage.h"
#include "app/ui/WallPaperMain.h"
#include "app/ui/WallpaperRotation.h"
#include "base/DateTime.h"
#include "base/Settings.h"
#include "base/ui/Dialogs.h"
#include "wallpaper/FillingType.h"

namespace toviwall {
namespace {

using remote::Command;
using remote::Reply;
using remote::Status;

Reply Refused(std::string why) { return Reply{Status::Refused, {std::move(why)}}; }

// The answer's reason is one line; a message box's text may have several.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

// The names are fixed, not the translated captions: scripts read them.
const char* FillingName(FillingType type) {
  static const char* const kNames[] = {"Center", "Tile", "Stretch", "Resize to Fit", "Shrink to Fit", "Zoom"};
  static_assert(std::size(kNames) == kFillingTypeCount);
  return kNames[StoredValue(type)];
}

std::string IsoLocal(double days) {
  std::tm tm = TmFromDateTime(days);
  char text[32];
  return std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm) ? text : "";
}

}  // namespace

RemoteControl::RemoteControl(TMainForm& form) : form_(form) {
  // Only while something waits: idle, the program spends nothing on this.
  retry_.setInterval(200);
  connect(&retry_, &QTimer::timeout, this, [this] { RunWaiting(); });
}

RemoteControl::~RemoteControl() {
  for (Waiting& w : waiting_) w.answer(Refused("the program is ending"));
}

void RemoteControl::Request(const remote::Request& request, Answer answer) {
  if (form_.EndRequested()) return answer(Refused("the program is ending"));
  // The window commands act at once, as a second start's message does.
  const Command c = request.command;
  if (c == Command::Show || c == Command::Hide || c == Command::Toggle) return Run(request, answer);
  waiting_.push_back({request, std::move(answer), std::chrono::steady_clock::now()});
  RunWaiting();
}

bool RemoteControl::CanRunNow(Command command) const {
  if (!form_.Created()) return false;
  return command == Command::Status || !form_.ImageListTab().List().BatchRunning();
}

std::string RemoteControl::Busy() const {
  const std::string waited = " for " + std::to_string(kQueueWait.count()) + " s";
  if (running_) return "the program was busy with an earlier command" + waited + "; a question of it may be open";
  if (!form_.Created()) return "the program was still starting" + waited + "; a message of its start may be open";
  return "the program was busy adding files to the list" + waited;
}

void RemoteControl::RunWaiting() {
  // One at a time: a command that shows a box or adds a batch lets events
  // through, and the next one waits for it.
  while (!running_ && !waiting_.empty() && !form_.EndRequested() && CanRunNow(waiting_.front().request.command)) {
    Waiting next = std::move(waiting_.front());
    waiting_.pop_front();
    running_ = true;
    Run(next.request, next.answer);
    running_ = false;
  }
  const auto now = std::chrono::steady_clock::now();
  while (!waiting_.empty() && (form_.EndRequested() || now - waiting_.front().since >= kQueueWait)) {
    Waiting w = std::move(waiting_.front());
    waiting_.pop_front();
    w.answer(Refused(form_.EndRequested() ? "the program is ending" : Busy()));
  }
  if (waiting_.empty()) retry_.stop();
  else if (!retry_.isActive()) retry_.start();
}

void RemoteControl::Run(const remote::Request& request, const Answer& answer) {
  std::exception_ptr failure;
  Reply reply;
  try {
    reply = Carry(request);
  } catch (const std::exception& e) {
    reply = Reply{Status::Failed, {OneLine(e.what())}};
    failure = std::current_exception();
  } catch (...) {
    reply = Reply{Status::Failed, {"Unknown error"}};
    failure = std::current_exception();
  }
  answer(reply);
  // The user's own commands show what went wrong in the error box; the caller
  // has its answer first, so it does not wait for the box.
  if (failure && !form_.EndRequested())
    QTimer::singleShot(0, this, [failure] { RunGuarded([&] { std::rethrow_exception(failure); }); });
}

Reply RemoteControl::Carry(const remote::Request& request) {
  WallpaperList& rows = form_.ImageListTab().List().Rows();
  switch (request.command) {
    case Command::Change:
      if (rows.Empty()) return Refused("the image list is empty");
      form_.Rotation().ChangeWallpaperNow();
      return {};
    case Command::Next: return Step(true);
    case Command::Previous: return Step(false);
    case Command::None: form_.Rotation().ClearWallpaper(); return {};
    case Command::Show: return ShowWindow(true);
    case Command::Hide: return ShowWindow(false);
    case Command::Toggle: form_.ShowHideMainWindow(); return {};
    case Command::Add: return Add(request.paths);
    case Command::Status: return Reply{Status::Ok, Status()};
    case Command::Exit: return Exit();
  }
  return Refused("an unknown command");
}

Reply RemoteControl::Step(bool forward) {
  WallpaperList& rows = form_.ImageListTab().List().Rows();
  if (rows.Empty()) return Refused("the image list is empty");
  // Next and Previous step from the selected row; their buttons are off without
  // one, but a command has no such button: it steps from the current wallpaper.
  if (rows.FirstSelected() < 0) {
    const int current = Read(form_.SettingsFile, keys::CurrentIndex);
    rows.Select(rows.Valid(current) ? current : 0, true);
  }
  if (forward) form_.Rotation().Next();
  else form_.Rotation().Previous();
  return {};
}

Reply RemoteControl::ShowWindow(bool shown) {
  // The About box holds the user's attention as it does for a second start.
  if (form_.RaiseOtherFrontWindow()) return Refused("the About box is open; it was brought to the front");
  if (!shown) {
    if (form_.MainWindowShowing()) form_.HideMainWindow();
  } else if (!form_.MainWindowShowing()) {
    form_.ShowHideMainWindow();
  } else {
    form_.BringWindowToFront(&form_);
  }
  return {};
}

Reply RemoteControl::Add(const std::vector<std::string>& paths) {
  const int before = form_.ImageListTab().ImageCount();
  form_.ImageListTab().AddPaths(paths);
  form_.ListChanged = true;
  return Reply{Status::Ok, {"added=" + std::to_string(form_.ImageListTab().ImageCount() - before)}};
}

Reply RemoteControl::Exit() {
  // Exit without its question; nobody may be there to answer a box that is open.
  EndDialogs();
  form_.EndRun();
  if (form_.EndFailures().empty()) return {};
  std::string text = "the program ended, but";
  const char* separator = ": ";
  for (const std::string& failure : form_.EndFailures()) {
    text += separator + OneLine(failure);
    separator = "; ";
  }
  return Reply{Status::Failed, {text}};
}

std::vector<std::string> RemoteControl::Status() {
  const WallpaperList& rows = form_.ImageListTab().List().Rows();
  const int current = Read(form_.SettingsFile, keys::CurrentIndex);
  const bool valid = rows.Valid(current);
  std::string shown = "no";
  if (valid) {
    try {
      shown = form_.Rotation().DesktopShows(current) ? "yes" : "no";
    } catch (const std::exception&) {
      shown = "unknown";
    }
  }
  const bool automatic = form_.DesktopTab().AutoChange();
  const double next = form_.Rotation().NextChangeTime();
  const long long seconds = std::max(0LL, std::llround((next - NowLocal()) * kSecondsPerDay));
  return {
      "wallpaper=" + (valid ? rows.Path(current) : std::string()),
      "row=" + std::to_string(valid ? current + 1 : 0),
      "rows=" + std::to_string(rows.Count()),
      "shown=" + shown,
      "filling=" + std::string(FillingName(form_.DesktopTab().Filling())),
      "auto_change=" + std::string(automatic ? "on" : "off"),
      "interval_minutes=" + std::to_string(IntervalMinutes(form_.DesktopTab().IntervalPosition())),
      "next_change=" + (automatic ? IsoLocal(next) : std::string()),
      "next_change_seconds=" + (automatic ? std::to_string(seconds) : std::string()),
      "settings=" + form_.SettingsFile,
      "pid=" + std::to_string(QCoreApplication::applicationPid()),
  };
}

}  // namespace toviwall
