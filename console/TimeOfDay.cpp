#include "console/TimeOfDay.h"

#include <ctime>

std::uint32_t UtcMillisecondOfDay() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const auto secondOfDay = static_cast<std::uint32_t>(now.tv_sec % 86400);
  return secondOfDay * 1000U + static_cast<std::uint32_t>(now.tv_nsec / 1000000);
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
