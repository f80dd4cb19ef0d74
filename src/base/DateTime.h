#pragma once
// Local date-time as the settings hold it: days since 1899-12-30, the time of
// day as the fraction. Text form: the locale's short date and long time
// (LC_TIME's %x and %X); midnight is written as the date alone.
#include <ctime>
#include <string>

namespace toviwall {

inline constexpr double kSecondsPerDay = 86400.0;

double NowLocal();
double DateTimeFromTm(const std::tm& local, int milliseconds = 0);
std::tm TmFromDateTime(double days, int* milliseconds = nullptr);

std::string DateTimeToStr(double days);
// Parses what DateTimeToStr writes under the current locale; the whole text must match.
bool TryStrToDateTime(const std::string& text, double& days);

}  // namespace toviwall
