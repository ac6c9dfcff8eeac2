#pragma once
// The numbered datagrams of the load benchmarks: exactly 64 bytes, a
// 10-digit decimal sequence number followed by a fixed filler. The filler uses
// only letters, digits, blanks and dots, which the traffic list shows as they
// are, so a listed entry and a logged line carry the very same 64 bytes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

inline constexpr std::size_t kLoadDatagramBytes = 64;
inline constexpr std::size_t kLoadNumberDigits = 10;
// The largest number that fits the 10 digits.
inline constexpr std::uint64_t kLoadMaxNumber = 9'999'999'999;

// Writes datagram `number` (at most kLoadMaxNumber) to out[0..64).
void FormatLoadDatagram(std::uint64_t number, char* out);

// The number of a well-formed datagram, or nothing for any other bytes.
std::optional<std::uint64_t> ParseLoadDatagram(std::string_view bytes);
