#include "app/Intervals.h"

#include "base/UnitLanguage.h"

namespace toviwall {
namespace {

enum class Unit { Minute, Hour, Day };

struct Step {
  int count;
  Unit unit;
};

Step StepOf(int p) {
  if (p <= 8) return {p + 1, Unit::Minute};
  if (p <= 13) return {(p - 8) * 10, Unit::Minute};
  if (p <= 36) return {p - 13, Unit::Hour};
  return {p - 36, Unit::Day};
}

}  // namespace

int IntervalMinutes(int position) {
  if (position < 0 || position >= kIntervalCount) return 0;
  Step s = StepOf(position);
  switch (s.unit) {
    case Unit::Minute: return s.count;
    case Unit::Hour: return s.count * 60;
    case Unit::Day: return s.count * 24 * 60;
  }
  return 0;
}

double IntervalDays(int position) { return IntervalMinutes(position) / (24.0 * 60.0); }

std::string IntervalText(int position) {
  if (position < 0 || position >= kIntervalCount) return {};
  Step s = StepOf(position);
  int singular = s.unit == Unit::Minute ? 10070 : s.unit == Unit::Hour ? 10072 : 10074;
  return FormatText(S(s.count == 1 ? singular : singular + 1), {s.count});
}

}  // namespace toviwall
