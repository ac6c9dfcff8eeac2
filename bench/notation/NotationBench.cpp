// Time per line of the two notation conversions on lines typical of
// instrument traffic, at 100 bytes, 4 KiB and 64 KiB (the largest datagram).
// Prints the median over many batches of calls.
//
// Build with optimisation (CMAKE_BUILD_TYPE=Release) and run bench_notation.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "notation/Notation.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kLineSizes[] = {100, 4 * std::size_t{1024}, 64 * std::size_t{1024}};
constexpr int kBatches = 31;
constexpr auto kBatchTarget = std::chrono::milliseconds(5);

// Keeps the optimiser from dropping the conversions.
volatile std::size_t sink = 0;

// Repeats pieces from next() while they fit, then pads with "x" to exactly size bytes.
std::string FillLine(std::size_t size, const std::function<std::string()>& next) {
  std::string line;
  for (std::string piece = next(); line.size() + piece.size() <= size; piece = next()) {
    line += piece;
  }
  line.resize(size, 'x');
  return line;
}

std::string RandomBytes(std::size_t size, std::mt19937& random) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(size, '\0');
  for (char& ch : bytes) {
    ch = static_cast<char>(byte(random));
  }
  return bytes;
}

// Median time of one call, in microseconds.
double MedianMicroseconds(const std::function<std::string(const std::string&)>& convert, const std::string& line) {
  int callsPerBatch = 1;
  for (auto start = Clock::now(); Clock::now() - start < kBatchTarget; ++callsPerBatch) {
    sink = sink + convert(line).size();
  }
  std::vector<double> perCall;
  for (int batch = 0; batch < kBatches; ++batch) {
    const auto start = Clock::now();
    for (int call = 0; call < callsPerBatch; ++call) {
      sink = sink + convert(line).size();
    }
    const std::chrono::duration<double, std::micro> elapsed = Clock::now() - start;
    perCall.push_back(elapsed.count() / callsPerBatch);
  }
  std::nth_element(perCall.begin(), perCall.begin() + kBatches / 2, perCall.end());
  return perCall[kBatches / 2];
}

struct LineKind {
  const char* name;
  std::function<std::string(std::size_t)> make;
  std::function<std::string(const std::string&)> convert;
};

}  // namespace

int main() {
  std::mt19937 random(1);
  const auto toRaw = [](const std::string& line) { return fkt_SpecialCharsToRaw(line); };
  const auto toDisplay = [](const std::string& line) { return fkt_RawToSpecialChars(line); };

  // clang-format off
  const std::vector<LineKind> kinds = {
      {"notation->raw  frames <STX>0,1,INFO?<ETX><179>",
       [](std::size_t size) { return FillLine(size, [] { return std::string("<STX>0,1,INFO?<ETX><179>"); }); },
       toRaw},
      {"notation->raw  numeric frames <2>0,1,INFO?<3><179>",
       [](std::size_t size) { return FillLine(size, [] { return std::string("<2>0,1,INFO?<3><179>"); }); }, toRaw},
      {"notation->raw  display form of random bytes",
       [&random](std::size_t size) {
         return FillLine(size, [&random] {
           std::string raw = RandomBytes(1, random);
           return raw == "<" || raw == ">" ? std::string("A") : fkt_RawToSpecialChars(raw);
         });
       },
       toRaw},
      // Every token distinct: <0>..<255>, <00>..<0255>, ... (without <60>,
      // whose "<" would meet the next ">"). Replacing each token everywhere
      // and searching again from the start would be quadratic here.
      {"notation->raw  distinct tokens <0>..<255><00>..",
       [](std::size_t size) {
         int serial = 0;
         return FillLine(size, [&serial] {
           const int code = serial % 256 == '<' ? '=' : serial % 256;
           std::string token(static_cast<std::size_t>(serial / 256) + 1, '<');
           std::fill(token.begin() + 1, token.end(), '0');
           token += std::to_string(code);
           token += '>';
           ++serial;
           return token;
         });
       },
       toRaw},
      {"raw->display   instrument answers 0,1,INFO?=...",
       [](std::size_t size) {
         return FillLine(size, [] { return std::string("\x02" "0,1,INFO?=Telvane 2018.1\r\n\x03\xB3"); });
       },
       toDisplay},
      {"raw->display   random bytes", [&random](std::size_t size) { return RandomBytes(size, random); }, toDisplay},
  };
  // clang-format on

  std::printf("%-52s %10s %16s\n", "conversion and line", "bytes", "median us/line");
  for (const LineKind& kind : kinds) {
    for (const std::size_t size : kLineSizes) {
      const std::string line = kind.make(size);
      std::printf("%-52s %10zu %16.2f\n", kind.name, line.size(), MedianMicroseconds(kind.convert, line));
    }
  }
  return 0;
}
