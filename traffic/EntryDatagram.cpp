#include "traffic/EntryDatagram.h"

#include "core/RunTimeError.h"
#include "notation/Notation.h"
#include "traffic/TrafficListModel.h"

std::optional<std::string_view> EntryDatagram(const TrafficStore::Meta& meta, std::string_view bytes,
                                              std::string& buffer) {
  if (meta.kind == EntryKind::Notice) return std::nullopt;
  if (meta.kind != EntryKind::Outgoing) return bytes;
  try {
    buffer = fkt_SpecialCharsToRaw(std::string(bytes));
  } catch (const RunTimeError&) {
    // A line the notation refuses is never sent, so never listed; were it,
    // it would stand for no datagram.
    return std::nullopt;
  }
  return buffer;
}

std::optional<std::string> EntryDatagram(const TrafficListModel& model, std::uint64_t entry) {
  std::string bytes;
  const TrafficStore::Meta meta = model.Store().ReadEntry(entry, bytes);
  std::string buffer;
  const std::optional<std::string_view> datagram = EntryDatagram(meta, bytes, buffer);
  if (!datagram) return std::nullopt;
  return std::string(*datagram);
}
