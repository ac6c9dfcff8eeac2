#include "traffic/TimeOfDay.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

std::uint32_t UtcMillisecondOfDay() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const auto secondOfDay = static_cast<std::uint32_t>(now.tv_sec % 86400);
  return secondOfDay * 1000U + static_cast<std::uint32_t>(now.tv_nsec / 1000000);
}

std::int64_t UtcMicroseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

void FormatTimeOfDay(std::uint32_t ms, char separator, char* out) {
  const std::uint32_t hours = ms / 3600000U % 24U;
  const std::uint32_t minutes = ms / 60000U % 60U;
  const std::uint32_t seconds = ms / 1000U % 60U;
  const std::uint32_t millis = ms % 1000U;
  auto two = [](std::uint32_t v, char* at) {
    at[0] = static_cast<char>('0' + v / 10);
    at[1] = static_cast<char>('0' + v % 10);
  };
  two(hours, out);
  out[2] = ':';
  two(minutes, out + 3);
  out[5] = ':';
  two(seconds, out + 6);
  out[8] = separator;
  out[9] = static_cast<char>('0' + millis / 100);
  out[10] = static_cast<char>('0' + millis / 10 % 10);
  out[11] = static_cast<char>('0' + millis % 10);
}

std::string fkt_GetTimeStamp() {
  std::string text(12, ' ');
  FormatTimeOfDay(UtcMillisecondOfDay(), ':', text.data());
  return text;
}

std::string FormatDuration(std::int64_t microseconds, bool decimalComma) {
  // A clock set back between two entries gives a negative span; it is shown
  // as it is rather than hidden.
  const char* sign = microseconds < 0 ? "-" : "";
  const std::uint64_t us =
      microseconds < 0 ? 0 - static_cast<std::uint64_t>(microseconds) : static_cast<std::uint64_t>(microseconds);
  char text[64];
  if (us < 1'000'000) {
    std::snprintf(text, sizeof text, "%s%" PRIu64 ".%03" PRIu64 " ms", sign, us / 1000, us % 1000);
  } else if (us < 60'000'000) {
    std::snprintf(text, sizeof text, "%s%" PRIu64 ".%03" PRIu64 " s", sign, us / 1'000'000, us / 1000 % 1000);
  } else {
    const std::uint64_t ms = us / 1000;
    std::snprintf(text, sizeof text, "%s%" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%03" PRIu64, sign, ms / 3'600'000,
                  ms / 60'000 % 60, ms / 1000 % 60, ms % 1000);
  }
  std::string result = text;
  if (decimalComma) {
    if (const std::size_t dot = result.find('.'); dot != std::string::npos) result[dot] = ',';
  }
  return result;
}
