#pragma once
// Find in the traffic list: the next or the previous entry whose text in
// notation (as Ctrl+C copies it: time, tag, "<2>" for STX) holds the text
// looked for, without regard to case unless asked, going round the end of the
// list. One step walks at most every entry once, reusing two buffers, so that
// even a step that finds nothing in a million entries answers at once.
#include <cstdint>
#include <optional>
#include <string_view>

class TrafficListModel;

struct FindResult {
  std::optional<std::uint64_t> entry;  // nothing: no entry holds the text
  bool wrapped = false;                // found only after going round the end
};

// Looks among the entries views show, starting after `from` (before it when
// searching backwards) or, without `from`, at the first (the last) entry.
// The text is bytes in the 8-bit code page; an empty text finds nothing.
FindResult FindEntry(const TrafficListModel& model, std::string_view text, bool matchCase, bool forward,
                     std::optional<std::uint64_t> from);
