#pragma once
// What both tools do with their command-line values: take them apart, or end
// the program with a message and exit status 64 (bad usage), so a script can
// tell a mistake in its call from a failed exchange.
#include <chrono>
#include <cstdint>
#include <string>

#include "tools/common/Endpoint.h"

inline constexpr int kExitUsage = 64;

// Prints "TOOL: MESSAGE" and a pointer to --help on stderr and exits with 64.
[[noreturn]] void UsageError(const char* tool, const std::string& message);

// A decimal number from `low` to `high`; anything else is a usage error.
double NumberOption(const char* tool, const char* option, const std::string& text, double low, double high);
// A whole number from 0 to `high`.
std::uint64_t WholeNumberOption(const char* tool, const char* option, const std::string& text, std::uint64_t high);
std::chrono::microseconds TimeOption(const char* tool, const char* option, const std::string& text);
Endpoint EndpointOption(const char* tool, const char* option, const std::string& text, EndpointRules rules);
