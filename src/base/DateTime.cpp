#include "base/DateTime.h"

#include <cmath>
#include <cstring>
#include <sys/time.h>

namespace toviwall {
namespace {
constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 as a day count
}

double DateTimeFromTm(const std::tm& local, int milliseconds) {
  std::tm copy = local;
  copy.tm_isdst = 0;
  // timegm reads the broken-down time as UTC, which turns local wall-clock fields
  // into a plain count without any zone shift.
  std::time_t secs = timegm(&copy);
  return kUnixEpochDays + (static_cast<double>(secs) + milliseconds / 1000.0) / kSecondsPerDay;
}

std::tm TmFromDateTime(double days, int* milliseconds) {
  double totalMs = std::round((days - kUnixEpochDays) * kSecondsPerDay * 1000.0);
  long long ms = static_cast<long long>(totalMs);
  long long secs = ms / 1000;
  long long rem = ms % 1000;
  if (rem < 0) {
    rem += 1000;
    --secs;
  }
  std::time_t t = static_cast<std::time_t>(secs);
  std::tm out {};
  gmtime_r(&t, &out);
  if (milliseconds) *milliseconds = static_cast<int>(rem);
  return out;
}

double NowLocal() {
  struct timeval tv {};
  gettimeofday(&tv, nullptr);
  std::time_t t = tv.tv_sec;
  std::tm local {};
  localtime_r(&t, &local);
  return DateTimeFromTm(local, static_cast<int>(tv.tv_usec / 1000));
}

std::string DateTimeToStr(double days) {
  int ms = 0;
  std::tm tm = TmFromDateTime(days, &ms);
  char buf[128];
  bool midnight = tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0 && ms == 0;
  std::size_t n = std::strftime(buf, sizeof buf, midnight ? "%x" : "%x %X", &tm);
  return std::string(buf, n);
}

bool TryStrToDateTime(const std::string& text, double& days) {
  for (const char* format : {"%x %X", "%x"}) {
    std::tm tm {};
    const char* end = strptime(text.c_str(), format, &tm);
    if (end == nullptr) continue;
    while (*end == ' ') ++end;
    if (*end != '\0') continue;
    if (tm.tm_mday < 1 || tm.tm_mon < 0 || tm.tm_mon > 11) continue;
    days = DateTimeFromTm(tm);
    return true;
  }
  return false;
}

}  // namespace toviwall
