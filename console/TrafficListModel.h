#pragma once
// The traffic list's model: every datagram sent and received, in order,
// without a limit on the number of entries.
//
// Entries are kept compactly: the bytes of each entry live in large shared
// chunks, and an index of 16 bytes per entry records where, when (UTC time of
// day) and of which kind. The text an entry shows (time, direction tag, the
// content in notation, display form or raw) is put together only when the
// view asks for a visible row, so a listed 64-byte datagram costs about 80
// bytes. Appends are O(1); they become visible to views in one insertion per
// batch (Commit), so a flood of arrivals costs the view one update per batch.
#include <QAbstractListModel>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TrafficListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  enum class Kind : std::uint8_t {
    Outgoing,         // time, "  [OUT]  ", the bytes as given (notation or raw)
    IncomingDisplay,  // time, "  [IN]   ", the display form of the bytes
    IncomingRaw,      // the bytes alone
  };

  explicit TrafficListModel(QObject* parent = nullptr);

  // Appends without telling views yet; Commit makes pending entries visible.
  void Append(Kind kind, std::uint32_t millisecondOfDay, std::string_view bytes);
  void Commit();
  void Clear();

  // Entries, committed or not.
  std::size_t EntryCount() const { return index_.size(); }
  // The entry's full text as bytes, as the list shows it.
  std::string EntryText(std::size_t row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  struct Entry {
    std::uint64_t offset;  // chunk number * kChunkBytes + position
    std::uint32_t length;
    std::uint32_t timeAndKind;  // millisecond of day << 2 | kind
  };
  static constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

  std::string_view Bytes(const Entry& entry) const;

  std::vector<std::unique_ptr<char[]>> chunks_;
  std::size_t chunkUsed_ = kChunkBytes;  // forces a first chunk
  std::deque<Entry> index_;
  int committed_ = 0;
};
