#include "imagelist/ui/DirMon.h"

#include <QApplication>
#include <QMessageBox>
#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "base/UnitLanguage.h"
#include "platform/DirectoryWatch.h"
#include "platform/WatchLimit.h"

namespace toviwall {
namespace {

// The limit the watch ran into, by name and value: the same error stands for
// several limits, and a container's own may be lower than the system's.
std::string LimitReason(const platform::WatchLimit& limit) {
  using Kind = platform::WatchLimit::Kind;
  std::string setting = limit.setting;
  if (limit.namespaceOwn) setting = FormatText(S(10144), {setting});
  if (limit.value) setting = FormatText(S(10145), {setting, static_cast<long long>(limit.value)});
  int text = 10143;
  switch (limit.kind) {
    case Kind::Watches: text = limit.namespaceOwn ? 10140 : 10139; break;
    case Kind::Instances: text = 10141; break;
    case Kind::OpenFiles: text = 10142; break;
    case Kind::SystemFiles: text = 10143; break;
  }
  return FormatText(S(text), {setting});
}

std::string Reason(const platform::WatchProblem& p) {
  if (std::optional<platform::WatchLimit> limit = platform::WatchLimitReached(p.error)) return LimitReason(*limit);
  switch (p.error) {
    case EACCES:
    case EPERM:
      return S(10133);
    case ENOENT:
      return S(10134);
    case ENOTDIR:
      return S(10135);
    case ENOMEM:
      return S(10136);
    case ENAMETOOLONG:
      return S(10137);
    case ELOOP:
      return S(10138);
    default: {
      std::string text = std::strerror(p.error);
      if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
      return text;
    }
  }
}

}  // namespace

std::string DirMonProblemText(const std::string& directory, const platform::WatchProblem& problem) {
  const std::string reason = Reason(problem);
  std::string text;
  if (problem.path == directory || directory.empty())
    text = FormatText(S(10128), {problem.path, reason});
  else if (problem.others == 0)
    text = FormatText(S(10129), {problem.path, directory, reason, "\n"});
  else if (problem.others == 1)
    text = FormatText(S(10130), {problem.path, directory, reason, "\n"});
  else
    text = FormatText(S(10131), {problem.path, static_cast<long long>(problem.others), directory, reason, "\n"});
  return text + "\n" + S(10132);
}

TDirMon::TDirMon(platform::DirectoryWatch& watches, QObject* owner) : QObject(owner), watches_(watches) {}

TDirMon::~TDirMon() {
  running_.reset();
  delete warning_;  // QPointer: nothing when it was closed
}

void TDirMon::SetDirectory(const std::string& directory) {
  if (directory == directory_) return;
  if (Running()) throw std::runtime_error("Unable to change Directory when DirMon is running");
  directory_ = directory;
}

void TDirMon::SetNotifyFilter(TDirMonType filter) {
  if (Running()) throw std::runtime_error("Unable to change NotifyFilter when DirMon is running");
  filter_ = filter;
}

void TDirMon::Start() {
  if (Running()) throw std::runtime_error("DirMon already started");
  const unsigned run = ++run_;
  noticeWaiting_ = false;
  // These run on the watch's thread: they only post to this object's thread.
  platform::WatchCallbacks callbacks;
  callbacks.changed = [this, run] {
    if (!noticeWaiting_.exchange(true))
      QMetaObject::invokeMethod(this, [this, run] { Deliver(run); }, Qt::QueuedConnection);
  };
  callbacks.ready = [this, run](std::size_t folders) {
    QMetaObject::invokeMethod(
        this, [this, run, folders] { if (run == run_ && Running()) emit watching(static_cast<int>(folders)); },
        Qt::QueuedConnection);
  };
  callbacks.problem = [this, run](const platform::WatchProblem& problem) {
    QMetaObject::invokeMethod(this, [this, run, problem] { Warn(run, problem); }, Qt::QueuedConnection);
  };
  platform::WatchRequest request;
  request.directory = directory_;
  request.changes = static_cast<unsigned>(filter_.toInt());
  request.nested = Nested;
  request.ownFiles = IgnoredFiles;
  request.hiddenFileCounts = HiddenFileCounts;
  running_ = watches_.Start(request, std::move(callbacks));
  if (OnStart) OnStart(this);
}

void TDirMon::Stop() {
  if (!Running()) throw std::runtime_error("DirMon not started");
  running_.reset();  // returns once the watch's thread has ended
  ++run_;            // what it posted before is let go
  if (OnStop) OnStop(this);
}

void TDirMon::Deliver(unsigned run) {
  noticeWaiting_ = false;
  if (run != run_ || !Running() || !OnDirChange) return;
  try {
    OnDirChange(this);
  } catch (...) {
    // The monitor goes on whatever its handler does.
  }
}

void TDirMon::Warn(unsigned run, const platform::WatchProblem& problem) {
  if (run != run_ || !warned_.emplace(directory_, problem.error).second) return;
  const QString text = QString::fromStdString(DirMonProblemText(directory_, problem));
  if (warning_) {
    warning_->setText(warning_->text() + QStringLiteral("\n\n") + text);
    return;
  }
  // Not modal, and without a parent: the main window is mostly hidden, and the
  // list goes on working while the box shows.
  warning_ = new QMessageBox(QMessageBox::Warning, QString::fromStdString(S(10127)), text, QMessageBox::Ok);
  warning_->setObjectName(QStringLiteral("DirMonWarning"));
  warning_->setTextFormat(Qt::PlainText);
  warning_->setWindowModality(Qt::NonModal);
  warning_->setAttribute(Qt::WA_DeleteOnClose);
  warning_->setAttribute(Qt::WA_ShowWithoutActivating);  // the keyboard stays where the user types
  QApplication::beep();
  warning_->show();
}

}  // namespace toviwall
