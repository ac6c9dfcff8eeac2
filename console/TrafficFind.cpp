#include "console/TrafficFind.h"

#include <algorithm>
#include <functional>
#include <string>

#include "console/TrafficListModel.h"
#include "core/CodePage.h"

FindResult FindEntry(const TrafficListModel& model, std::string_view text, bool matchCase, bool forward,
                     std::optional<std::uint64_t> from) {
  const std::uint64_t count = model.ShownCount();
  if (text.empty() || count == 0) return {};
  std::string needle(text);
  if (!matchCase) std::transform(needle.begin(), needle.end(), needle.begin(), Cp1252ToLower);

  // Boyer-Moore with both of its rules, built once per step: entries that
  // share a long part with the text looked for (numbered datagrams) cost one
  // comparison of that part each, where the bad-character rule alone compares
  // it again at every shift and the C library's memmem builds its tables anew
  // for every entry.
  const std::boyer_moore_searcher searcher(needle.begin(), needle.end());
  TrafficListModel::TextBuffers buffers;
  const auto holds = [&](std::uint64_t entry) {
    const std::string_view text = model.NotationText(entry, buffers, !matchCase);
    return std::search(text.begin(), text.end(), searcher) != text.end();
  };

  // Steps through all entries once: from the one after `from` to the end,
  // then round from the other end back to `from` itself.
  const std::uint64_t start = !from || *from >= count ? (forward ? 0 : count - 1)
                              : forward               ? (*from + 1) % count
                                                      : (*from + count - 1) % count;
  std::uint64_t entry = start;
  for (std::uint64_t step = 0; step < count; ++step) {
    if (holds(entry)) {
      const bool wrapped = from && *from < count && (forward ? entry <= *from : entry >= *from);
      return {entry, wrapped};
    }
    entry = forward ? (entry + 1) % count : (entry + count - 1) % count;
  }
  return {};
}
