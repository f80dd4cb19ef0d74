#include "base/DisplayMode.h"

#include <cmath>

namespace toviwall {

int RefreshRateHz(std::uint64_t dotClock, unsigned hTotal, unsigned vTotal, bool doubleScan, bool interlace) {
  double lines = vTotal;
  if (doubleScan) lines *= 2;
  if (interlace) lines /= 2;
  if (hTotal == 0 || lines <= 0) return 0;
  const double rate = static_cast<double>(dotClock) / (static_cast<double>(hTotal) * lines);
  const double hundredths = std::round(rate * 100.0);
  return static_cast<int>(std::floor((hundredths + 50.0) / 100.0));
}

}  // namespace toviwall
