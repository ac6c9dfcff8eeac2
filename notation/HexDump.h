#pragma once
// A datagram as a hex dump, 16 bytes a line: the offset of the line's first
// byte (eight hex digits), the bytes in hex (a wider gap after the eighth),
// and the bytes as the glyphs of code page 437, the way the traffic list
// shows raw bytes, so control characters and codes above 127 stay visible:
//
//   00000000  02 30 2C 31 2C 4F 4B 03  B3                       ☻0,1,OK♥│
//
// The last line is padded so its glyphs line up with those above. Lines are
// separated by "\n", with none after the last; no bytes, no lines.
#include <string>
#include <string_view>

inline constexpr std::size_t kHexDumpBytesPerLine = 16;

std::u16string HexDump(std::string_view bytes);
