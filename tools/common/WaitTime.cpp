#include "tools/common/WaitTime.h"

#include <charconv>
#include <cmath>
#include <string_view>

std::optional<std::chrono::microseconds> ParseWaitTime(const std::string& text, std::string* error) {
  const std::string_view all = text;
  double unitInMicroseconds = 0;
  std::string_view number;
  if (all.ends_with("ms")) {
    unitInMicroseconds = 1e3;
    number = all.substr(0, all.size() - 2);
  } else if (all.ends_with("s")) {
    unitInMicroseconds = 1e6;
    number = all.substr(0, all.size() - 1);
  }
  double value = -1;
  // Plain decimal digits only: from_chars would also take "inf", "nan" and exponents.
  const bool plainDigits = !number.empty() && number.find_first_not_of("0123456789.") == std::string_view::npos;
  if (plainDigits) {
    const auto [end, failure] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (failure != std::errc() || end != number.data() + number.size()) value = -1;
  }
  constexpr double kOneDayInMicroseconds = 86400e6;
  const double microseconds = value * unitInMicroseconds;
  if (unitInMicroseconds == 0 || value < 0 || microseconds > kOneDayInMicroseconds) {
    *error = "'" + text + "' is not a time: write a number with ms or s (500ms, 2s), at most one day";
    return std::nullopt;
  }
  return std::chrono::microseconds(std::llround(microseconds));
}
