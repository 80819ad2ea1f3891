#include "platform/DateText.h"

#include <locale.h>
#include <time.h>

namespace platform {
namespace {

// The user's time format from the environment, made once and never
// installed as the process's locale.
locale_t UserTimeLocale() {
  static const locale_t locale = [] {
    locale_t l = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    return l != static_cast<locale_t>(0) ? l : newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
  }();
  return locale;
}

}  // namespace

bool LocalCalendarTime(std::int64_t unixSeconds, CalendarTime* time) {
  const time_t t = static_cast<time_t>(unixSeconds);
  struct tm local;
  if (localtime_r(&t, &local) == nullptr) return false;
  *time = CalendarTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                       local.tm_sec};
  return true;
}

std::string FormatDateTime(const CalendarTime& time) {
  if (!IsValidCalendarTime(time)) return std::string();
  struct tm t = {};
  t.tm_year = time.year - 1900;
  t.tm_mon = time.month - 1;
  t.tm_mday = time.day;
  t.tm_hour = time.hour;
  t.tm_min = time.minute;
  t.tm_sec = time.second;
  t.tm_isdst = -1;
  // The day of the week for "%c", without moving the time (timegm keeps
  // the fields as given).
  struct tm copy = t;
  const time_t asUtc = timegm(&copy);
  struct tm weekday;
  if (gmtime_r(&asUtc, &weekday) != nullptr) t.tm_wday = weekday.tm_wday, t.tm_yday = weekday.tm_yday;
  char text[128];
  const locale_t locale = UserTimeLocale();
  const std::size_t n = locale != static_cast<locale_t>(0) ? strftime_l(text, sizeof text, "%c", &t, locale)
                                                            : strftime(text, sizeof text, "%c", &t);
  return std::string(text, n);
}

}  // namespace platform
