#include "notation/FrameCheck.h"

#include "notation/BlockCheck.h"

namespace {
constexpr char kStx = '\x02';
constexpr char kEtx = '\x03';
}  // namespace

std::optional<FrameBlockCheck> CheckFrame(std::string_view datagram) {
  if (datagram.size() < 3) return std::nullopt;  // STX, ETX, block check at the least
  const std::size_t etx = datagram.size() - 2;
  if (datagram[etx] != kEtx || datagram.find(kStx) >= etx) return std::nullopt;
  return FrameBlockCheck{fkt_CalcBlockCheck(datagram.substr(0, datagram.size() - 1)),
                         static_cast<std::uint8_t>(datagram.back())};
}
