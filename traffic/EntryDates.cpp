#include "traffic/EntryDates.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {
struct Split {
  std::time_t seconds;
  long micros;
};

// Floor division: a time before 1970 keeps a microsecond from 0 to 999,999.
Split SplitMicroseconds(std::int64_t utcMicroseconds) {
  std::int64_t seconds = utcMicroseconds / 1'000'000;
  std::int64_t micros = utcMicroseconds % 1'000'000;
  if (micros < 0) {
    micros += 1'000'000;
    --seconds;
  }
  return {static_cast<std::time_t>(seconds), static_cast<long>(micros)};
}

std::string Format(const std::tm& time, long micros) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%06ld", time.tm_year + 1900, time.tm_mon + 1,
                time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec, micros);
  return text;
}
}  // namespace

std::string UtcDateTime(std::int64_t utcMicroseconds) {
  const Split split = SplitMicroseconds(utcMicroseconds);
  std::tm time{};
  if (::gmtime_r(&split.seconds, &time) == nullptr) return {};
  return Format(time, split.micros);
}

std::string LocalDateTime(std::int64_t utcMicroseconds) {
  const Split split = SplitMicroseconds(utcMicroseconds);
  std::tm time{};
  if (::localtime_r(&split.seconds, &time) == nullptr) return {};
  const long offset = time.tm_gmtoff;
  const long minutes = std::labs(offset) / 60;
  char zone[48];
  std::snprintf(zone, sizeof zone, " %s (%c%02ld:%02ld)", time.tm_zone != nullptr ? time.tm_zone : "",
                offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
  return Format(time, split.micros) + zone;
}
