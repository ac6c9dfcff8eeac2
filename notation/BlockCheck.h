#pragma once
// The block check that ends a frame of the instrument protocol (STX, text,
// ETX, block check): the XOR of the bytes after the first STX, with bit 7 set.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The block check of raw bytes: XOR of every byte after the first STX (of
// every byte when there is no STX), ETX and anything after it included, OR
// 128. Always from 128 to 255.
std::uint8_t fkt_CalcBlockCheck(std::string_view raw);

// The block-check button's work on the send line: the line, unchanged, with
// its block check appended as a numeric token ("<STX>0,1,INFO?<ETX>" gives
// "<STX>0,1,INFO?<ETX><179>"). Bytes in front of the first STX do not count;
// a block check already at the end counts as an ordinary byte.
// Throws RunTimeError 13 or 5 when the line cannot be converted
// (fkt_SpecialCharsToRaw); the line is then not to be changed.
std::string fkt_AppendBlockCheck(const std::string& notationLine);

// The block check a line about to be sent still lacks: that of a frame whose
// last byte is ETX, with an STX before it, so that a stored frame may leave
// its check to the moment of sending. Nothing for any other line, one that
// carries a byte after its ETX (its own block check) included.
std::optional<std::uint8_t> MissingBlockCheck(std::string_view raw);
