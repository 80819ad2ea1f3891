#include "platform/DateText.h"

namespace platform {
namespace {

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

}  // namespace

bool IsValidCalendarTime(const CalendarTime& t) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.year < 1601 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1) return false;
  const int days = kDays[t.month - 1] + (t.month == 2 && IsLeap(t.year) ? 1 : 0);
  return t.day <= days && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 &&
         t.second <= 59;
}

}  // namespace platform
