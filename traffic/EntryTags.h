#pragma once
// The direction tags of the traffic list, nine characters each so that the
// contents line up in a fixed-pitch font; the tools print their exchanges
// with the same tags.
#include <string_view>

inline constexpr std::string_view kOutTag = "  [OUT]  ";
inline constexpr std::string_view kInTag = "  [IN]   ";
// The store's own entry: how many entries it did not list, and why.
inline constexpr std::string_view kNoticeTag = "  [---]  ";
// The length of "HH:MM:SS.mmm", the time before a tag.
inline constexpr std::size_t kTimeChars = 12;
