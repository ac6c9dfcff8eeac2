#include "tools/common/CommandLine.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "tools/common/WaitTime.h"

void UsageError(const char* tool, const std::string& message) {
  std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", tool, message.c_str(), tool);
  std::exit(kExitUsage);
}

int ForEachOption(const char* tool, int argc, char** argv, const char* shortOptions, const option* longOptions,
                  const char* help, const std::function<void(int id, const std::string& value)>& handle) {
  opterr = 0;  // our own messages, with the pointer to --help
  // The leading ":" makes getopt tell a missing value from an unknown option.
  const std::string optionString = std::string(":") + shortOptions;
  for (int id = 0; (id = ::getopt_long(argc, argv, optionString.c_str(), longOptions, nullptr)) != -1;) {
    switch (id) {
      case 'h': std::fputs(help, stdout); std::exit(0);
      case kVersionOption: std::printf("%s %s\n", tool, TELVANE_VERSION); std::exit(0);
      case ':':
      case '?': {
        // A long option is named as given; a short one by optopt, which
        // finds it even inside a cluster such as -bx.
        const std::string given = argv[optind - 1];
        const bool shortOption = !given.starts_with("--") && optopt > 0 && optopt < 128;
        const std::string name = shortOption ? std::string("-") + static_cast<char>(optopt) : given;
        UsageError(tool, id == ':' ? "option " + name + " needs a value" : "unknown option " + name);
      }
      default: handle(id, optarg ? optarg : "");
    }
  }
  return optind;
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
    UsageError(
        tool, std::string(option) + " takes a whole number from 0 to " + std::to_string(high) + ", not '" + text + "'");
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
