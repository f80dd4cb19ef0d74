#pragma once
// The 67 change intervals of the interval box, 1 minute to 30 days.
#include <string>

namespace toviwall {

inline constexpr int kIntervalCount = 67;

// Interval of a position in days; 0 for a position outside 0..66 (no selection).
double IntervalDays(int position);
// Interval of a position in minutes; 0 outside 0..66.
int IntervalMinutes(int position);
// The item text, from the language strings 10070 to 10075.
std::string IntervalText(int position);

}  // namespace toviwall
