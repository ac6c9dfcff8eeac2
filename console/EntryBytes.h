#pragma once
// The bytes behind traffic-list entries, for the operator: the full view of
// one entry with a hex dump of its datagram below its text, and "Copy as
// hex" for the selected entries.
#include <cstdint>
#include <string>

class EntrySelection;
class TrafficListModel;

// The platform's input box with the prompt and the entry's whole text (the
// double-click view), and below it the hex dump of the datagram the entry
// stands for; the list's notice entry, which is none, shows its text alone.
void ShowEntryWithHex(const TrafficListModel& model, std::uint64_t entry, const std::string& prompt);

// The hex dumps of the selected entries that are shown and are datagrams,
// each under a line with its time and direction tag, a blank line between
// two, to the clipboard; refused with Copy's message beyond Copy's limit.
void CopyEntriesAsHex(const TrafficListModel& model, const EntrySelection& selection);
