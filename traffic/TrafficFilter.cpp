#include "traffic/TrafficFilter.h"

#include <algorithm>
#include <utility>

#include "core/CodePage.h"

namespace {

std::string Needle(const FilterCriteria& criteria) {
  std::string needle = criteria.text;
  if (!criteria.matchCase) std::transform(needle.begin(), needle.end(), needle.begin(), Cp1252ToLower);
  return needle;
}

}  // namespace

TrafficFilter::TrafficFilter(FilterCriteria criteria)
    : criteria_(std::move(criteria)), needle_(Needle(criteria_)), searcher_(needle_.cbegin(), needle_.cend()) {}

bool TrafficFilter::KindMatches(const TrafficStore::Meta& meta) const {
  switch (criteria_.show) {
    case FilterCriteria::Show::All: return true;
    case FilterCriteria::Show::Received: return IsIncoming(meta.kind);
    case FilterCriteria::Show::Sent: return IsOutgoing(meta.kind);
    case FilterCriteria::Show::WrongBlockCheck: return meta.badFrame && IsIncoming(meta.kind);
  }
  return false;
}

bool TrafficFilter::TextMatches(std::string_view text) const {
  return std::search(text.begin(), text.end(), searcher_) != text.end();
}

bool TrafficFilter::Matches(const TrafficListModel& model, std::uint64_t entry,
                            TrafficListModel::TextBuffers& buffers) const {
  if (needle_.empty()) return KindMatches(model.Store().EntryMeta(entry, &buffers.cursor));
  const TrafficStore::Meta meta = model.Store().ReadEntry(entry, buffers.bytes, TrafficStore::kWhole, &buffers.cursor);
  return KindMatches(meta) && TextMatches(model.NotationText(meta, buffers.bytes, buffers, !criteria_.matchCase));
}

bool TrafficFilter::Matches(const TrafficListModel& model, const TrafficStore::Meta& meta, std::string_view bytes,
                            TrafficListModel::TextBuffers& buffers) const {
  if (!KindMatches(meta)) return false;
  return needle_.empty() || TextMatches(model.NotationText(meta, bytes, buffers, !criteria_.matchCase));
}
