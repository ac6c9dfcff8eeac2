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
// flood of arrivals costs a view one update per commit. Any received entry
// finds the last [OUT] before it (the store keeps their numbers): its reply
// time.
//
// Threads: the model belongs to the window thread, which commits, clears and
// receives its signals. Append may come from the one thread that writes the
// store (the traffic session's receive thread), and the reading functions
// from any thread, a walk on a worker with TextBuffers of its own.
//
// Where the store stops listing (its memory limit, with a full disk), its
// notice entry shows as a line of its own: the time of the first datagram
// not listed, "  [---]  ", how many datagrams and sent lines were not listed
// and why. It is text like any entry for copy, find and export, but has no
// frame check and no reply time.
#include <QElapsedTimer>
#include <QObject>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notation/FrameCheck.h"
#include "traffic/TrafficStore.h"

class QTimer;

class TrafficListModel : public QObject {
  Q_OBJECT

 public:
  using Kind = EntryKind;

  // The store's file goes into the platform's scratch folders.
  explicit TrafficListModel(QObject* parent = nullptr);
  TrafficListModel(std::vector<std::string> folders, TrafficStore::Limits limits, QObject* parent = nullptr);

  // Appends without telling views yet; Commit makes pending entries visible.
  // utcMicroseconds: the entry's time (TimeOfDay.h); badFrame: a received
  // frame whose block check is wrong.
  void Append(Kind kind, std::int64_t utcMicroseconds, std::string_view bytes, bool badFrame = false);
  void Commit();
  // Commits on the next pass of the event loop; while entries keep coming,
  // at most once per frameMs, so a flood costs the views one update per
  // display frame.
  void ScheduleCommit(int frameMs);
  // Empties the store, then views start over (StartOver).
  void Clear();
  // The store was emptied by the thread that writes it: views start over.
  void StartOver();
  // Counts the Clear calls: a walk over the entries that lets events run in
  // between sees from it whether the entries it walks are still there.
  // Safe from any thread.
  std::uint64_t Generation() const { return store_.Generation(); }

  // Entries, committed or not.
  std::uint64_t EntryCount() const { return store_.Count(); }
  // Entries views show.
  std::uint64_t ShownCount() const { return shown_; }
  // The entry's full text as bytes, as the list shows it.
  std::string EntryText(std::uint64_t entry) const;
  // The first maxChars characters of that text; *cut tells whether there is more.
  std::string EntryTextStart(std::uint64_t entry, std::size_t maxChars, bool* cut) const;
  // Buffers that a walk over many entries reuses: once they have grown,
  // nothing is allocated or cleared per entry.
  struct TextBuffers {
    std::string text;
    std::string bytes;
    TrafficStore::Cursor cursor;  // what the walk read of the store's files
  };
  // The entry's text in notation: as shown, except that raw bytes (the
  // entries of the raw display, and lines sent then) appear in their display
  // form, so control characters survive as "<2>" in a mail, a ticket or a
  // file. With lowerCase, every letter in lower case (for finding without
  // regard to case). Valid until the buffers are used again.
  std::string_view NotationText(std::uint64_t entry, TextBuffers& buffers, bool lowerCase = false) const;
  // The same for an entry already read (a walk that reads runs of entries).
  std::string_view NotationText(const TrafficStore::Meta& meta, std::string_view bytes, TextBuffers& buffers,
                                bool lowerCase = false) const;

  bool IsBadFrame(std::uint64_t entry) const { return store_.EntryMeta(entry).badFrame; }
  // The block check of a received entry that is a frame; nothing otherwise.
  std::optional<FrameBlockCheck> FrameCheckOf(std::uint64_t entry) const;
  struct SinceSent {
    std::int64_t microseconds = 0;  // from the last [OUT] entry before it
    bool reply = false;             // the entry comes right after that [OUT] entry
  };
  // For a received entry after an [OUT] entry; nothing otherwise.
  std::optional<SinceSent> TimeSinceSent(std::uint64_t entry) const;

  const TrafficStore& Store() const { return store_; }
  TrafficStore& Store() { return store_; }
  // Waits for the store's file writes to finish; for measurements.
  void SettleStore() { store_.Settle(); }

 signals:
  void EntriesAdded(quint64 first, quint64 end);
  // A shown entry's text changed (the counts of a notice).
  void EntryChanged(quint64 entry);
  void Cleared();
  // The store could not use its file (a full disk, say); sent once per
  // failure. The reason is text in the 8-bit code page.
  void StoreFailed(const QByteArray& reason);

 private:
  // The words of a notice entry, after its time and tag.
  std::string NoticeText(const TrafficStore::Meta& meta) const;

  TrafficStore store_;
  QTimer* scheduledCommit_ = nullptr;
  QElapsedTimer sinceScheduledCommit_;
  std::uint64_t shown_ = 0;
  std::uint64_t notListedShown_ = 0;  // the store's NotListedCount at the last Commit
};
