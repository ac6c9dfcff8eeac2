#pragma once
// The traffic list's content: every datagram sent and received, in order,
// without a limit on the number of entries, and the text each entry shows.
//
// Entries live in a TrafficStore (memory for the newest, an unnamed file for
// the rest), 16 bytes of record plus the datagram's bytes each. The text an
// entry shows (time, direction tag, the content in notation, display form or
// raw) is put together only when asked for, and only as far as asked: a view
// asks for the characters that fit its width, so a 64 KiB entry costs no more
// to show than a short one.
//
// Appends are O(1) and reach views at the next Commit (EntriesAdded), so a
// flood of arrivals costs a view one update per commit.
#include <QObject>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/TrafficStore.h"

class TrafficListModel : public QObject {
  Q_OBJECT

 public:
  using Kind = EntryKind;

  // The store's file goes into the platform's scratch folders.
  explicit TrafficListModel(QObject* parent = nullptr);
  TrafficListModel(std::vector<std::string> folders, TrafficStore::Limits limits, QObject* parent = nullptr);

  // Appends without telling views yet; Commit makes pending entries visible.
  void Append(Kind kind, std::uint32_t millisecondOfDay, std::string_view bytes);
  void Commit();
  void Clear();

  // Entries, committed or not.
  std::uint64_t EntryCount() const { return store_.Count(); }
  // Entries views show.
  std::uint64_t ShownCount() const { return shown_; }
  // The entry's full text as bytes, as the list shows it.
  std::string EntryText(std::uint64_t entry) const;
  // The first maxChars characters of that text; *cut tells whether there is more.
  std::string EntryTextStart(std::uint64_t entry, std::size_t maxChars, bool* cut) const;

  const TrafficStore& Store() const { return store_; }
  // Waits for the store's file writes to finish; for measurements.
  void SettleStore() { store_.Settle(); }

 signals:
  void EntriesAdded(quint64 first, quint64 end);
  void Cleared();
  // The store could not use its file (a full disk, say); sent once per failure.
  void StoreFailed(const QString& reason);

 private:
  TrafficStore store_;
  std::uint64_t shown_ = 0;
};
