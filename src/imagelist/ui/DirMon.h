#pragma once
// TDirMon: watches a folder (and every folder below it when Nested) for the
// kinds of change in NotifyFilter. Each notice reaches OnDirChange on the
// thread that started the monitor, one at a time; a burst that arrives while
// one waits there is that same notice. Stop returns once the watch's thread
// has ended, and no notice of that run comes after it. A folder that cannot
// be watched is reported in a "Warning" box, once per folder and reason, and
// the monitor goes on with what it could watch.
#include <QFlags>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QMessageBox;

namespace toviwall {
namespace platform {
class DirectoryWatch;
class RunningWatch;
struct WatchProblem;
}  // namespace platform

enum TDirMonValue : unsigned {
  dmcFileName = 0x1,
  dmcDirName = 0x2,
  dmcAttributes = 0x4,
  dmcSize = 0x8,
  dmcLastWrite = 0x10,
  dmcSecurity = 0x100,
};
Q_DECLARE_FLAGS(TDirMonType, TDirMonValue)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDirMonType)

class TDirMon final : public QObject {
  Q_OBJECT

 public:
  using TNotifyEvent = std::function<void(QObject* sender)>;

  explicit TDirMon(platform::DirectoryWatch& watches, QObject* owner = nullptr);
  // Ends a running watch (without OnStop).
  ~TDirMon() override;

  const std::string& Directory() const { return directory_; }
  // Throws "Unable to change Directory when DirMon is running" for another folder while running.
  void SetDirectory(const std::string& directory);
  TDirMonType NotifyFilter() const { return filter_; }
  // Throws "Unable to change NotifyFilter when DirMon is running" while running.
  void SetNotifyFilter(TDirMonType filter);
  // Also the folders below; takes effect at the next start.
  bool Nested = false;
  // Files the program itself writes (its list file): their changes are no
  // notices. Takes effect at the next start.
  std::vector<std::string> IgnoredFiles;
  // Hidden files (names beginning with ".") whose changes are notices; unset:
  // every one. Hidden folders never are. Takes effect at the next start.
  std::function<bool(std::string_view name)> HiddenFileCounts;

  TNotifyEvent OnDirChange;  // exceptions it throws are swallowed
  TNotifyEvent OnStart;
  TNotifyEvent OnStop;

  // Throws "DirMon already started" when running.
  void Start();
  // Throws "DirMon not started" when not running.
  void Stop();
  // From Start to Stop, also when the folder could not be watched at all.
  bool Running() const { return running_ != nullptr; }

 signals:
  // The folders there were at the start are watched, `folders` of them.
  void watching(int folders);

 private:
  void Deliver(unsigned run);
  void Warn(unsigned run, const platform::WatchProblem& problem);

  platform::DirectoryWatch& watches_;
  std::string directory_;
  TDirMonType filter_ = dmcFileName;
  std::unique_ptr<platform::RunningWatch> running_;
  unsigned run_ = 0;  // which start a notice belongs to
  std::atomic<bool> noticeWaiting_{false};
  std::set<std::pair<std::string, int>> warned_;
  QPointer<QMessageBox> warning_;
};

// What the "Warning" box says about a folder below (or at) `directory` that
// cannot be watched: which one, and why, in plain words.
std::string DirMonProblemText(const std::string& directory, const platform::WatchProblem& problem);

}  // namespace toviwall
