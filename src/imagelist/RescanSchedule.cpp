#include "imagelist/RescanSchedule.h"

#include <algorithm>

namespace toviwall {

bool RescanSchedule::Notice() {
  const double now = now_();
  const bool start = !pending_;
  if (start) first_ = now;
  deadline_ = std::min(now + kDelaySeconds, first_ + kMaxWaitSeconds);
  pending_ = true;
  return start;
}

bool RescanSchedule::Tick(bool startup) {
  if (!pending_ || startup || !(now_() > deadline_)) return false;
  pending_ = false;
  return true;
}

}  // namespace toviwall
