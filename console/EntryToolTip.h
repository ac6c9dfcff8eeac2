#pragma once
// The tooltip of a traffic-list entry: for a received frame, whether its
// block check is right (naming the expected and the received value when it
// is not), and for a received entry after an [OUT] entry, the time since that
// entry (its reply time when it is the first one received after it); then,
// for every entry, its date and time to the microsecond in UTC and in local
// time. Bytes in the 8-bit code page, lines separated by "\n", in the
// selected language.
#include <cstdint>
#include <string>

class TrafficListModel;

std::string EntryToolTip(const TrafficListModel& model, std::uint64_t entry);
