#include "notation/BlockCheck.h"

#include <numeric>
#include <string_view>

#include "notation/Notation.h"

namespace {
constexpr char kStx = '\x02';
constexpr char kEtx = '\x03';
constexpr unsigned kBit7 = 0x80;
}  // namespace

std::uint8_t fkt_CalcBlockCheck(std::string_view raw) {
  std::string_view counted = raw;
  if (const auto stx = counted.find(kStx); stx != std::string_view::npos) {
    counted.remove_prefix(stx + 1);
  }
  const unsigned xorOfBytes = std::accumulate(counted.begin(), counted.end(), 0U, [](unsigned acc, char byte) {
    return acc ^ static_cast<unsigned char>(byte);
  });
  return static_cast<std::uint8_t>(xorOfBytes | kBit7);
}

std::string fkt_AppendBlockCheck(const std::string& notationLine) {
  // Cutting the raw line at its first STX is left to fkt_CalcBlockCheck,
  // which starts after that STX anyway.
  const std::string raw = fkt_SpecialCharsToRaw(notationLine);
  return notationLine + "<" + std::to_string(fkt_CalcBlockCheck(raw)) + ">";
}

std::optional<std::uint8_t> MissingBlockCheck(std::string_view raw) {
  if (raw.empty() || raw.back() != kEtx) return std::nullopt;
  if (raw.find(kStx) == std::string_view::npos) return std::nullopt;
  return fkt_CalcBlockCheck(raw);
}
