#include "notation/FrameCheck.h"

#include "notation/BlockCheck.h"

namespace {
constexpr char kStx = '\x02';
constexpr char kEtx = '\x03';

FrameBlockCheck CheckOne(std::string_view frame) {
  return {fkt_CalcBlockCheck(frame.substr(0, frame.size() - 1)), static_cast<std::uint8_t>(frame.back())};
}

// The datagram read as consecutive frames, each checked on its own: the first
// wrong one, or the last one when all are right. Nothing when the frames do
// not end exactly with the datagram or when there is only one.
std::optional<FrameBlockCheck> CheckEachFrame(std::string_view datagram) {
  std::optional<FrameBlockCheck> firstWrong;
  FrameBlockCheck last;
  std::size_t frames = 0;
  std::size_t stx = datagram.find(kStx);
  while (stx != std::string_view::npos) {
    const std::size_t etx = datagram.find(kEtx, stx + 1);
    if (etx == std::string_view::npos || etx + 1 >= datagram.size()) return std::nullopt;
    const std::size_t end = etx + 2;
    last = CheckOne(datagram.substr(stx, end - stx));
    last.frame = ++frames;
    if (!last.Valid() && !firstWrong) firstWrong = last;
    if (end == datagram.size()) {
      if (frames < 2) return std::nullopt;
      FrameBlockCheck result = firstWrong.value_or(last);
      result.frames = frames;
      return result;
    }
    stx = datagram.find(kStx, end);
  }
  return std::nullopt;
}
}  // namespace

std::optional<FrameBlockCheck> CheckFrame(std::string_view datagram) {
  if (datagram.size() < 3) return std::nullopt;  // STX, ETX, block check at the least
  const std::size_t etx = datagram.size() - 2;
  if (datagram[etx] != kEtx || datagram.find(kStx) >= etx) return std::nullopt;
  if (std::optional<FrameBlockCheck> each = CheckEachFrame(datagram)) return each;
  return CheckOne(datagram);
}
