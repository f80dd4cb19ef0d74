#pragma once
// How far a picture still being made is final, counted in rows from the top,
// so that another thread can use its upper part while the rest is made.
// Either side may give up: the maker when it fails, the user when it no longer
// wants the picture; waits end at once then.
#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace toviwall {

class RowProgress {
 public:
  // Rows 0 .. rows - 1 are final (a smaller count than before changes nothing).
  void Advance(int rows) {
    {
      std::lock_guard lock(m_);
      if (rows <= rows_) return;
      rows_ = rows;
    }
    cv_.notify_all();
  }
  void Abandon() {
    {
      std::lock_guard lock(m_);
      abandoned_ = true;
    }
    cv_.notify_all();
  }
  // Waits until `rows` rows are final: true; false once either side gave up.
  bool WaitFor(int rows) {
    std::unique_lock lock(m_);
    cv_.wait(lock, [&] { return abandoned_ || rows_ >= rows; });
    return !abandoned_;
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  int rows_ = 0;
  bool abandoned_ = false;
};

}  // namespace toviwall
