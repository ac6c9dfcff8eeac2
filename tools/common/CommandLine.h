#pragma once
// What both tools do with their command-line values: take them apart, or end
// the program with a message and exit status 64 (bad usage), so a script can
// tell a mistake in its call from a failed exchange.
#include <getopt.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "tools/common/Endpoint.h"

inline constexpr int kExitUsage = 64;
// The id of --version in each tool's long options ('h' is --help).
inline constexpr int kVersionOption = 999;

// Walks the options with getopt_long: --help prints `help` and --version the
// version, each then exits with 0; a missing value or an unknown option is a
// usage error. Every other option goes to `handle` with its value (empty for
// a switch). Returns the index of the first argument that is no option.
int ForEachOption(const char* tool, int argc, char** argv, const char* shortOptions, const option* longOptions,
                  const char* help, const std::function<void(int id, const std::string& value)>& handle);

// Prints "TOOL: MESSAGE" and a pointer to --help on stderr and exits with 64.
[[noreturn]] void UsageError(const char* tool, const std::string& message);

// A decimal number from `low` to `high`; anything else is a usage error.
double NumberOption(const char* tool, const char* option, const std::string& text, double low, double high);
// A whole number from 0 to `high`.
std::uint64_t WholeNumberOption(const char* tool, const char* option, const std::string& text, std::uint64_t high);
std::chrono::microseconds TimeOption(const char* tool, const char* option, const std::string& text);
Endpoint EndpointOption(const char* tool, const char* option, const std::string& text, EndpointRules rules);
