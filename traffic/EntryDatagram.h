#pragma once
// The bytes a traffic-list entry stands for: the datagram received, or the
// datagram a line sent became. An entry sent with the interpreted display on
// keeps the line as typed ("<STX>..."), so its bytes are worked out again
// the way the send did. The hex view, Copy as hex and the CSV export show
// these bytes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "traffic/TrafficStore.h"

class TrafficListModel;

// Nothing for the list's notice entry, which is no datagram. `buffer` holds
// the bytes of a line converted; the result is valid while both live.
std::optional<std::string_view> EntryDatagram(const TrafficStore::Meta& meta, std::string_view bytes,
                                              std::string& buffer);
std::optional<std::string> EntryDatagram(const TrafficListModel& model, std::uint64_t entry);
