#include "imagelist/RescanSchedule.h"

namespace toviwall {

bool RescanSchedule::Notice() {
  deadline_ = now_() + kDelaySeconds;
  const bool start = !pending_;
  pending_ = true;
  return start;
}

bool RescanSchedule::Tick(bool startup) {
  if (!pending_ || startup || !(now_() > deadline_)) return false;
  pending_ = false;
  return true;
}

}  // namespace toviwall
