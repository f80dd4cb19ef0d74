#pragma once
// Starts the first of several desktop tools that does not fail at once. A tool
// that is still running after a moment, or has ended by then with status 0
// (having handed its work to a running instance), counts as started; one that
// cannot be started or ends with an error within that moment gives way to the
// next. The waiting happens in a small watcher process, so the caller never
// blocks, and the tool runs in a session of its own (input and output
// /dev/null) that is nobody's child here: it outlives us and leaves no zombie.
#include <sys/types.h>

#include <QObject>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace toviwall::platform {

class FirstWorkingTool final : public QObject {
 public:
  explicit FirstWorkingTool(int settleMs = 1500);
  ~FirstWorkingTool() override;  // a try under way is given up; a started tool goes on
  FirstWorkingTool(const FirstWorkingTool&) = delete;
  FirstWorkingTool& operator=(const FirstWorkingTool&) = delete;

  // Each command is a program's full path, then its arguments; they run in
  // `folder`. A start while an earlier one is still being tried replaces it.
  void Start(std::vector<std::vector<std::string>> commands, std::string folder);

 private:
  void TryNext();
  void Settled();
  void Abandon();

  int settleMs_;
  std::vector<std::vector<std::string>> pending_;  // the next one last
  std::string folder_;
  pid_t watcher_ = -1;
  int result_ = -1;  // the watcher's pipe
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace toviwall::platform
