#pragma once
// UTC times of day for the traffic list ("14:03:27.045") and the data log
// ("14:03:27:045", a colon before the milliseconds).
#include <cstdint>
#include <string>

// Milliseconds since midnight UTC.
std::uint32_t UtcMillisecondOfDay();

// Writes "HH:MM:SS" + separator + "mmm" (12 characters) to out.
void FormatTimeOfDay(std::uint32_t millisecondOfDay, char separator, char* out);

inline std::string ListTime(std::uint32_t ms) {
  std::string text(12, ' ');
  FormatTimeOfDay(ms, '.', text.data());
  return text;
}

// The data log's time stamp for the current time.
std::string fkt_GetTimeStamp();
