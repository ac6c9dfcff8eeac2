#pragma once
// UTC times of day for the traffic list ("14:03:27.045") and the data log
// ("14:03:27:045", a colon before the milliseconds), and the durations shown
// for reply times.
#include <cstdint>
#include <string>

inline constexpr std::int64_t kMicrosecondsPerDay = std::int64_t{86'400'000'000};

// Milliseconds since midnight UTC.
std::uint32_t UtcMillisecondOfDay();
// Microseconds since 1970-01-01 00:00 UTC: the time an entry of the list keeps.
std::int64_t UtcMicroseconds();
inline std::uint32_t MillisecondOfDay(std::int64_t utcMicroseconds) {
  const std::int64_t ofDay = utcMicroseconds % kMicrosecondsPerDay;
  return static_cast<std::uint32_t>((ofDay < 0 ? ofDay + kMicrosecondsPerDay : ofDay) / 1000);
}

// Writes "HH:MM:SS" + separator + "mmm" (12 characters) to out.
void FormatTimeOfDay(std::uint32_t millisecondOfDay, char separator, char* out);

inline std::string ListTime(std::uint32_t ms) {
  std::string text(12, ' ');
  FormatTimeOfDay(ms, '.', text.data());
  return text;
}

// The data log's time stamp for the current time.
std::string fkt_GetTimeStamp();

// A duration for the operator, to the microsecond: "0.412 ms" below a
// second, "12.345 s" below a minute, "1:02:03.456" (hours, minutes, seconds)
// beyond; with a decimal comma where `decimalComma` is set (German).
std::string FormatDuration(std::int64_t microseconds, bool decimalComma);
