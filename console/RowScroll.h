#pragma once
// The traffic view scrolls by entry: its first visible entry (0 .. maxTop, a
// 64-bit number) is what counts, and the scroll bar, whose values are ints,
// only mirrors it. Up to kMaxValue entries the two are the same; beyond, the
// scroll bar's values spread evenly over the entries, so a drag still reaches
// every part of the list and both ends exactly, and steps (arrows, pages,
// wheel, keys) move by entries, never by scroll bar values.
#include <algorithm>
#include <cstdint>

namespace RowScroll {

inline constexpr int kMaxValue = 1 << 30;

constexpr int Maximum(std::uint64_t maxTop) { return static_cast<int>(std::min<std::uint64_t>(maxTop, kMaxValue)); }

constexpr int ToValue(std::uint64_t top, std::uint64_t maxTop) {
  if (maxTop <= kMaxValue) return static_cast<int>(std::min(top, maxTop));
  const auto scaled = static_cast<unsigned __int128>(std::min(top, maxTop)) * kMaxValue / maxTop;
  return static_cast<int>(scaled);
}

constexpr std::uint64_t ToTop(int value, std::uint64_t maxTop) {
  const auto clamped = static_cast<std::uint64_t>(std::clamp(value, 0, Maximum(maxTop)));
  if (maxTop <= kMaxValue) return clamped;
  return static_cast<std::uint64_t>(static_cast<unsigned __int128>(clamped) * maxTop / kMaxValue);
}

}  // namespace RowScroll
