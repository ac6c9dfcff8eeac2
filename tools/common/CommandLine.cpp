#include "tools/common/CommandLine.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "tools/common/WaitTime.h"

void UsageError(const char* tool, const std::string& message) {
  std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", tool, message.c_str(), tool);
  std::exit(kExitUsage);
}

double NumberOption(const char* tool, const char* option, const std::string& text, double low, double high) {
  double value = 0;
  const char* last = text.data() + text.size();
  const auto [end, failure] = std::from_chars(text.data(), last, value);
  if (text.empty() || failure != std::errc() || end != last || !(value >= low && value <= high)) {
    UsageError(tool, std::string(option) + " takes a number from " + std::to_string(static_cast<long long>(low)) +
                          " to " + std::to_string(static_cast<long long>(high)) + ", not '" + text + "'");
  }
  return value;
}

std::uint64_t WholeNumberOption(const char* tool, const char* option, const std::string& text, std::uint64_t high) {
  std::uint64_t value = 0;
  const char* last = text.data() + text.size();
  const auto [end, failure] = std::from_chars(text.data(), last, value);
  if (text.empty() || failure != std::errc() || end != last || value > high) {
    UsageError(tool, std::string(option) + " takes a whole number from 0 to " + std::to_string(high) + ", not '" +
                          text + "'");
  }
  return value;
}

std::chrono::microseconds TimeOption(const char* tool, const char* option, const std::string& text) {
  std::string error;
  const auto time = ParseWaitTime(text, &error);
  if (!time) UsageError(tool, std::string(option) + ": " + error);
  return *time;
}

Endpoint EndpointOption(const char* tool, const char* option, const std::string& text, EndpointRules rules) {
  std::string error;
  const auto endpoint = ParseEndpoint(text, rules, &error);
  if (!endpoint) UsageError(tool, std::string(option) + ": " + error);
  return *endpoint;
}
