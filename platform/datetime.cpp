#include "platform/datetime.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace qg::platform {
namespace {

constexpr double kMsPerDay = 86400000.0;

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
constexpr long DaysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromDays(long z, int& y, int& m, int& d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<long>(yoe) + era * 400 + (m <= 2));
}

// 1899-12-30 counted from 1970-01-01.
// A constant, so that date helpers are right even while other files' constants are being built.
constexpr long kEpochOffset = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

std::optional<DateTime> EncodeDate(int year, int month, int day) {
  if (!IsValidDate(year, month, day)) return std::nullopt;
  return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month),
                                           static_cast<unsigned>(day)) -
                             kEpochOffset);
}

std::optional<DateTime> EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999)
    return std::nullopt;
  const long ms = ((hour * 60L + minute) * 60L + second) * 1000L + millisecond;
  return static_cast<double>(ms) / kMsPerDay;
}

std::optional<DateTime> EncodeDateTime(int year, int month, int day, int hour, int minute,
                                       int second, int millisecond) {
  const auto d = EncodeDate(year, month, day);
  const auto t = EncodeTime(hour, minute, second, millisecond);
  if (!d || !t) return std::nullopt;
  return *d + *t;
}

DateTimeFields DecodeDateTime(DateTime dt) {
  DateTimeFields f;
  if (!std::isfinite(dt)) return f;
  double days = std::floor(dt);
  auto ms = static_cast<long long>(std::llround((dt - days) * kMsPerDay));
  if (ms >= static_cast<long long>(kMsPerDay)) {
    days += 1;
    ms -= static_cast<long long>(kMsPerDay);
  }
  const long z = static_cast<long>(days) + kEpochOffset;
  CivilFromDays(z, f.year, f.month, f.day);
  f.dayOfWeek = static_cast<int>(((z % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
  f.millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  f.second = static_cast<int>(ms % 60);
  ms /= 60;
  f.minute = static_cast<int>(ms % 60);
  f.hour = static_cast<int>(ms / 60);
  return f;
}

DateTime TruncateToSeconds(DateTime dt) {
  const auto f = DecodeDateTime(dt);
  return *EncodeDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second, 0);
}

std::string FormatDate(DateTime dt) {
  const auto f = DecodeDateTime(dt);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", f.day, f.month, f.year);
  return buf;
}

std::string FormatTime(DateTime dt) {
  const auto f = DecodeDateTime(dt);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", f.hour, f.minute, f.second);
  return buf;
}

std::string FormatDateTime(DateTime dt) { return FormatDate(dt) + " " + FormatTime(dt); }

DateTime FromUnixLocal(double unixSeconds) {
  const double whole = std::floor(unixSeconds);
  const auto t = static_cast<std::time_t>(whole);
  std::tm tm{};
  localtime_r(&t, &tm);
  const auto d = EncodeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                tm.tm_min, tm.tm_sec % 60);
  return d.value_or(0.0) + (unixSeconds - whole) / 86400.0;
}

double ToUnixLocal(DateTime dt) {
  const auto f = DecodeDateTime(dt);
  std::tm tm{};
  tm.tm_year = f.year - 1900;
  tm.tm_mon = f.month - 1;
  tm.tm_mday = f.day;
  tm.tm_hour = f.hour;
  tm.tm_min = f.minute;
  tm.tm_sec = f.second;
  tm.tm_isdst = -1;
  return static_cast<double>(std::mktime(&tm)) + f.millisecond / 1000.0;
}

}  // namespace qg::platform
