#pragma once
// Date-times are days from 30 December 1899 in local time; the fraction is the time of day.
#include <optional>
#include <string>

namespace qg::platform {

using DateTime = double;

struct DateTimeFields {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  int dayOfWeek = 6;  // 0 = Sunday
};

bool IsValidDate(int year, int month, int day);
int DaysInMonth(int year, int month);

// Nothing when a field is out of range.
std::optional<DateTime> EncodeDate(int year, int month, int day);
std::optional<DateTime> EncodeTime(int hour, int minute, int second, int millisecond = 0);
std::optional<DateTime> EncodeDateTime(int year, int month, int day, int hour, int minute,
                                       int second, int millisecond = 0);

// Splits a date-time into its fields; the time is rounded to the nearest millisecond.
DateTimeFields DecodeDateTime(DateTime dt);

// Drops the milliseconds.
DateTime TruncateToSeconds(DateTime dt);

// "dd/MM/yyyy hh:mm:ss"
std::string FormatDateTime(DateTime dt);
// "dd/MM/yyyy" and "hh:mm:ss"
std::string FormatDate(DateTime dt);
std::string FormatTime(DateTime dt);

// The local date-time of a Unix time in seconds (with fraction), and back.
DateTime FromUnixLocal(double unixSeconds);
double ToUnixLocal(DateTime dt);

}  // namespace qg::platform
