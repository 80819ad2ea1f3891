#include "platform/DateText.h"

#include <windows.h>

namespace platform {

bool LocalCalendarTime(std::int64_t unixSeconds, CalendarTime* time) {
  const std::uint64_t ticks = static_cast<std::uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL;
  FILETIME utc{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
  FILETIME local;
  SYSTEMTIME s;
  if (unixSeconds < -11644473600LL || !FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &s)) {
    return false;
  }
  *time = CalendarTime{s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute, s.wSecond};
  return true;
}

std::string FormatDateTime(const CalendarTime& time) {
  SYSTEMTIME s{};
  s.wYear = static_cast<WORD>(time.year);
  s.wMonth = static_cast<WORD>(time.month);
  s.wDay = static_cast<WORD>(time.day);
  s.wHour = static_cast<WORD>(time.hour);
  s.wMinute = static_cast<WORD>(time.minute);
  s.wSecond = static_cast<WORD>(time.second);
  // The round trip through a file time fills in the day of the week.
  FILETIME check;
  if (!IsValidCalendarTime(time) || !SystemTimeToFileTime(&s, &check) || !FileTimeToSystemTime(&check, &s)) {
    return std::string();
  }
  char date[128], clock[128];
  const int d = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &s, nullptr, date, sizeof date);
  const int c = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &s, nullptr, clock, sizeof clock);
  if (d <= 0 || c <= 0) return std::string();
  return std::string(date) + " " + clock;
}

}  // namespace platform
