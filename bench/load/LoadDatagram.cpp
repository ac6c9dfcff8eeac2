#include "bench/load/LoadDatagram.h"

#include <cstring>

namespace {

constexpr std::string_view kFiller = " Telvane load datagram ABCDEFGHIJKLMNOPQRSTUVWXYZ 012.";
static_assert(kLoadNumberDigits + kFiller.size() == kLoadDatagramBytes);

}  // namespace

void FormatLoadDatagram(std::uint64_t number, char* out) {
  for (std::size_t i = kLoadNumberDigits; i-- > 0;) {
    out[i] = static_cast<char>('0' + number % 10);
    number /= 10;
  }
  std::memcpy(out + kLoadNumberDigits, kFiller.data(), kFiller.size());
}

std::optional<std::uint64_t> ParseLoadDatagram(std::string_view bytes) {
  if (bytes.size() != kLoadDatagramBytes || bytes.substr(kLoadNumberDigits) != kFiller) return std::nullopt;
  std::uint64_t number = 0;
  for (std::size_t i = 0; i < kLoadNumberDigits; ++i) {
    const char digit = bytes[i];
    if (digit < '0' || digit > '9') return std::nullopt;
    number = number * 10 + static_cast<std::uint64_t>(digit - '0');
  }
  return number;
}
