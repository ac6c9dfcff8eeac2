#pragma once
// Checks a data log written during a load run: every line must be a time
// stamp "HH:MM:SS:mmm", four blanks, one numbered datagram and CR LF, and the
// numbers must run complete and in order.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "bench/load/SequenceCheck.h"

// The datagram of one log line (given without its final LF), or nothing if
// the line has any other shape.
std::optional<std::string_view> LogLineDatagram(std::string_view line);

// Checks the file; nothing (and the reason in *error) if it cannot be read.
std::optional<SequenceCheck> CheckLoadLog(const std::string& path, std::uint64_t first, std::uint64_t expected,
                                          std::string* error);
