#pragma once
// The receiving side of the block check: whether a datagram is a frame of the
// instrument protocol (STX, text, ETX, block check) and whether its last byte
// is the block check the block-check button would have appended to it.
#include <cstdint>
#include <optional>
#include <string_view>

struct FrameBlockCheck {
  std::uint8_t expected = 0;  // fkt_CalcBlockCheck of the frame without its last byte
  std::uint8_t received = 0;  // the frame's last byte
  bool Valid() const { return expected == received; }
};

// Nothing unless the datagram is a frame: it ends with ETX and one more byte,
// and holds an STX before that ETX. Bytes in front of the first STX are
// allowed and do not count, as for the block-check button; a datagram with
// anything after the block check (a line end, say) is not a frame.
std::optional<FrameBlockCheck> CheckFrame(std::string_view datagram);
