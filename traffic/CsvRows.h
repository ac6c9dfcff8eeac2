#pragma once
// The traffic list as CSV (RFC 4180) for a spreadsheet or a script: a header
// row, then one row per entry, fields separated by commas, rows ended by
// CR LF, a field quoted (its quotes doubled) where it holds a comma, a quote,
// CR or LF. The columns:
//
//   Time (UTC)       ISO 8601 to the microsecond, "2026-12-08T01:02:03.456789Z"
//   Direction        "out", "in", or "notice" for the list's own notice line
//   Length           the datagram's bytes (for a line sent: the bytes it became)
//   Entry            the content in notation, as Ctrl+C copies it without time
//                    and tag; a notice's own words
//   Block check      of a received entry: "right", "wrong, expected <x>
//                    received <y>" (with " (frame n of m)" for a datagram of
//                    several frames) or "not a frame"; empty otherwise
//   Reply time (us)  of the first entry received after an [OUT] entry, from
//                    that entry; empty otherwise
//
// The file is UTF-8 with a byte-order mark, so that a spreadsheet reads the
// accented letters of a typed line or of a German notice as they are; the
// words of the header and the columns are the same in both languages, so a
// script reads any file. A field that a spreadsheet would take for a formula
// (first character = + - @, tab or CR) can only be a line the operator
// typed, received bytes being in notation; its first character is written
// as its code ("<61>" for "="), which is the same line in the notation.
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

#include "traffic/TrafficListModel.h"

class CsvRows {
 public:
  explicit CsvRows(const TrafficListModel& model) : model_(model) {}

  // The byte-order mark and the header row.
  static std::string_view Head();
  // Appends the row of the next entry; entries come in list order, from the
  // first (the reply time is taken from the entry before).
  void Append(const TrafficStore::Meta& meta, std::string_view bytes, std::string& out);

 private:
  void AppendTime(std::int64_t utcMicroseconds, std::string& out);

  const TrafficListModel& model_;
  TrafficListModel::TextBuffers buffers_;
  std::string datagram_;
  std::string escaped_;
  // The entry before: an [OUT] entry's time starts a reply time.
  bool afterOutgoing_ = false;
  std::int64_t outgoingTime_ = 0;
  // "YYYY-MM-DDT" of the day last written: a date is worked out once a day.
  std::int64_t day_ = INT64_MIN;
  std::string date_;
};
