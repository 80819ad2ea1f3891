#pragma once
// Dates and times as the user reads them.
//
// The text follows the user's own date and time format, and it is made
// without changing anything process-wide: a plug-in lives inside a host
// program, and setting the C library's locale there would change how the
// host itself formats and parses numbers and dates.  Windows asks
// GetDateFormatA / GetTimeFormatA for the user's default locale; POSIX uses
// a locale object of its own (newlocale from the environment) with
// strftime_l and "%c".

#include <cstdint>
#include <string>

namespace platform {

// A wall-clock time; months and days count from 1.
struct CalendarTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Whether `time` names a real moment: a day its month has (leap years
// included), hours 0-23, minutes and seconds 0-59, years 1601 to 9999 (the
// range Windows times cover).
bool IsValidCalendarTime(const CalendarTime& time);

// The local time of a moment given in seconds since 1970-01-01 UTC; false
// when the system cannot convert it.
bool LocalCalendarTime(std::int64_t unixSeconds, CalendarTime* time);

// The date and the time of `time` in the user's format; "" when it is no
// valid calendar time (a 30th of February, an hour of 25, a year before
// 1601 or after 9999).
std::string FormatDateTime(const CalendarTime& time);

}  // namespace platform
