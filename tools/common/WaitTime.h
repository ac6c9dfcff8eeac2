#pragma once
// Times as the tools take them: a number with the unit "ms" or "s"
// ("500ms", "2s", "0.25s"), for --wait, delays, periods and jitter.
#include <chrono>
#include <optional>
#include <string>

// The time, or nothing with the reason in *error. The unit is required, so a
// bare "500" is never taken for seconds by mistake; at most one day.
std::optional<std::chrono::microseconds> ParseWaitTime(const std::string& text, std::string* error);
