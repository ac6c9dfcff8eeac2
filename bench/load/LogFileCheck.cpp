#include "bench/load/LogFileCheck.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "bench/load/LoadDatagram.h"

namespace {

constexpr std::size_t kStampBytes = 12;
constexpr std::string_view kGap = "    ";

bool IsDigitBelow(char tens, char ones, int limit) {
  if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return false;
  return (tens - '0') * 10 + (ones - '0') < limit;
}

// "HH:MM:SS:mmm" with a real time of day.
bool IsLogTimeStamp(std::string_view s) {
  return s.size() == kStampBytes && s[2] == ':' && s[5] == ':' && s[8] == ':' && IsDigitBelow(s[0], s[1], 24) &&
         IsDigitBelow(s[3], s[4], 60) && IsDigitBelow(s[6], s[7], 60) && IsDigitBelow('0', s[9], 10) &&
         IsDigitBelow(s[10], s[11], 100);
}

}  // namespace

std::optional<std::string_view> LogLineDatagram(std::string_view line) {
  if (line.size() < kStampBytes + kGap.size() + 1 || line.back() != '\r') return std::nullopt;
  if (!IsLogTimeStamp(line.substr(0, kStampBytes)) || line.substr(kStampBytes, kGap.size()) != kGap) {
    return std::nullopt;
  }
  const std::size_t start = kStampBytes + kGap.size();
  return line.substr(start, line.size() - 1 - start);
}

std::optional<SequenceCheck> CheckLoadLog(const std::string& path, std::uint64_t first, std::uint64_t expected,
                                          std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  SequenceCheck check(first, expected);
  std::string line;
  while (std::getline(in, line)) {
    // A last line without its LF was cut short.
    const std::optional<std::string_view> datagram = in.eof() ? std::nullopt : LogLineDatagram(line);
    const std::optional<std::uint64_t> number = datagram ? ParseLoadDatagram(*datagram) : std::nullopt;
    if (number) {
      check.Add(*number);
    } else {
      check.AddMalformed();
    }
  }
  if (in.bad()) {
    *error = path + ": read error";
    return std::nullopt;
  }
  return check;
}
