#include "console/TrafficListModel.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "console/TimeOfDay.h"
#include "core/CodePage.h"
#include "notation/Notation.h"

namespace {
constexpr std::string_view kOutTag = "  [OUT]  ";
constexpr std::string_view kInTag = "  [IN]   ";
}  // namespace

TrafficListModel::TrafficListModel(QObject* parent) : QAbstractListModel(parent) {}

void TrafficListModel::Append(Kind kind, std::uint32_t millisecondOfDay, std::string_view bytes) {
  // An entry never straddles two chunks; one larger than a chunk gets a
  // chunk of its own.
  std::size_t position = 0;
  if (bytes.size() > kChunkBytes) {
    chunks_.push_back(std::make_unique<char[]>(bytes.size()));
    chunkUsed_ = kChunkBytes;
  } else {
    if (chunks_.empty() || chunkUsed_ + bytes.size() > kChunkBytes) {
      chunks_.push_back(std::make_unique<char[]>(kChunkBytes));
      chunkUsed_ = 0;
    }
    position = chunkUsed_;
    chunkUsed_ += bytes.size();
  }
  const std::size_t chunk = chunks_.size() - 1;
  if (!bytes.empty()) std::memcpy(chunks_[chunk].get() + position, bytes.data(), bytes.size());
  index_.push_back({static_cast<std::uint64_t>(chunk) * kChunkBytes + position,
                    static_cast<std::uint32_t>(bytes.size()),
                    (millisecondOfDay << 2U) | static_cast<std::uint32_t>(kind)});
}

void TrafficListModel::Commit() {
  // A model counts rows in an int; beyond that, entries stay stored but unseen.
  const auto total = static_cast<int>(std::min<std::size_t>(index_.size(), std::numeric_limits<int>::max()));
  if (total <= committed_) return;
  beginInsertRows(QModelIndex(), committed_, total - 1);
  committed_ = total;
  endInsertRows();
}

void TrafficListModel::Clear() {
  beginResetModel();
  index_.clear();
  chunks_.clear();
  chunkUsed_ = kChunkBytes;
  committed_ = 0;
  endResetModel();
}

std::string_view TrafficListModel::Bytes(const Entry& entry) const {
  const std::size_t chunk = entry.offset / kChunkBytes;
  const std::size_t position = entry.offset % kChunkBytes;
  return {chunks_[chunk].get() + position, entry.length};
}

std::string TrafficListModel::EntryText(std::size_t row) const {
  const Entry& entry = index_.at(row);
  const auto kind = static_cast<Kind>(entry.timeAndKind & 3U);
  const std::string_view bytes = Bytes(entry);
  if (kind == Kind::IncomingRaw) return std::string(bytes);

  std::string text = ListTime(entry.timeAndKind >> 2U);
  if (kind == Kind::Outgoing) {
    text += kOutTag;
    text += bytes;
  } else {
    text += kInTag;
    text += fkt_RawToSpecialChars(std::string(bytes));
  }
  return text;
}

int TrafficListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : committed_; }

QVariant TrafficListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= committed_) return {};
  // Every byte shows as its code page 437 glyph, control characters included.
  return QString::fromStdU16String(BytesToCp437Glyphs(EntryText(static_cast<std::size_t>(index.row()))));
}
