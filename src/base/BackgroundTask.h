#pragma once
// One job on a thread of its own, always joined: by Wait(), which passes the
// job's error on, or at the latest by the destructor, which keeps it to itself
// (the caller is then unwinding with an error of its own). Without a thread to
// be had the job runs at once, in the constructor.
#include <exception>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace toviwall {

class BackgroundTask {
 public:
  explicit BackgroundTask(std::function<void()> job) : job_(std::move(job)) {
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      Run();
    }
  }
  ~BackgroundTask() {
    if (thread_.joinable()) thread_.join();
  }
  BackgroundTask(const BackgroundTask&) = delete;
  BackgroundTask& operator=(const BackgroundTask&) = delete;

  void Wait() {
    if (thread_.joinable()) thread_.join();
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  }

 private:
  void Run() {
    try {
      job_();
    } catch (...) {
      error_ = std::current_exception();
    }
  }

  std::function<void()> job_;
  std::exception_ptr error_;
  std::thread thread_;  // last: started once the rest is in place
};

// job(0) to job(count - 1) side by side: each but the first on a task of its
// own, the first here. Once all have ended, the first error in job order is
// passed on.
inline void RunSideBySide(std::size_t count, const std::function<void(std::size_t)>& job) {
  std::vector<std::unique_ptr<BackgroundTask>> others;
  for (std::size_t i = 1; i < count; ++i) others.push_back(std::make_unique<BackgroundTask>([&job, i] { job(i); }));
  std::exception_ptr first;
  if (count > 0) {
    try {
      job(0);
    } catch (...) {
      first = std::current_exception();
    }
  }
  for (auto& task : others) {
    try {
      task->Wait();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

}  // namespace toviwall
