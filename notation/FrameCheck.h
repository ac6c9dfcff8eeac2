#pragma once
// The receiving side of the block check: whether a datagram is a frame of the
// instrument protocol (STX, text, ETX, block check) and whether its last byte
// is the block check the block-check button would have appended to it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

struct FrameBlockCheck {
  std::uint8_t expected = 0;  // fkt_CalcBlockCheck of the frame without its last byte
  std::uint8_t received = 0;  // the frame's last byte
  std::size_t frame = 1;      // which frame of the datagram these values belong to
  std::size_t frames = 1;     // frames in the datagram
  bool Valid() const { return expected == received; }
};

// Nothing unless the datagram is a frame: it ends with ETX and one more byte,
// and holds an STX before that ETX. Bytes in front of the first STX are
// allowed and do not count, as for the block-check button; a datagram with
// anything after the block check (a line end, say) is not a frame.
//
// Several frames in one datagram: read from its first STX, a frame ends at
// the first ETX after its STX and the one byte after that ETX (its block
// check); bytes between a block check and the next STX do not count, like the
// bytes in front of the first STX. When the datagram splits that way into
// two or more frames ending with its last byte, each frame is checked on its
// own, and the result names the first frame whose block check is wrong (or
// the last frame when all are right). Read as one frame, two right frames
// would look wrong, and a wrong first block check can even make the whole
// look right; a frame's text holds no ETX, so the split is the frames the
// peer sent.
std::optional<FrameBlockCheck> CheckFrame(std::string_view datagram);
